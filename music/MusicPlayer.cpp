#include "music/MusicPlayer.h"

#include "base/Debug.h"
#include "music/Song.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <string>

namespace
{

// Phrase ends that do not name a marker: the sample's first frame and its end.
constexpr std::int32_t sampleStart = -2;
constexpr std::int32_t sampleEnd = -1;

// The frame a phrase end names in a sample: its first frame, the end (toEnd) or one of its markers;
// none for a marker the sample lacks.
std::optional<std::int64_t> segmentFrame(const Song::Sample& sample, std::int32_t index)
{
    if (index == sampleStart) {
        return 0;
    }
    if (index == sampleEnd) {
        return MusicPlayer::MusicSource::toEnd;
    }
    if (index < 0 || static_cast<std::size_t>(index) >= sample.markers.size()) {
        return std::nullopt;
    }
    return sample.markers[static_cast<std::size_t>(index)];
}

const Song& musicOf(const Song& song, const Song* ringSong)
{
    return song.playRing && ringSong != nullptr ? *ringSong : song;
}

heron_string musicName(const Song& song)
{
    std::string text = song.name.c_str();
    for (const Song::Sample& sample : song.samples) {
        text += std::string(":") + sample.file.c_str();
    }
    text += ":phrases";
    for (const auto& phrase : song.phrases) {
        text += ":" + std::to_string(phrase[0]) + ":" + std::to_string(phrase[1]) + ":" + std::to_string(phrase[2]);
    }
    text += ":song";
    for (const auto& pair : song.sings) {
        text += ":" + std::to_string(pair[0]) + ":" + std::to_string(pair[1]);
    }
    return heron_string(text.c_str());
}

}

MusicPlayer::MusicPlayer(const Song& song, const Song* ringSong)
    : minvolSpeed(song.minvolSpeed),
      maxvolSpeed(song.maxvolSpeed),
      volume(song.volume),
      fadeTime(song.fadeTime),
      crossfadeTime(song.crossfadeTime),
      source(new MusicSource(musicOf(song, ringSong)))
{
}

MusicPlayer::MusicSource::MusicSource(const Song& song) : m_song(song), m_name(musicName(song))
{
    // The song's own loop is not this source's to keep alive.
    m_song.loopSource = {};
    // The sample's file name is read here, not on the sound thread that may log it.
    if (!song.samples.empty()) {
        m_errorName = song.samples.front().file.name();
    }
}

MusicPlayer::MusicSource::~MusicSource()
{
    close();
}

const egret::SoundFormat& MusicPlayer::MusicSource::format()
{
    static const egret::SoundFormat stereo = egret::stereo16Format;
    return stereo;
}

const heron_string& MusicPlayer::MusicSource::name()
{
    return m_name;
}

bool MusicPlayer::MusicSource::hasMusic() const
{
    return !m_song.samples.empty() && !m_song.phrases.empty();
}

void MusicPlayer::MusicSource::rewind()
{
    m_sample = {};
    m_closed = false;
    m_framesLeft = 0;
    m_passFrames = 0;
    m_position = 0;
    m_repeatsLeft = 1;
    m_nextPair = 0;
}

void MusicPlayer::MusicSource::close()
{
    if (m_sample) {
        m_sample->close();
        m_sample = {};
    }
    m_closed = true;
}

int MusicPlayer::MusicSource::read(int frames, void* buffer)
{
    auto* out = static_cast<std::uint8_t*>(buffer);
    int written = 0;
    while (!m_closed && written < frames) {
        if (m_sample) {
            const int got = readSegment(frames - written, out + (static_cast<std::size_t>(written) << 2));
            if (got < 0) {
                fail();
                return 0;
            }
            written += got;
        }
        if (m_framesLeft == 0 && !endPass()) {
            return written;
        }
    }
    return written;
}

int MusicPlayer::MusicSource::readSegment(int frames, std::uint8_t* buffer)
{
    const int wanted = static_cast<int>(std::min<std::int64_t>(frames, m_framesLeft));
    m_sample->seek(static_cast<int>(std::min<std::int64_t>(m_position, std::numeric_limits<int>::max())));
    const int got = wanted > 0 ? std::clamp(m_sample->read(wanted, buffer), 0, wanted) : 0;
    m_position += got;
    m_passFrames += got;
    if (got < wanted) {
        if (m_framesLeft != toEnd) {
            return -1;
        }
        m_framesLeft = got;
    }
    if (m_framesLeft != toEnd) {
        m_framesLeft -= got;
    }
    return got;
}

bool MusicPlayer::MusicSource::endPass()
{
    // A count of 0 or less repeats the segment for ever, unless a pass over it yields nothing:
    // then it could never end, and the pair is finished.
    const bool endless = m_repeatsLeft <= 0;
    if (endless && m_passFrames > 0) {
        restartSegment();
        return true;
    }
    if (!endless && --m_repeatsLeft > 0) {
        restartSegment();
        return true;
    }
    return startNextPair();
}

bool MusicPlayer::MusicSource::startNextPair()
{
    if (m_nextPair >= m_song.sings.size()) {
        close();
        return false;
    }
    const auto& pair = m_song.sings[m_nextPair];
    if (pair[0] < 0 || static_cast<std::size_t>(pair[0]) >= m_song.phrases.size()) {
        return endBadly("a missing phrase");
    }
    const auto& phrase = m_song.phrases[static_cast<std::size_t>(pair[0])];
    if (phrase[0] < 0 || static_cast<std::size_t>(phrase[0]) >= m_song.samples.size()) {
        return endBadly("a missing sample");
    }
    Song::Sample& entry = m_song.samples[static_cast<std::size_t>(phrase[0])];
    const std::optional<std::int64_t> start = segmentFrame(entry, phrase[1]);
    const std::optional<std::int64_t> end = segmentFrame(entry, phrase[2]);
    if (!start || !end) {
        return endBadly("a missing marker");
    }
    const heron::counted_ptr<egret::SoundDataSource> sample = entry.source();
    if (!sample || *end < *start) {
        close();
        return false;
    }
    if (!(sample == m_sample)) {
        close();
        m_closed = false;
        m_sample = sample;
        m_sample->rewind();
    }
    m_segmentStart = *start;
    m_segmentEnd = *end;
    m_repeatsLeft = pair[1];
    ++m_nextPair;
    restartSegment();
    return true;
}

void MusicPlayer::MusicSource::restartSegment()
{
    m_position = m_segmentStart;
    m_framesLeft = m_segmentEnd == toEnd ? toEnd : m_segmentEnd - m_segmentStart;
    m_passFrames = 0;
}

bool MusicPlayer::MusicSource::endBadly(const char* missing)
{
    heron::debug("Song %s: its order names %s; the music ends here\n", m_song.name.c_str(), missing);
    close();
    return false;
}

void MusicPlayer::MusicSource::fail()
{
    heron::debug("%s  error!\n", m_errorName.c_str());
    close();
}
