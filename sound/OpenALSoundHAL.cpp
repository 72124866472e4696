#include "sound/OpenALSoundHAL.h"

#include "base/Debug.h"
#include "base/Limits.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace egret
{

namespace
{

constexpr int loaderSite = 3201;
constexpr int listenerSite = 3202;
constexpr int bufferListSite = 3203;
constexpr int playerListSite = 3204;
constexpr int updateSite = 3205;
constexpr int loaderPriority = 2;
constexpr unsigned loaderPeriodMs = 10;
constexpr std::size_t playersReserved = 100;
// The mixing buffer as it is asked for: primary, with 3D control.
constexpr unsigned primaryBufferFlags = 0x11;
// A queued buffer held by nobody but the buffer list and its job is wanted no more.
constexpr int abandonedHolders = 2;

}

void OpenALSoundHAL::SoundLoader::addJob(const Job& job)
{
    heron::MutexLock lock(m_lock, loaderSite);
    m_jobs.push_back(job);
}

void OpenALSoundHAL::SoundLoader::clear()
{
    heron::MutexLock lock(m_lock, loaderSite);
    m_jobs.clear();
}

int OpenALSoundHAL::SoundLoader::run()
{
    while (!stopFlag) {
        std::optional<Job> job;
        {
            heron::MutexLock lock(m_lock, loaderSite);
            if (!m_jobs.empty()) {
                job = m_jobs.front();
                m_jobs.pop_front();
            }
        }
        if (job) {
            load(*job);
        }
        heron::sleepMs(loaderPeriodMs);
    }
    return 0;
}

void OpenALSoundHAL::SoundLoader::load(const Job& job)
{
    if (job.buffer.refCount() <= abandonedHolders) {
        return;
    }
    job.buffer->fill(readAllSamples(job.source), job.source->format(), job.format);
}

OpenALSoundHAL::OpenALSoundHAL()
    : m_loader(std::make_unique<SoundLoader>())
{
    heron::debug("Initializing sound system - using DirectSoundHAL\n");
    m_players.reserve(playersReserved);
    new heron::Thread(m_loaderThread, m_loader.get(), loaderPriority);
}

OpenALSoundHAL::~OpenALSoundHAL()
{
    m_loaderThread.reset();
    m_loader->clear();
    {
        heron::MutexLock lock(m_playerListLock, playerListSite);
        for (const heron::counted_ptr<OpenALSoundPlayer>& player : m_players) {
            player->releaseBuffer();
        }
        m_players.clear();
    }
    {
        heron::MutexLock lock(m_bufferListLock, bufferListSite);
        m_buffers.clear();
    }
    m_device = nullptr;
    m_ownedDevice.reset();
}

bool OpenALSoundHAL::initialize(kestrel::Window*)
{
    std::call_once(m_initialized, [this] { openDevice(); });
    return isAvailable();
}

// The log keeps the device layer's established wording, which readers of the log look for.
void OpenALSoundHAL::openDevice()
{
    heron::debug("Initializing DirectSound\n");
    std::unique_ptr<plat::AudioDevice> device = plat::openAudioDevice();
    if (!device) {
        heron::debug("DirectSound not available\n");
        return;
    }
    heron::debug("Got DirectSound object\n");
    const std::uint32_t unit = device->primaryBufferBytes();
    if (unit == 0 || unit % stereo16Format.bytesPerFrame != 0) {
        heron::debug("DirectSound: %s\n", "");
        return;
    }
    heron::debug("Created the primary sound buffer\n");
    heron::debug("Primary sound buffer format is set\n");
    m_hasListener = device->hasListener();
    heron::debug(m_hasListener ? "Listener found...\n" : "This machine can't do 3d sounds\n");
    m_unit = unit;
    logCaps(*device);
    m_ownedDevice = std::move(device);
    m_device.store(m_ownedDevice.get(), std::memory_order_release);
}

void OpenALSoundHAL::logCaps(plat::AudioDevice& device)
{
    const plat::AudioCaps caps = device.caps();
    const struct
    {
        const char* name;
        int value;
    } lines[] = {
        {"dwMaxHwMixingAllBuffers", caps.mixingBuffers},
        {"dwMaxHwMixingStaticBuffers", caps.mixingBuffers},
        {"dwMaxHwMixingStreamingBuffers", caps.mixingBuffers},
        {"dwFreeHwMixingAllBuffers", caps.freeMixingBuffers},
        {"dwFreeHwMixingStaticBuffers", caps.freeMixingBuffers},
        {"dwFreeHwMixingStreamingBuffers", caps.freeMixingBuffers},
        {"dwMaxHw3DAllBuffers", caps.positionalBuffers},
        {"dwMaxHw3DStaticBuffers", caps.positionalBuffers},
        {"dwMaxHw3DStreamingBuffers", caps.positionalBuffers},
        {"dwFreeHw3DAllBuffers", caps.freePositionalBuffers},
        {"dwFreeHw3DStaticBuffers", caps.freePositionalBuffers},
        {"dwFreeHw3DStreamingBuffers", caps.freePositionalBuffers},
        {"dwTotalHwMemBytes", 0},
        {"dwFreeHwMemBytes", 0},
        {"dwUnlockTransferRateHwBuffers", 0},
        {"dwPlayCpuOverheadSwBuffers", 0},
    };
    heron::debug("\n\n");
    heron::debug("DirectSound capabilities\n");
    heron::debug("------------------------\n");
    heron::debug("primary buffer size=%d\n", static_cast<int>(m_unit));
    heron::debug("flags=%08x\n", primaryBufferFlags);
    for (const auto& line : lines) {
        heron::debug("%s=%d\n", line.name, line.value);
    }
    heron::debug("\n\n");
    m_freeMixing = caps.freeMixingBuffers;
    m_free3D = caps.freePositionalBuffers;
}

void OpenALSoundHAL::update()
{
    plat::AudioDevice* const audio = device();
    if (!audio) {
        return;
    }
    heron::MutexLock lock(m_playerListLock, updateSite);
    for (const heron::counted_ptr<OpenALSoundPlayer>& player : m_players) {
        player->update(*this);
    }
    pruneOneBuffer();
    takeListener();
    if (m_hasListener) {
        audio->setListener(m_currentListener);
    }
}

int OpenALSoundHAL::playerBufferCount() const
{
    heron::MutexLock lock(m_playerListLock, playerListSite);
    return static_cast<int>(std::count_if(m_players.begin(), m_players.end(),
                                          [](const auto& player) { return player->hasBuffer(); }));
}

// Drops the first buffer that nobody but the list holds any more; one per update.
void OpenALSoundHAL::pruneOneBuffer()
{
    heron::MutexLock lock(m_bufferListLock, bufferListSite);
    const auto unused = std::find_if(m_buffers.begin(), m_buffers.end(),
                                     [](const auto& buffer) { return buffer.refCount() == 1; });
    if (unused != m_buffers.end()) {
        m_buffers.erase(unused);
    }
}

void OpenALSoundHAL::takeListener()
{
    if (m_listenerChanged) {
        heron::MutexLock lock(m_listenerLock, listenerSite);
        m_currentListener = m_pendingListener;
        m_listenerChanged = false;
    }
    m_listenerPosition = m_currentListener.position;
}

heron::counted_ptr<SoundPlayer> OpenALSoundHAL::createPlayer(const SoundFormat& format,
                                                            plat::PositionalControl control)
{
    heron::counted_ptr<OpenALSoundPlayer> player(new OpenALSoundPlayer(format, control));
    heron::MutexLock lock(m_playerListLock, playerListSite);
    m_players.push_back(player);
    return player;
}

heron::counted_ptr<SoundBuffer> OpenALSoundHAL::createBuffer(const SoundFormat& format, int frames)
{
    if (frames <= 0 || !isUsable(format)) {
        return {};
    }
    const std::size_t bytes = std::min(std::size_t(frames) << format.frameShift, heron::limits::maxSampleBytes);
    heron::counted_ptr<heron::ByteBuffer> silence(new heron::ByteBuffer(bytes));
    std::memset(silence->data(), 0, silence->size());
    heron::counted_ptr<OpenALSoundBuffer> buffer(new OpenALSoundBuffer);
    buffer->fill(silence, format, format);
    heron::MutexLock lock(m_bufferListLock, bufferListSite);
    m_buffers.push_back(buffer);
    return buffer;
}

heron::counted_ptr<SoundBuffer> OpenALSoundHAL::loadBuffer(const heron::counted_ptr<SoundDataSource>& source,
                                                          Loading loading, const SoundFormat& format)
{
    if (!source) {
        return {};
    }
    heron::counted_ptr<OpenALSoundBuffer> buffer(new OpenALSoundBuffer);
    if (loading == Loading::AtOnce) {
        buffer->fill(readAllSamples(source), source->format(), format);
    }
    {
        heron::MutexLock lock(m_bufferListLock, bufferListSite);
        m_buffers.push_back(buffer);
    }
    // Queued only once listed: the loader takes a buffer held by the list and its job alone as abandoned.
    if (loading == Loading::Queued) {
        m_loader->addJob({source, buffer, format});
    }
    return buffer;
}

void OpenALSoundHAL::setListener(const Placement& placement)
{
    heron::MutexLock lock(m_listenerLock, listenerSite);
    m_pendingListener = placement;
    m_listenerChanged = true;
}

}
