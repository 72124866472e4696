#include "sound/OpenALSoundPlayer.h"

#include "sound/OpenALSoundHAL.h"
#include "sound/SoundSystem.h"

#include "base/Debug.h"

#include <algorithm>
#include <cstring>

namespace egret
{

namespace
{

constexpr int requestSite = 3101;
constexpr int bufferSite = 3102;
constexpr int updateSite = 3103;
// Device buffers of 8 units, refilled by a quarter at most.
constexpr std::uint32_t unitsPerBuffer = 8;
// Looping voices fade out between the square of their audible range and 1.5 times it.
constexpr float fadeEndFactor = 1.5f;
// A huge maximum: fading with distance never stops.
constexpr float noMaximumDistance = 1e9f;

}

OpenALSoundPlayer::OpenALSoundPlayer(const SoundFormat& format, plat::PositionalControl control)
    : m_format(format), m_control(control)
{
}

OpenALSoundPlayer::~OpenALSoundPlayer()
{
    releaseBuffer();
}

bool OpenALSoundPlayer::play(const heron::counted_ptr<SoundBuffer>& samples, const PlayParams& params)
{
    auto* const buffer = dynamic_cast<OpenALSoundBuffer*>(samples.get());
    if (!buffer || !buffer->isLoaded()) {
        return false;
    }
    const SoundFormat format = buffer->format();
    if (!samePlayback(format, m_format)) {
        heron::debug("SoundPlayer::play() - refused samples of %u channels, %u bits, %u Hz on a voice of %u "
                     "channels, %u bits, %u Hz\n",
                     format.channels, format.bits, format.rate, m_format.channels, m_format.bits, m_format.rate);
        return false;
    }
    heron::MutexLock lock(m_requestLock, requestSite);
    m_playSamples = heron::counted_ptr<OpenALSoundBuffer>(buffer);
    m_playParams = params;
    m_playPending = true;
    m_status = PlayerStatus::Requested;
    return true;
}

void OpenALSoundPlayer::stop()
{
    heron::MutexLock lock(m_requestLock, requestSite);
    m_stopPending = true;
}

void OpenALSoundPlayer::setMotion(const Motion& motion)
{
    heron::MutexLock lock(m_requestLock, requestSite);
    m_pendingMotion = motion;
    m_motionPending = true;
}

void OpenALSoundPlayer::update(OpenALSoundHAL& hal)
{
    createBuffer(hal);
    takeMotion();
    takeRequests();
    refill(hal.unit());
    fadeByDistance(hal.listenerPosition());
}

void OpenALSoundPlayer::releaseBuffer()
{
    heron::MutexLock lock(m_bufferLock, bufferSite);
    if (!m_buffer) {
        return;
    }
    m_buffer->stop();
    m_buffer.reset();
    m_playing = false;
    m_status = PlayerStatus::Idle;
    heron::debug("DirectSoundSoundPlayer destroyed\n");
}

void OpenALSoundPlayer::createBuffer(OpenALSoundHAL& hal)
{
    if (m_creationTried) {
        return;
    }
    m_creationTried = true;
    heron::debug("Creating a DirectSound SoundPlayer....#%d\n", hal.playerBufferCount());
    heron::MutexLock lock(m_bufferLock, bufferSite);
    m_buffer = hal.device()->createBuffer(audioFormatOf(m_format), hal.unit() * unitsPerBuffer, m_control);
    if (!m_buffer) {
        heron::debug("\n\n\nDirectSoundSoundPlayer::createBuffer() - %s\n", "");
        return;
    }
    if (m_control == plat::PositionalControl::No) {
        return;
    }
    // The log keeps the device layer's established wording, line ends included.
    heron::debug(m_buffer->hasPositionalControl() ? "!!!!3D sound is being done in software\n"
                                                  : "Failed to create a 3D sound buffer");
}

void OpenALSoundPlayer::takeMotion()
{
    {
        heron::MutexLock lock(m_requestLock, updateSite);
        if (!m_motionPending) {
            return;
        }
        m_motion = m_pendingMotion;
        m_motionPending = false;
    }
    sendMotion();
}

void OpenALSoundPlayer::takeRequests()
{
    heron::counted_ptr<OpenALSoundBuffer> samples;
    PlayParams params;
    bool stopping = false;
    {
        heron::MutexLock lock(m_requestLock, updateSite);
        if (!m_stopPending && !m_playPending) {
            return;
        }
        stopping = m_stopPending;
        if (!stopping) {
            samples = m_playSamples;
            params = m_playParams;
        }
        m_playSamples.reset();
        m_stopPending = false;
        m_playPending = false;
    }
    if (stopping) {
        stopVoice();
        return;
    }
    start(samples, params);
}

void OpenALSoundPlayer::start(const heron::counted_ptr<OpenALSoundBuffer>& samples, const PlayParams& params)
{
    if (!m_buffer) {
        return;
    }
    m_buffer->stop();
    m_writeOffset = 0;
    if (!m_buffer->setPlayCursor(0)) {
        heron::debug("OpenALSoundPlayer: the voice's play cursor could not be set to its start\n");
    }
    m_mode = Mode::Samples;
    m_samples = samples;
    m_readOffset = 0;
    m_looping = params.looping;
    m_stopAfterWrite = false;
    write(m_buffer->size() / 4);
    if (m_buffer->hasPositionalControl()) {
        sendMotion();
        m_buffer->setMode(params.positional ? plat::PositionalMode::Positional : plat::PositionalMode::Flat);
        m_buffer->setDistances(params.distance, noMaximumDistance);
    }
    m_params = params;
    m_buffer->setVolume(volumeToAttenuation(params.volume));
    m_playing = m_buffer->play();
    if (m_playing) {
        m_pausedByDistance = false;
        setStatusUnlessRequested(m_mode == Mode::Samples ? PlayerStatus::Playing : PlayerStatus::Draining);
    }
}

void OpenALSoundPlayer::stopVoice()
{
    if (m_buffer) {
        m_buffer->stop();
    }
    m_playing = false;
    m_samples.reset();
    setStatusUnlessRequested(PlayerStatus::Idle);
}

void OpenALSoundPlayer::refill(std::uint32_t unit)
{
    std::uint32_t play = 0;
    std::uint32_t writeCursor = 0;
    if (!m_playing || !m_buffer || !m_buffer->cursors(play, writeCursor)) {
        return;
    }
    const std::uint32_t size = m_buffer->size();
    const std::uint32_t free = play >= m_writeOffset ? play - m_writeOffset : play + size - m_writeOffset;
    if (free > size - unit) {
        heron::debug("Not enough magic in DirectSoundPlayer!\n");
    }
    write(std::min(free, size / 4));
}

void OpenALSoundPlayer::fadeByDistance(const SoundVector& listener)
{
    if (!m_playing || !m_params.positional || !m_params.looping || !(m_params.volume > 0.0f) ||
        !(m_params.distance > 0.0f)) {
        return;
    }
    const float d2 = distanceSquared(listener, m_motion.position);
    const float r2 = m_params.distance * m_params.distance * audibleRangeSquaredFactor;
    const float outer = fadeEndFactor * r2;
    if (d2 > outer) {
        if (!m_pausedByDistance) {
            m_buffer->stop();
            m_pausedByDistance = true;
        }
        return;
    }
    const float volume = d2 <= r2 ? m_params.volume : m_params.volume * (outer - d2) / (outer - r2);
    m_buffer->setVolume(volumeToAttenuation(volume));
    if (m_pausedByDistance) {
        m_playing = m_buffer->play();
        m_pausedByDistance = false;
    }
}

// Writes bytes (rounded down to whole frames) at the write offset and moves it on.
void OpenALSoundPlayer::write(std::uint32_t bytes)
{
    bytes = bytes >> m_format.frameShift << m_format.frameShift;
    if (bytes == 0) {
        return;
    }
    const bool written = m_buffer->write(m_writeOffset, bytes, [this](std::uint8_t* dest, std::uint32_t n, plat::BufferRegion) {
        produce(dest, n);
    });
    if (!written) {
        return;
    }
    m_writeOffset = (m_writeOffset + bytes) % m_buffer->size();
    if (m_stopAfterWrite) {
        m_stopAfterWrite = false;
        stopVoice();
    }
}

void OpenALSoundPlayer::produce(std::uint8_t* dest, std::uint32_t bytes)
{
    while (bytes > 0) {
        const std::uint32_t made = m_mode == Mode::Samples ? copySamples(dest, bytes) : writeSilence(dest, bytes);
        dest += made;
        bytes -= made;
    }
}

// Copies from the samples at the read offset, from their start again when looping. At the end of
// a one-shot sound it copies nothing and turns to silence.
std::uint32_t OpenALSoundPlayer::copySamples(std::uint8_t* dest, std::uint32_t bytes)
{
    const heron::ByteBuffer* const block = m_samples ? m_samples->samples() : nullptr;
    const std::size_t size = block ? block->size() : 0;
    if (m_readOffset >= size && m_looping && size > 0) {
        m_readOffset = 0;
    }
    if (m_readOffset >= size) {
        m_samples.reset();
        m_mode = Mode::Silence;
        m_silenceWritten = 0;
        setStatusUnlessRequested(PlayerStatus::Draining);
        return 0;
    }
    const std::uint32_t n = static_cast<std::uint32_t>(std::min<std::size_t>(bytes, size - m_readOffset));
    std::memcpy(dest, block->data() + m_readOffset, n);
    m_readOffset += n;
    return n;
}

// Silence, counted; once more than two buffers of it have gone out the voice stops after this write.
std::uint32_t OpenALSoundPlayer::writeSilence(std::uint8_t* dest, std::uint32_t bytes)
{
    std::memset(dest, 0, bytes);
    if (m_silenceWritten > 2 * m_buffer->size()) {
        m_stopAfterWrite = true;
    } else {
        m_silenceWritten += bytes;
    }
    return bytes;
}

void OpenALSoundPlayer::sendMotion()
{
    if (m_buffer && m_buffer->hasPositionalControl()) {
        m_buffer->setPosition(m_motion.position);
        m_buffer->setVelocity(m_motion.velocity);
    }
}

void OpenALSoundPlayer::setStatusUnlessRequested(PlayerStatus status)
{
    heron::MutexLock lock(m_requestLock, updateSite);
    if (!m_playPending) {
        m_status = status;
    }
}

}
