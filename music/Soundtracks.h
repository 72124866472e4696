#pragma once

#include "base/counted_ptr.h"
#include "music/MusicPlayer.h"
#include "sound/Streamer.h"

#include <array>
#include <utility>
#include <cstdint>

struct Song;

namespace egret
{
class SoundSystem;
}

// One of the logic's three music tracks (first song, second song, ambient): it streams the song
// of the zone entered. A new song starts in slot 1; a crossfade or a fade moves the old one to
// slot 2, where it fades out. The streams are made on the first song played. Main thread only.
class Soundtracks
{
public:
    // system: where the streams are made; null for the program's sound system.
    explicit Soundtracks(egret::SoundSystem* system = nullptr);
    ~Soundtracks();
    Soundtracks(const Soundtracks&) = delete;
    Soundtracks& operator=(const Soundtracks&) = delete;

    // The zone entered has this song for the track; speed is the flight speed the volume follows.
    // ringSong: what a song marked to play the ring song plays, none when there is none.
    void play(Song* song, double speed, Song* ringSong = nullptr);
    // One frame; forceFullVolume plays at the song's own volume whatever the speed (an ambient
    // track while no other track plays).
    void update(bool forceFullVolume, double speed);
    void stop();
    // Whether slot 1 asks for or plays a sound.
    bool isPlaying() const;
    // The player in slot 1, empty when it plays nothing.
    const heron::counted_ptr<MusicPlayer>& player() const { return m_slots[0].player; }

    // The volume in percent, 0..100, that a player has at a flight speed: rising linearly from its
    // minimum-volume speed to its maximum-volume speed, or full from that speed on when they are
    // equal.
    static std::int32_t volumeForSpeed(const MusicPlayer& player, double speed);

private:
    struct Slot
    {
        egret::Streamer stream;
        heron::counted_ptr<MusicPlayer> player;
        // The player last replaced, kept alive until the next replacement.
        heron::counted_ptr<MusicPlayer> previous;
    };

    bool makeStreams();
    // Whether a slot sounds the music of a player already.
    bool sounds(const Slot& slot, const MusicPlayer& player) const;
    void stopSlot(Slot& slot);
    // Fades the slot's stream to silence and stops it there.
    void fadeOut(Slot& slot, std::int32_t milliseconds);
    void startSlot(Slot& slot, float volume);
    void swapSlots() { std::swap(m_slots[0], m_slots[1]); }

    egret::SoundSystem* m_system;
    std::array<Slot, 2> m_slots;
};
