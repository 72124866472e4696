#pragma once

#include "base/counted_ptr.h"
#include "base/heron_string.h"
#include "sound/SoundDataSource.h"

#include <cstdint>
#include <optional>

struct Song;

// The one phrase of a single-loop song as a sound source: the frames of its sample between the
// phrase's start and end markers. An invalid loop (not a single-loop song, a sample that does not
// decode, a marker the sample lacks) reads nothing. Made and released on the main thread, read by
// one sound thread.
class SoundLoop : public egret::SoundDataSource
{
public:
    explicit SoundLoop(Song& song);

    const egret::SoundFormat& format() override;
    void rewind() override;
    int read(int frames, void* buffer) override;
    void close() override;
    void seek(int frame) override;
    int length() override;
    const heron_string& name() override;

    bool isValid() const { return m_valid; }

private:
    heron_string m_name;
    bool m_valid = false;
    bool m_ended = false;
    std::int64_t m_position = 0;
    heron::counted_ptr<egret::SoundDataSource> m_sample;
    std::uint32_t m_start = 0;
    // None: the loop runs to the end of the sample.
    std::optional<std::uint32_t> m_end;
};
