#pragma once

#include "sound/OpenALSoundHAL.h"
#include "sound/Placement.h"
#include "sound/SoundLoaderInternals.h"
#include "sound/SoundObject.h"

#include "base/Mutex.h"
#include "base/Debug.h"
#include "base/threads/Timer.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace kestrel
{
class Window;
}

namespace egret
{

// The sound system's state and its update pass. Objects are registered and released from any
// thread through two pending lists; only the pass touches the live list. The pass takes "Update
// mutex" with a try-lock and is skipped while another pass holds it.
class SoundSystemInternals : public heron::TimerFunc
{
public:
    // Most statistics records kept while they are frozen and every pass appends to them.
    static constexpr std::size_t maxStatistics = 4096;

    SoundSystemInternals();
    // "Sound system is dying...": stops the timer, deletes the loader, then every object still
    // listed (their threads end with them), then the hardware layer.
    ~SoundSystemInternals() override;
    SoundSystemInternals(const SoundSystemInternals&) = delete;
    SoundSystemInternals& operator=(const SoundSystemInternals&) = delete;

    [[nodiscard]] bool initialize(kestrel::Window* window);
    void setThreadModel(std::uint32_t flags);
    std::uint32_t threadModel() const { return m_threadModel; }
    // The hardware layer, made once on first use.
    OpenALSoundHAL& hal();
    SoundLoaderInternals& loader() { return *m_loader; }

    // One update pass: the hardware update (always), then, unless another pass is running or
    // there is no device: the system listener, deleting released objects, starting new ones (the
    // latest first), updating the live ones in order, the loader's poll, publishing statistics.
    void update();
    // The timer's tick: one pass.
    void tick() override { update(); }

    void registerObject(SoundObject* object);
    void unregisterObject(SoundObject* object);
    // The listener the next pass hands to the device.
    void setListener(const Placement& placement);
    // The seconds clock of fades: heron::getTime unless set otherwise (tests). Set it before the
    // passes that use it; an empty function restores heron::getTime.
    void setClock(std::function<double()> clock);
    double now() const;
    // Keeps the statistics records from being emptied before each pass (an underrun to look at).
    void freezeStatistics() { m_statisticsFrozen = true; }
    // The records of the last complete pass.
    std::vector<StatisticsRecord> statistics() const;

    // Held while a pass runs; taken with a try-lock.
    heron::Mutex& updateLock() { return m_updateLock; }

private:
    void applyListener(plat::AudioDevice& device);
    void deleteReleasedObjects();
    void startNewObjects();
    void updateObjects();
    void publishStatistics();
    void deleteListedObjects();

    heron::Mutex m_systemLock{"SoundSystem"};
    heron::Timer m_timer;
    std::atomic<std::uint32_t> m_threadModel{0};

    heron::Mutex m_listenerLock{"Listener"};
    std::atomic<bool> m_listenerChanged{false};
    Placement m_pendingListener;
    Placement m_appliedListener;

    // The pass's own.
    std::vector<SoundObject*> m_live;
    heron::Mutex m_newLock{"New sound object"};
    std::atomic<bool> m_newPending{false};
    std::vector<SoundObject*> m_new;
    heron::Mutex m_deadLock{"Dead sound object"};
    std::atomic<bool> m_deadPending{false};
    std::vector<SoundObject*> m_dead;

    mutable heron::Mutex m_statisticsLock{"Sound statistics mutex"};
    std::vector<StatisticsRecord> m_published;
    // The pass's own.
    std::vector<StatisticsRecord> m_current;
    std::atomic<bool> m_statisticsFrozen{false};

    std::function<double()> m_clock{heron::getTime};
    std::unique_ptr<SoundLoaderInternals> m_loader;
    heron::Mutex m_updateLock{"Update mutex"};
    std::once_flag m_halMade;
    std::unique_ptr<OpenALSoundHAL> m_hal;
};

}
