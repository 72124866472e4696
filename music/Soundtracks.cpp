#include "music/Soundtracks.h"

#include "music/Song.h"

void Soundtracks::play(const Song* song, int)
{
    if (song == nullptr || song->samples.empty()) {
        return;
    }
    m_song = song;
}

void Soundtracks::update(bool)
{
}

bool Soundtracks::isPlaying() const
{
    return m_song != nullptr;
}
