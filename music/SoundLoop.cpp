#include "music/SoundLoop.h"

#include "base/Debug.h"
#include "music/Song.h"
#include "sound/SoundFormat.h"

#include <algorithm>
#include <string>

namespace
{

// Phrase ends that do not name a marker: the sample's first frame and its end.
constexpr std::int32_t sampleStart = -2;
constexpr std::int32_t sampleEnd = -1;

// The frame a marker index of the sample names; none for an index the sample lacks.
std::optional<std::uint32_t> markerFrame(const Song::Sample& sample, std::int32_t index)
{
    if (index == sampleStart || index == sampleEnd) {
        return 0u;
    }
    if (index < 0 || static_cast<std::size_t>(index) >= sample.markers.size()) {
        return std::nullopt;
    }
    return sample.markers[static_cast<std::size_t>(index)];
}

}

SoundLoop::SoundLoop(Song& song)
{
    if (!song.isSingleLoop()) {
        return;
    }
    Song::Sample& sample = song.samples.front();
    const auto& phrase = song.phrases.front();
    const std::optional<std::uint32_t> start = markerFrame(sample, phrase[1]);
    const std::optional<std::uint32_t> end = markerFrame(sample, phrase[2]);
    m_sample = sample.source();
    if (!m_sample || !start || !end || (phrase[2] != sampleEnd && *end < *start)) {
        heron::debug("trouble brewing in SoundLoop::SoundLoop()...\n");
        return;
    }
    m_valid = true;
    m_start = *start;
    if (phrase[2] != sampleEnd) {
        m_end = *end;
    }
    m_name = "SoundLoop ";
    m_name += sample.file.c_str();
    m_name += (":" + std::to_string(m_start) + ":" + (m_end ? std::to_string(*m_end) : "-1")).c_str();
}

const egret::SoundFormat& SoundLoop::format()
{
    static const egret::SoundFormat stereo = egret::stereo16Format;
    return m_valid ? m_sample->format() : stereo;
}

void SoundLoop::rewind()
{
    seek(0);
}

void SoundLoop::seek(int frame)
{
    if (!m_valid) {
        return;
    }
    m_position = std::max(frame, 0);
    m_ended = false;
    // Some decoders open their file only when rewound; a seek alone would find nothing to move.
    m_sample->rewind();
    m_sample->seek(static_cast<int>(m_start + m_position));
}

int SoundLoop::read(int frames, void* buffer)
{
    if (!m_valid || m_ended || frames <= 0) {
        return 0;
    }
    int wanted = frames;
    if (m_end) {
        wanted = static_cast<int>(std::clamp<std::int64_t>(*m_end - m_start - m_position, 0, frames));
    }
    const int got = wanted > 0 ? std::clamp(m_sample->read(wanted, buffer), 0, wanted) : 0;
    m_position += got;
    m_ended = got < frames;
    return got;
}

void SoundLoop::close()
{
    if (m_valid) {
        m_sample->close();
    }
    m_ended = true;
}

int SoundLoop::length()
{
    if (!m_valid) {
        return -1;
    }
    if (m_end) {
        return static_cast<int>(*m_end - m_start);
    }
    const int whole = m_sample->length();
    return whole < 0 ? -1 : std::max(whole - static_cast<int>(m_start), 0);
}

const heron_string& SoundLoop::name()
{
    return m_valid ? m_name : egret::SoundDataSource::name();
}
