#pragma once

#include "base/FilePath.h"
#include "base/heron_string.h"

#include <array>
#include <cstdint>
#include <vector>

// A zone's piece of music as look files describe it: its sample files with their markers, its
// phrases and sung pairs, volumes and fades. Main thread only.
struct Song
{
    struct Sample
    {
        heron::FilePath file;
        std::vector<std::uint32_t> markers;

        void addMarker(std::uint32_t marker) { markers.push_back(marker); }
    };

    // Everything back to a song without name or samples.
    void setDefaults() { *this = Song{}; }
    // One sample that loops on its own.
    bool isSingleLoop() const { return samples.size() == 1 && phrases.empty(); }

    heron_string name;
    bool enable = false;
    bool disable = false;
    bool playRing = false;
    std::int32_t volume = 100;
    std::int32_t fadeTime = 0;
    std::int32_t crossfadeTime = 0;
    float maxvolSpeed = 0.0f;
    float minvolSpeed = 0.0f;
    bool oncePerLevel = false;
    bool isArea = false;
    bool enableDoppler = false;
    float dopplerFactor = 1.0f;
    float maxvolDistance = 100.0f;
    std::vector<Sample> samples;
    std::vector<std::array<std::int32_t, 3>> phrases;
    std::vector<std::array<std::int32_t, 2>> sings;
    bool playedOnce = false;
};
