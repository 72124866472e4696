#pragma once

#include "sound/OpenALSoundBuffer.h"
#include "sound/OpenALSoundPlayer.h"
#include "sound/SoundHAL.h"

#include "base/Mutex.h"
#include "base/threads/Thread.h"
#include "base/counted_ptr.h"

#include "platform/AudioDevice.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace egret
{

// The hardware layer over the platform's sound output (OpenAL): voices with looping device
// buffers, sample buffers loaded at once or by a loader thread, and the listener. Without a device
// it stays silent: voices never start and the update does nothing.
//
// createPlayer, createBuffer, loadBuffer, setListener and initialize may be called from any
// thread; update runs on the thread of the sound passes, one call at a time.
class OpenALSoundHAL : public SoundHAL
{
public:
    // Loads queued samples on a thread of its own, one job each 10 ms.
    class SoundLoader : public heron::Threadable
    {
    public:
        struct Job
        {
            heron::counted_ptr<SoundDataSource> source;
            heron::counted_ptr<OpenALSoundBuffer> buffer;
            SoundFormat format;
        };

        void addJob(const Job& job);
        // Drops every job left.
        void clear();
        int run() override;

    private:
        void load(const Job& job);

        heron::Mutex m_lock{"SoundLoaderMutex"};
        std::deque<Job> m_jobs;
    };

    // Starts the loader thread; the device opens at initialize.
    OpenALSoundHAL();
    // Stops the loader, releases the voices' device buffers, then closes the device.
    ~OpenALSoundHAL() override;
    OpenALSoundHAL(const OpenALSoundHAL&) = delete;
    OpenALSoundHAL& operator=(const OpenALSoundHAL&) = delete;

    [[nodiscard]] bool initialize(kestrel::Window* window) override;
    bool isAvailable() const override { return device() != nullptr; }
    void update() override;
    int freeMixingChannels() const override { return m_freeMixing; }
    int free3DChannels() const override { return m_free3D; }
    [[nodiscard]] heron::counted_ptr<SoundPlayer> createPlayer(const SoundFormat& format,
                                                              plat::PositionalControl control) override;
    [[nodiscard]] heron::counted_ptr<SoundBuffer> createBuffer(const SoundFormat& format, int frames) override;
    using SoundHAL::loadBuffer;
    [[nodiscard]] heron::counted_ptr<SoundBuffer> loadBuffer(const heron::counted_ptr<SoundDataSource>& source,
                                                            Loading loading, const SoundFormat& format) override;
    void setListener(const Placement& placement) override;

    // The open device, null before initialize or without one.
    plat::AudioDevice* device() const { return m_device.load(std::memory_order_acquire); }
    // The unit of buffer sizes in bytes: the device's mixing buffer. Valid once there is a device.
    std::uint32_t unit() const { return m_unit; }

    // For the voices, during the update: where the listener was at the last update, and how many
    // voices hold a device buffer.
    const SoundVector& listenerPosition() const { return m_listenerPosition; }
    int playerBufferCount() const;

private:
    void openDevice();
    void logCaps(plat::AudioDevice& device);
    void pruneOneBuffer();
    void takeListener();

    std::unique_ptr<SoundLoader> m_loader;
    heron::counted_ptr<heron::Thread> m_loaderThread;

    std::once_flag m_initialized;
    std::unique_ptr<plat::AudioDevice> m_ownedDevice;
    // Published after the fields below it are set.
    std::atomic<plat::AudioDevice*> m_device{nullptr};
    std::uint32_t m_unit = 0;
    bool m_hasListener = false;
    std::atomic<int> m_freeMixing{-1};
    std::atomic<int> m_free3D{-1};

    heron::Mutex m_listenerLock{"Listener"};
    Placement m_pendingListener;
    std::atomic<bool> m_listenerChanged{false};
    // The update's own.
    Placement m_currentListener;
    SoundVector m_listenerPosition;

    heron::Mutex m_bufferListLock{"BufferListMutex"};
    std::vector<heron::counted_ptr<OpenALSoundBuffer>> m_buffers;
    // Also held through the whole update, so that updates never overlap.
    mutable heron::Mutex m_playerListLock{"PlayerListMutex"};
    std::vector<heron::counted_ptr<OpenALSoundPlayer>> m_players;
};

}
