#include "music/Soundtracks.h"

#include "base/Debug.h"
#include "music/Song.h"
#include "sound/SoundSystem.h"

#include <algorithm>
#include <cmath>
#include <cstring>

Soundtracks::Soundtracks(egret::SoundSystem* system) : m_system(system)
{
    heron::debug("++soundtracks\n");
}

Soundtracks::~Soundtracks()
{
    heron::debug("--soundtracks\n");
    for (Slot& slot : m_slots) {
        slot.stream.release();
    }
}

bool Soundtracks::makeStreams()
{
    if (m_slots[0].stream) {
        return true;
    }
    if (m_system == nullptr && egret::SoundSystem::hasDied()) {
        return false;
    }
    egret::SoundSystem& system = m_system != nullptr ? *m_system : egret::SoundSystem::instance();
    for (Slot& slot : m_slots) {
        slot.stream = egret::Streamer::create(system, egret::stereo16Format, egret::StreamKind::Long);
    }
    return static_cast<bool>(m_slots[0].stream);
}

std::int32_t Soundtracks::volumeForSpeed(const MusicPlayer& player, double speed)
{
    const double min = player.minvolSpeed;
    const double max = player.maxvolSpeed;
    if (max == min) {
        return std::abs(std::trunc(speed)) >= min ? std::clamp(player.volume, 0, 100) : 0;
    }
    const double volume = (std::abs(speed) - min) * player.volume / (max - min);
    return static_cast<std::int32_t>(std::clamp(std::trunc(volume), 0.0, 100.0));
}

bool Soundtracks::sounds(const Slot& slot, const MusicPlayer& player) const
{
    return slot.player && std::strcmp(slot.player->source->name().c_str(), player.source->name().c_str()) == 0 &&
           !slot.stream.isFinished();
}

void Soundtracks::stopSlot(Slot& slot)
{
    if (!slot.player) {
        return;
    }
    slot.stream.stop();
    slot.player = {};
}

void Soundtracks::fadeOut(Slot& slot, std::int32_t milliseconds)
{
    slot.stream.setVolume(0.0f, static_cast<float>(milliseconds) * 0.001f, egret::AtZero::Stop);
}

void Soundtracks::play(Song* song, double speed, Song* ringSong)
{
    if (song == nullptr || !makeStreams()) {
        return;
    }
    const bool wanted = (song->enable || song->playRing) && !(song->oncePerLevel && song->playedOnce);
    if (!wanted) {
        if (song->disable && m_slots[0].player) {
            stopSlot(m_slots[1]);
            fadeOut(m_slots[0], m_slots[0].player->fadeTime);
            swapSlots();
        }
        return;
    }
    const heron::counted_ptr<MusicPlayer> player(new MusicPlayer(*song, ringSong));
    if (!player->hasMusic()) {
        return;
    }
    const bool onIn1 = sounds(m_slots[0], *player);
    const bool onIn2 = sounds(m_slots[1], *player);
    song->playedOnce = true;
    if (m_slots[0].player && !onIn2) {
        stopSlot(m_slots[1]);
    }
    if (m_slots[0].player && player->crossfadeTime > 0) {
        if (onIn1) {
            return;
        }
        fadeOut(m_slots[0], player->crossfadeTime);
        swapSlots();
    }
    if (onIn1 || onIn2) {
        return;
    }
    Slot& slot = m_slots[0];
    slot.previous = slot.player;
    slot.player = player;
    startSlot(slot, static_cast<float>(volumeForSpeed(*player, speed)) * 0.01f);
}

void Soundtracks::startSlot(Slot& slot, float volume)
{
    slot.stream.requestPlay(slot.player->source, volume, plat::PositionalMode::Flat);
}

void Soundtracks::update(bool forceFullVolume, double speed)
{
    Slot& first = m_slots[0];
    if (first.player) {
        const std::int32_t volume =
            forceFullVolume ? first.player->volume : volumeForSpeed(*first.player, speed);
        if (!first.stream.hasSound() && volume > 0 && !first.stream.isFinished()) {
            startSlot(first, static_cast<float>(volume) * 0.01f);
        }
    }
    if (!m_slots[1].stream.hasSound()) {
        stopSlot(m_slots[1]);
    }
}

void Soundtracks::stop()
{
    for (Slot& slot : m_slots) {
        stopSlot(slot);
        slot.stream.stop();
    }
}

bool Soundtracks::isPlaying() const
{
    return m_slots[0].stream.hasSound();
}
