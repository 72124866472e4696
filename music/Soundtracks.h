#pragma once

struct Song;

// One of the logic's three music tracks (first song, second song, ambient): the song it was told
// to play. Main thread only.
class Soundtracks
{
public:
    // option 1 plays the song as an ambient one.
    void play(const Song* song, int option);
    // One frame; quiet asks an ambient track to come in because no other track plays.
    void update(bool quiet);
    void stop() { m_song = nullptr; }
    bool isPlaying() const;
    const Song* song() const { return m_song; }

private:
    const Song* m_song = nullptr;
};
