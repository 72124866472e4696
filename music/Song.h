#pragma once

#include "base/FilePath.h"
#include "base/counted_ptr.h"
#include "base/heron_string.h"
#include "content/SoundCache.h"
#include "sound/SoundDataSource.h"

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
        // The decoded sound of the file, fetched on first call and kept; empty when it has none.
        // Any thread: sound threads fetch it while the main thread may release it.
        heron::counted_ptr<egret::SoundDataSource> source();

        heron::counted_ptr<egret::SoundDataSource> decoded;
    };

    // Everything back to a song without name or samples; the played mark and the loop stay.
    void setDefaults();
    // An enabled song of one sample and one phrase, sung at most once in order: it loops on its own.
    bool isSingleLoop() const { return enable && samples.size() == 1 && phrases.size() == 1 && sings.size() < 2; }
    // The looping source of a single-loop song, made on first call and kept; empty for other songs.
    const heron::counted_ptr<egret::SoundDataSource>& makeLoop();
    // Drops the loop and every sample's decoded sound; safe while sound threads fetch samples.
    void releaseSources();
    // Has the sound cache read every sample's file, decoding it now or when first played.
    void loadSamples(pelican::CacheBuild build) const;

    heron_string name;
    bool enable = false;
    bool disable = false;
    bool playRing = false;
    std::int32_t volume = 100;
    std::int32_t fadeTime = 100;
    std::int32_t crossfadeTime = 100;
    float maxvolSpeed = 10.0f;
    float minvolSpeed = 0.0f;
    bool oncePerLevel = true;
    bool isArea = false;
    bool enableDoppler = false;
    float dopplerFactor = 1.0f;
    float maxvolDistance = 25.0f;
    std::vector<Sample> samples;
    std::vector<std::array<std::int32_t, 3>> phrases;
    std::vector<std::array<std::int32_t, 2>> sings;
    bool playedOnce = false;
    heron::counted_ptr<egret::SoundDataSource> loopSource;
};
