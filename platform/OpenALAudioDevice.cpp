#include "platform/OpenALAudioDevice.h"

#include "platform/OpenALAudioBuffer.h"

#include "base/Debug.h"

#include <AL/al.h>

#include <algorithm>
#include <array>

namespace plat
{

namespace
{

constexpr int lockSite = 2301;
constexpr int pumpLockSite = 2302;
constexpr int listenerLockSite = 2303;
constexpr unsigned pumpPeriodMs = 5;
constexpr int pumpPriority = 3;

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
    if (OpenALAudioBuffer::alFormatOf(format) == AL_NONE || bytes == 0) {
        return nullptr;
    }
    heron::MutexLock lock(m_lock, lockSite);
    alGetError();
    ALuint source = 0;
    alGenSources(1, &source);
    if (!alSucceeded()) {
        return nullptr;
    }
    std::array<ALuint, OpenALAudioBuffer::segmentCount> segments{};
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
    const std::array<ALfloat, 3> position = OpenALAudioBuffer::toOpenAL(listener.position);
    const std::array<ALfloat, 3> velocity = OpenALAudioBuffer::toOpenAL(listener.velocity);
    const std::array<ALfloat, 3> front = OpenALAudioBuffer::toOpenAL(listener.front);
    const std::array<ALfloat, 3> top = OpenALAudioBuffer::toOpenAL(listener.top);
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
