#pragma once

#include "base/counted_ptr.h"
#include "base/heron_string.h"
#include "music/Song.h"
#include "sound/SoundDataSource.h"

#include <cstdint>
#include <cstddef>

// A song with its volume settings, as a soundtrack holds it: the source that plays the song's
// order of phrases once through, and the volumes and fades copied from the song.
class MusicPlayer
{
public:
    // The whole song order of a song as one stream of stereo 16-bit frames: each pair plays its
    // phrase (a segment of a sample between two markers) the pair's count of times, then the
    // next pair; after the last pair the source closes itself. Made on the main thread and read
    // by one sound thread. It plays a copy of the song taken when it is made: a stream's feeder
    // may still be reading it after the stream has stopped, when the world and its songs are gone.
    class MusicSource : public egret::SoundDataSource
    {
    public:
        // Frames left that mean "to the end of the sample".
        static constexpr std::int64_t toEnd = 1000000000;

        explicit MusicSource(const Song& song);
        ~MusicSource() override;

        const egret::SoundFormat& format() override;
        void rewind() override;
        int read(int frames, void* buffer) override;
        void close() override;
        const heron_string& name() override;

        // Whether the song has something to play: a sample and a phrase.
        bool hasMusic() const;

    private:
        // Takes the next pair of the song order; false when the music ends there.
        bool startNextPair();
        // At the end of a pass over the segment: another pass or the next pair; false when the
        // music ends.
        bool endPass();
        // Positions the current sample at the start of the segment for another pass over it.
        void restartSegment();
        // Logs a song order that names what the song lacks and ends the music.
        bool endBadly(const char* missing);
        // Reads up to frames frames of the segment into buffer; -1 when the sample ends early.
        int readSegment(int frames, std::uint8_t* buffer);
        void fail();

        // A sample the song had not decoded yet is fetched into this copy, for this source alone.
        Song m_song;
        heron::counted_ptr<egret::SoundDataSource> m_sample;
        heron_string m_name;
        heron_string m_errorName;
        bool m_closed = false;
        std::int32_t m_repeatsLeft = 1;
        std::int64_t m_segmentStart = 0;
        std::int64_t m_segmentEnd = 0;
        std::int64_t m_framesLeft = 0;
        std::int64_t m_position = 0;
        // Frames the current pass over the segment has yielded.
        std::int64_t m_passFrames = 0;
        std::size_t m_nextPair = 0;
    };

    // Plays song with its volume settings; a song marked to play the ring song plays ringSong
    // instead, when there is one, still with the song's settings.
    explicit MusicPlayer(const Song& song, const Song* ringSong = nullptr);
    // Whether the source has something to play: a sample and a phrase.
    bool hasMusic() const { return source->hasMusic(); }

    float minvolSpeed;
    float maxvolSpeed;
    std::int32_t volume;
    std::int32_t fadeTime;
    std::int32_t crossfadeTime;
    heron::counted_ptr<MusicSource> source;
};
