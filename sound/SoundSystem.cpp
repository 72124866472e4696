#include "sound/SoundSystem.h"

#include "sound/SoundSystemInternals.h"

#include "base/Debug.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <set>

namespace egret
{

namespace
{

constexpr int systemSite = 3401;
constexpr int listenerSite = 3402;
constexpr int newSite = 3403;
constexpr int deadSite = 3404;
constexpr int statisticsSite = 3405;
constexpr double timerPeriodSeconds = 0.05;

constexpr int attenuationSteps = 512;
constexpr int silentAttenuation = -10000;
// The volume factor of every sound; nothing changes it.
constexpr float masterVolume = 1.0f;

// Entry k of 1..511 is -10^((512 - k) / 128) hundredths of a decibel, truncated: -10^4 at the
// silent end to -1 at the loud end.
std::array<int, attenuationSteps + 1> makeAttenuationTable()
{
    std::array<int, attenuationSteps + 1> table{};
    table[0] = silentAttenuation;
    for (int k = 1; k < attenuationSteps; ++k) {
        table[k] = -static_cast<int>(std::pow(10.0, (attenuationSteps - k) / 128.0));
    }
    table[attenuationSteps] = 0;
    return table;
}

// Set once the program's sound system has been destroyed at exit.
std::atomic<bool> systemDied{false};

// The program's sound system; marks the system dead before destroying it.
struct ProgramSoundSystem
{
    ~ProgramSoundSystem() { systemDied = true; }
    SoundSystem system;
};

// Takes the last object off a pending list under its lock; null, and the list no longer
// pending, when it is empty.
SoundObject* takeLast(heron::Mutex& lock, int site, std::vector<SoundObject*>& list, std::atomic<bool>& pending)
{
    heron::MutexLock hold(lock, site);
    if (list.empty()) {
        pending = false;
        return nullptr;
    }
    SoundObject* const object = list.back();
    list.pop_back();
    return object;
}

void eraseFirst(std::vector<SoundObject*>& list, SoundObject* object)
{
    const auto found = std::find(list.begin(), list.end(), object);
    if (found != list.end()) {
        list.erase(found);
    }
}

}

int volumeToAttenuation(float volume)
{
    static const std::array<int, attenuationSteps + 1> table = makeAttenuationTable();
    if (!(volume > 0.0f)) {
        return table[0];
    }
    const float level = std::min(volume, 1.0f) * masterVolume;
    return table[static_cast<int>(level * attenuationSteps)];
}

SoundSystem& SoundSystem::instance()
{
    static ProgramSoundSystem program;
    return program.system;
}

void SoundSystem::registerObject(SoundObject* object)
{
    if (!systemDied) {
        instance().internals().registerObject(object);
    }
}

void SoundSystem::unregisterObject(SoundObject* object)
{
    if (systemDied) {
        heron::debug("!!!deleted a SoundObject after the system died\n");
        return;
    }
    instance().internals().unregisterObject(object);
}

bool SoundSystem::hasDied()
{
    return systemDied;
}

SoundSystem::SoundSystem()
    : m_internals(std::make_unique<SoundSystemInternals>())
{
}

SoundSystem::~SoundSystem() = default;

bool SoundSystem::initialize(kestrel::Window* window)
{
    return m_internals->initialize(window);
}

void SoundSystem::setThreadModel(std::uint32_t flags)
{
    m_internals->setThreadModel(flags);
}

void SoundSystem::update()
{
    if (!(m_internals->threadModel() & timerDrivenUpdates)) {
        m_internals->update();
    }
}

OpenALSoundHAL& SoundSystem::hal()
{
    return m_internals->hal();
}

bool SoundSystem::isLoading() const
{
    return m_internals->loader().isLoading();
}

SoundSystemInternals::SoundSystemInternals()
    : m_loader(std::make_unique<SoundLoaderInternals>())
{
    m_timer.setPeriod(timerPeriodSeconds);
}

SoundSystemInternals::~SoundSystemInternals()
{
    heron::debug("Sound system is dying...\n");
    heron::debug("3...\n");
    m_timer.stop();
    heron::debug("2...\n");
    m_loader.reset();
    deleteListedObjects();
    heron::debug("1...\n");
    m_hal.reset();
    heron::debug("0...\n");
}

bool SoundSystemInternals::initialize(kestrel::Window* window)
{
    return hal().initialize(window);
}

void SoundSystemInternals::setThreadModel(std::uint32_t flags)
{
    if (!hal().isAvailable()) {
        return;
    }
    const std::uint32_t previous = m_threadModel.exchange(flags);
    if (!((previous ^ flags) & timerDrivenUpdates)) {
        return;
    }
    if (flags & timerDrivenUpdates) {
        m_timer.start(this);
    } else {
        m_timer.stop();
    }
}

OpenALSoundHAL& SoundSystemInternals::hal()
{
    std::call_once(m_halMade, [this] { m_hal = std::make_unique<OpenALSoundHAL>(); });
    return *m_hal;
}

void SoundSystemInternals::update()
{
    hal().update();
    const heron::MutexTryLock pass(m_updateLock);
    if (!pass.taken()) {
        return;
    }
    // Released objects go even when no device plays: a silent machine would keep every world's.
    deleteReleasedObjects();
    plat::AudioDevice* const device = hal().device();
    if (!device) {
        return;
    }
    applyListener(*device);
    startNewObjects();
    updateObjects();
    {
        heron::MutexLock lock(m_systemLock, systemSite);
        m_loader->poll();
    }
    publishStatistics();
}

void SoundSystemInternals::registerObject(SoundObject* object)
{
    heron::MutexLock lock(m_newLock, newSite);
    m_new.push_back(object);
    m_newPending = true;
}

void SoundSystemInternals::unregisterObject(SoundObject* object)
{
    heron::MutexLock lock(m_deadLock, deadSite);
    if (std::find(m_dead.begin(), m_dead.end(), object) == m_dead.end()) {
        m_dead.push_back(object);
    }
    m_deadPending = true;
}

void SoundSystemInternals::setClock(std::function<double()> clock)
{
    m_clock = clock ? std::move(clock) : std::function<double()>(heron::getTime);
}

double SoundSystemInternals::now() const
{
    return m_clock();
}

void SoundSystemInternals::setListener(const Placement& placement)
{
    heron::MutexLock lock(m_listenerLock, listenerSite);
    m_pendingListener = placement;
    m_listenerChanged = true;
}

std::vector<StatisticsRecord> SoundSystemInternals::statistics() const
{
    heron::MutexLock lock(m_statisticsLock, statisticsSite);
    return m_published;
}

void SoundSystemInternals::applyListener(plat::AudioDevice& device)
{
    if (!device.hasListener() || !m_listenerChanged) {
        return;
    }
    {
        heron::MutexLock lock(m_listenerLock, listenerSite);
        m_listenerChanged = false;
        m_appliedListener = m_pendingListener;
    }
    heron::MutexLock lock(m_systemLock, systemSite);
    device.setListener(m_appliedListener);
}

// Released objects go before new ones are started: one registered and released between two
// passes is deleted without being started.
void SoundSystemInternals::deleteReleasedObjects()
{
    while (m_deadPending) {
        SoundObject* const object = takeLast(m_deadLock, deadSite, m_dead, m_deadPending);
        if (!object) {
            return;
        }
        eraseFirst(m_live, object);
        {
            heron::MutexLock lock(m_newLock, newSite);
            eraseFirst(m_new, object);
        }
        delete object;
    }
}

// Taken from the back of the list: objects registered between two passes start in reverse order.
void SoundSystemInternals::startNewObjects()
{
    while (m_newPending) {
        SoundObject* const object = takeLast(m_newLock, newSite, m_new, m_newPending);
        if (!object) {
            return;
        }
        object->start();
        m_live.push_back(object);
    }
}

void SoundSystemInternals::updateObjects()
{
    if (!m_statisticsFrozen) {
        m_current.clear();
    }
    for (SoundObject* object : m_live) {
        heron::MutexLock lock(m_systemLock, systemSite);
        object->update();
        object->addStatistics(m_current);
    }
    if (m_current.size() > maxStatistics) {
        m_current.resize(maxStatistics);
    }
}

void SoundSystemInternals::publishStatistics()
{
    heron::MutexLock lock(m_statisticsLock, statisticsSite);
    m_published = m_current;
}

void SoundSystemInternals::deleteListedObjects()
{
    std::set<SoundObject*> listed(m_live.begin(), m_live.end());
    {
        heron::MutexLock lock(m_newLock, newSite);
        listed.insert(m_new.begin(), m_new.end());
        m_new.clear();
    }
    {
        heron::MutexLock lock(m_deadLock, deadSite);
        listed.insert(m_dead.begin(), m_dead.end());
        m_dead.clear();
    }
    m_live.clear();
    for (SoundObject* object : listed) {
        delete object;
    }
}

}
