#include "platform/OpenALAudioBuffer.h"

#include "platform/OpenALAudioDevice.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace plat
{

namespace
{

constexpr int lockSite = 2311;
// Segments of 20 ms: with four queued the write cursor leads the play cursor by up to 80 ms.
constexpr int segmentsPerSecond = 50;
constexpr int silentHundredthsOfDb = -10000;

bool alSucceeded()
{
    return alGetError() == AL_NO_ERROR;
}

}

ALenum OpenALAudioBuffer::alFormatOf(const AudioFormat& format)
{
    if (format.bits != 16 || format.rate <= 0) {
        return AL_NONE;
    }
    if (format.channels == 1) {
        return AL_FORMAT_MONO16;
    }
    return format.channels == 2 ? AL_FORMAT_STEREO16 : AL_NONE;
}

std::array<ALfloat, 3> OpenALAudioBuffer::toOpenAL(const AudioVector& v)
{
    return {v.x, v.z, -v.y};
}

OpenALAudioBuffer::OpenALAudioBuffer(OpenALAudioDevice& device, const AudioFormat& format, std::uint32_t bytes,
                                     PositionalControl control, ALuint source,
                                     const std::array<ALuint, segmentCount>& segments)
    : m_device(device),
      m_format(format),
      m_alFormat(alFormatOf(format)),
      m_ring(bytes, 0),
      m_control(control),
      m_source(source),
      m_free(segments.begin(), segments.end())
{
    const std::uint32_t frame = format.bytesPerFrame();
    m_segmentBytes = std::max<std::uint32_t>(frame, format.rate / segmentsPerSecond * frame);
    alSourcei(m_source, AL_LOOPING, AL_FALSE);
    alSourcef(m_source, AL_ROLLOFF_FACTOR, device.m_rolloff);
    alSourcef(m_source, AL_MAX_DISTANCE, FLT_MAX);
    applyPlacementLocked();
}

OpenALAudioBuffer::~OpenALAudioBuffer()
{
    heron::MutexLock lock(m_device.m_lock, lockSite);
    std::erase(m_device.m_buffers, this);
    alSourceStop(m_source);
    alSourcei(m_source, AL_BUFFER, 0);
    alDeleteSources(1, &m_source);
    for (const Segment& segment : m_queued) {
        m_free.push_back(segment.name);
    }
    alDeleteBuffers(static_cast<ALsizei>(m_free.size()), m_free.data());
    alGetError();
}

bool OpenALAudioBuffer::cursors(std::uint32_t& play, std::uint32_t& write)
{
    heron::MutexLock lock(m_device.m_lock, lockSite);
    alGetError();
    play = playCursorLocked();
    write = m_playing ? m_queuedEnd : play;
    return alSucceeded();
}

bool OpenALAudioBuffer::setPlayCursor(std::uint32_t offset)
{
    heron::MutexLock lock(m_device.m_lock, lockSite);
    const std::uint32_t frame = m_format.bytesPerFrame();
    const std::uint32_t at = offset % size() / frame * frame;
    if (!m_playing) {
        m_base = m_queuedEnd = at;
        return true;
    }
    stopLocked();
    m_base = m_queuedEnd = at;
    return startLocked();
}

bool OpenALAudioBuffer::write(std::uint32_t offset, std::uint32_t bytes, const RegionFill& fill)
{
    heron::MutexLock lock(m_device.m_lock, lockSite);
    offset %= size();
    bytes = std::min(bytes, size());
    const std::uint32_t first = std::min(bytes, size() - offset);
    fill(m_ring.data() + offset, first, BufferRegion::First);
    if (bytes > first) {
        fill(m_ring.data(), bytes - first, BufferRegion::Next);
    }
    return true;
}

bool OpenALAudioBuffer::play()
{
    heron::MutexLock lock(m_device.m_lock, lockSite);
    return m_playing || startLocked();
}

void OpenALAudioBuffer::stop()
{
    heron::MutexLock lock(m_device.m_lock, lockSite);
    stopLocked();
}

bool OpenALAudioBuffer::isPlaying()
{
    heron::MutexLock lock(m_device.m_lock, lockSite);
    return m_playing;
}

void OpenALAudioBuffer::setVolume(int hundredthsOfDb)
{
    const int level = std::clamp(hundredthsOfDb, silentHundredthsOfDb, 0);
    heron::MutexLock lock(m_device.m_lock, lockSite);
    alSourcef(m_source, AL_GAIN, static_cast<ALfloat>(std::pow(10.0, level / 2000.0)));
}

void OpenALAudioBuffer::setMode(PositionalMode mode)
{
    heron::MutexLock lock(m_device.m_lock, lockSite);
    m_mode = mode;
    applyPlacementLocked();
}

void OpenALAudioBuffer::setPosition(const AudioVector& position)
{
    heron::MutexLock lock(m_device.m_lock, lockSite);
    m_position = position;
    applyPlacementLocked();
}

void OpenALAudioBuffer::setVelocity(const AudioVector& velocity)
{
    heron::MutexLock lock(m_device.m_lock, lockSite);
    m_velocity = velocity;
    applyPlacementLocked();
}

void OpenALAudioBuffer::setDistances(float minimum, float maximum)
{
    if (!hasPositionalControl()) {
        return;
    }
    heron::MutexLock lock(m_device.m_lock, lockSite);
    alSourcef(m_source, AL_REFERENCE_DISTANCE, minimum);
    alSourcef(m_source, AL_MAX_DISTANCE, maximum);
}

void OpenALAudioBuffer::pumpLocked()
{
    if (!m_playing) {
        return;
    }
    unqueuePlayedLocked();
    queueLocked();
    ALint state = AL_STOPPED;
    alGetSourcei(m_source, AL_SOURCE_STATE, &state);
    if (state != AL_PLAYING) {
        alSourcePlay(m_source);
    }
    alGetError();
}

void OpenALAudioBuffer::setRolloffLocked(float rolloff)
{
    if (hasPositionalControl()) {
        alSourcef(m_source, AL_ROLLOFF_FACTOR, rolloff);
    }
}

std::uint32_t OpenALAudioBuffer::playCursorLocked()
{
    if (!m_playing) {
        return m_base;
    }
    ALint state = AL_STOPPED;
    ALint offset = 0;
    alGetSourcei(m_source, AL_SOURCE_STATE, &state);
    alGetSourcei(m_source, AL_BYTE_OFFSET, &offset);
    if (state != AL_PLAYING) {
        return m_queuedEnd;     // ran dry: everything queued has been played
    }
    return static_cast<std::uint32_t>((m_base + static_cast<std::uint64_t>(std::max(offset, 0))) % size());
}

void OpenALAudioBuffer::unqueuePlayedLocked()
{
    ALint played = 0;
    alGetSourcei(m_source, AL_BUFFERS_PROCESSED, &played);
    for (; played > 0 && !m_queued.empty(); --played) {
        ALuint name = 0;
        alSourceUnqueueBuffers(m_source, 1, &name);
        const Segment segment = m_queued.front();
        m_queued.pop_front();
        m_base = (m_base + segment.bytes) % size();
        m_queuedBytes -= segment.bytes;
        m_free.push_back(segment.name);
    }
}

// Queues segments from the write cursor on while segments are free, always leaving more than
// one segment of the ring unqueued so that the queue never laps the ring.
void OpenALAudioBuffer::queueLocked()
{
    while (!m_free.empty()) {
        const std::uint32_t bytes = std::min(m_segmentBytes, size() - m_queuedEnd);
        if (m_queuedBytes + bytes + m_segmentBytes > size()) {
            return;
        }
        const ALuint name = m_free.back();
        m_free.pop_back();
        alBufferData(name, m_alFormat, m_ring.data() + m_queuedEnd, static_cast<ALsizei>(bytes), m_format.rate);
        alSourceQueueBuffers(m_source, 1, &name);
        m_queued.push_back({name, bytes});
        m_queuedBytes += bytes;
        m_queuedEnd = (m_queuedEnd + bytes) % size();
    }
}

bool OpenALAudioBuffer::startLocked()
{
    alGetError();
    m_queuedEnd = m_base;
    queueLocked();
    alSourcePlay(m_source);
    m_playing = alSucceeded();
    return m_playing;
}

void OpenALAudioBuffer::stopLocked()
{
    if (!m_playing) {
        return;
    }
    const std::uint32_t at = playCursorLocked();
    alSourceStop(m_source);
    alSourcei(m_source, AL_BUFFER, 0);
    for (const Segment& segment : m_queued) {
        m_free.push_back(segment.name);
    }
    m_queued.clear();
    m_queuedBytes = 0;
    m_base = m_queuedEnd = at;
    m_playing = false;
    alGetError();
}

void OpenALAudioBuffer::applyPlacementLocked()
{
    const bool placed = hasPositionalControl() && m_mode == PositionalMode::Positional;
    const AudioVector origin;
    const std::array<ALfloat, 3> position = toOpenAL(placed ? m_position : origin);
    const std::array<ALfloat, 3> velocity = toOpenAL(placed ? m_velocity : origin);
    alSourcei(m_source, AL_SOURCE_RELATIVE, placed ? AL_FALSE : AL_TRUE);
    alSourcefv(m_source, AL_POSITION, position.data());
    alSourcefv(m_source, AL_VELOCITY, velocity.data());
}

}
