#include "platform/OpenALAudioDevice.h"

#include "base/Debug.h"

#include <AL/al.h>

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <deque>

namespace plat
{

namespace
{

constexpr int lockSite = 2301;
constexpr int pumpLockSite = 2302;
constexpr int listenerLockSite = 2303;
// Segments of 20 ms, four of them queued: the write cursor leads the play cursor by up to 80 ms.
constexpr int segmentsPerSecond = 50;
constexpr std::size_t segmentsQueued = 4;
constexpr unsigned pumpPeriodMs = 5;
constexpr int pumpPriority = 3;
constexpr int silentHundredthsOfDb = -10000;

ALenum alFormatOf(const AudioFormat& format)
{
    if (format.bits != 16 || format.rate <= 0) {
        return AL_NONE;
    }
    if (format.channels == 1) {
        return AL_FORMAT_MONO16;
    }
    return format.channels == 2 ? AL_FORMAT_STEREO16 : AL_NONE;
}

// OpenAL is right-handed with y up and the listener looking down -z by default.
std::array<ALfloat, 3> toOpenAL(const AudioVector& v)
{
    return {v.x, v.z, -v.y};
}

bool alSucceeded()
{
    return alGetError() == AL_NO_ERROR;
}

}

// The pump thread's work: a refill round every few milliseconds.
class OpenALPump : public heron::Threadable
{
public:
    explicit OpenALPump(OpenALAudioDevice& device) : m_device(device) {}

    int run() override
    {
        while (!stopFlag) {
            m_device.pump();
            heron::sleepMs(pumpPeriodMs);
        }
        return 0;
    }

private:
    OpenALAudioDevice& m_device;
};

// A looping buffer: its ring, its source and the segments queued on the source. Everything is
// touched under the device's lock.
class OpenALAudioBuffer : public AudioBuffer
{
public:
    OpenALAudioBuffer(OpenALAudioDevice& device, const AudioFormat& format, std::uint32_t bytes,
                      PositionalControl control, ALuint source, const std::array<ALuint, segmentsQueued>& segments)
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

    ~OpenALAudioBuffer() override
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

    std::uint32_t size() const override { return static_cast<std::uint32_t>(m_ring.size()); }
    bool hasPositionalControl() const override { return m_control == PositionalControl::Yes; }

    bool cursors(std::uint32_t& play, std::uint32_t& write) override
    {
        heron::MutexLock lock(m_device.m_lock, lockSite);
        play = playCursorLocked();
        write = m_playing ? m_queuedEnd : play;
        return alSucceeded();
    }

    bool setPlayCursor(std::uint32_t offset) override
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

    bool write(std::uint32_t offset, std::uint32_t bytes, const RegionFill& fill) override
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

    bool play() override
    {
        heron::MutexLock lock(m_device.m_lock, lockSite);
        return m_playing || startLocked();
    }

    void stop() override
    {
        heron::MutexLock lock(m_device.m_lock, lockSite);
        stopLocked();
    }

    bool isPlaying() override
    {
        heron::MutexLock lock(m_device.m_lock, lockSite);
        return m_playing;
    }

    void setVolume(int hundredthsOfDb) override
    {
        const int level = std::clamp(hundredthsOfDb, silentHundredthsOfDb, 0);
        heron::MutexLock lock(m_device.m_lock, lockSite);
        alSourcef(m_source, AL_GAIN, static_cast<ALfloat>(std::pow(10.0, level / 2000.0)));
    }

    void setMode(PositionalMode mode) override
    {
        heron::MutexLock lock(m_device.m_lock, lockSite);
        m_mode = mode;
        applyPlacementLocked();
    }

    void setPosition(const AudioVector& position) override
    {
        heron::MutexLock lock(m_device.m_lock, lockSite);
        m_position = position;
        applyPlacementLocked();
    }

    void setVelocity(const AudioVector& velocity) override
    {
        heron::MutexLock lock(m_device.m_lock, lockSite);
        m_velocity = velocity;
        applyPlacementLocked();
    }

    void setDistances(float minimum, float maximum) override
    {
        if (!hasPositionalControl()) {
            return;
        }
        heron::MutexLock lock(m_device.m_lock, lockSite);
        alSourcef(m_source, AL_REFERENCE_DISTANCE, minimum);
        alSourcef(m_source, AL_MAX_DISTANCE, maximum);
    }

    // Hands back the played segments and queues the next bytes of the ring; restarts a source that
    // ran dry. Under the device's lock.
    void pumpLocked()
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

    void setRolloffLocked(float rolloff)
    {
        if (hasPositionalControl()) {
            alSourcef(m_source, AL_ROLLOFF_FACTOR, rolloff);
        }
    }

private:
    struct Segment
    {
        ALuint name = 0;
        std::uint32_t bytes = 0;
    };

    std::uint32_t playCursorLocked()
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

    void unqueuePlayedLocked()
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
    void queueLocked()
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

    bool startLocked()
    {
        alGetError();
        m_queuedEnd = m_base;
        queueLocked();
        alSourcePlay(m_source);
        m_playing = alSucceeded();
        return m_playing;
    }

    void stopLocked()
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

    void applyPlacementLocked()
    {
        const bool placed = hasPositionalControl() && m_mode == PositionalMode::Positional;
        const AudioVector origin;
        const std::array<ALfloat, 3> position = toOpenAL(placed ? m_position : origin);
        const std::array<ALfloat, 3> velocity = toOpenAL(placed ? m_velocity : origin);
        alSourcei(m_source, AL_SOURCE_RELATIVE, placed ? AL_FALSE : AL_TRUE);
        alSourcefv(m_source, AL_POSITION, position.data());
        alSourcefv(m_source, AL_VELOCITY, velocity.data());
    }

    OpenALAudioDevice& m_device;
    const AudioFormat m_format;
    const ALenum m_alFormat;
    std::vector<std::uint8_t> m_ring;
    const PositionalControl m_control;
    const ALuint m_source;
    std::uint32_t m_segmentBytes = 0;
    std::vector<ALuint> m_free;
    std::deque<Segment> m_queued;
    std::uint32_t m_queuedBytes = 0;
    // Ring offset of the first queued byte (of the play cursor while stopped).
    std::uint32_t m_base = 0;
    // Ring offset after the last queued byte: the write cursor.
    std::uint32_t m_queuedEnd = 0;
    bool m_playing = false;
    PositionalMode m_mode = PositionalMode::Positional;
    AudioVector m_position;
    AudioVector m_velocity;
};

std::unique_ptr<OpenALAudioDevice> OpenALAudioDevice::openDefault()
{
    ALCdevice* const device = alcOpenDevice(nullptr);
    if (!device) {
        heron::debug("OpenAL: no sound output device could be opened\n");
        return nullptr;
    }
    const ALCint attributes[] = {ALC_FREQUENCY, 44100, 0};
    ALCcontext* const context = alcCreateContext(device, attributes);
    if (!context) {
        heron::debug("OpenAL: the sound output device refused a context (error %d)\n", alcGetError(device));
        alcCloseDevice(device);
        return nullptr;
    }
    return std::make_unique<OpenALAudioDevice>(device, context, Pumping::Thread);
}

OpenALAudioDevice::OpenALAudioDevice(ALCdevice* device, ALCcontext* context, Pumping pumping)
    : m_device(device), m_context(context)
{
    alcMakeContextCurrent(m_context);
    alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
    if (pumping == Pumping::Thread) {
        m_pump = std::make_unique<OpenALPump>(*this);
        new heron::Thread(m_pumpThread, m_pump.get(), pumpPriority);
    }
}

OpenALAudioDevice::~OpenALAudioDevice()
{
    m_pumpThread.reset();
    if (!m_buffers.empty()) {
        heron::debug("OpenAL: the sound output closed with %d buffers still open\n", static_cast<int>(m_buffers.size()));
    }
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(m_context);
    alcCloseDevice(m_device);
}

void OpenALAudioDevice::pump()
{
    heron::MutexLock lock(m_lock, pumpLockSite);
    for (OpenALAudioBuffer* buffer : m_buffers) {
        buffer->pumpLocked();
    }
}

AudioCaps OpenALAudioDevice::caps()
{
    ALCint mono = 0;
    ALCint stereo = 0;
    alcGetIntegerv(m_device, ALC_MONO_SOURCES, 1, &mono);
    alcGetIntegerv(m_device, ALC_STEREO_SOURCES, 1, &stereo);
    heron::MutexLock lock(m_lock, lockSite);
    const int used = static_cast<int>(m_buffers.size());
    return {mono + stereo, std::max(0, mono + stereo - used), mono, std::max(0, mono - used)};
}

std::unique_ptr<AudioBuffer> OpenALAudioDevice::createBuffer(const AudioFormat& format, std::uint32_t bytes,
                                                             PositionalControl control)
{
    const std::uint32_t frame = format.bytesPerFrame() > 0 ? static_cast<std::uint32_t>(format.bytesPerFrame()) : 1;
    bytes = bytes / frame * frame;
    if (alFormatOf(format) == AL_NONE || bytes == 0) {
        return nullptr;
    }
    heron::MutexLock lock(m_lock, lockSite);
    alGetError();
    ALuint source = 0;
    alGenSources(1, &source);
    if (!alSucceeded()) {
        return nullptr;
    }
    std::array<ALuint, segmentsQueued> segments{};
    alGenBuffers(static_cast<ALsizei>(segments.size()), segments.data());
    if (!alSucceeded()) {
        alDeleteSources(1, &source);
        return nullptr;
    }
    auto buffer = std::make_unique<OpenALAudioBuffer>(*this, format, bytes, control, source, segments);
    m_buffers.push_back(buffer.get());
    return buffer;
}

void OpenALAudioDevice::setListener(const AudioListener& listener)
{
    const std::array<ALfloat, 3> position = toOpenAL(listener.position);
    const std::array<ALfloat, 3> velocity = toOpenAL(listener.velocity);
    const std::array<ALfloat, 3> front = toOpenAL(listener.front);
    const std::array<ALfloat, 3> top = toOpenAL(listener.top);
    const ALfloat orientation[] = {front[0], front[1], front[2], top[0], top[1], top[2]};
    heron::MutexLock lock(m_lock, listenerLockSite);
    alListenerfv(AL_POSITION, position.data());
    alListenerfv(AL_VELOCITY, velocity.data());
    alListenerfv(AL_ORIENTATION, orientation);
    if (listener.rolloff != m_rolloff) {
        m_rolloff = listener.rolloff;
        for (OpenALAudioBuffer* buffer : m_buffers) {
            buffer->setRolloffLocked(m_rolloff);
        }
    }
    alGetError();
}

}
