#include "sound/SoundLoaderInternals.h"

#include "base/Debug.h"

namespace egret
{

namespace
{

constexpr int lockSite = 3301;
constexpr int loaderPriority = 2;
constexpr unsigned loaderPeriodMs = 10;
constexpr std::uint32_t scanIntervalMs = 3000;

std::uint32_t processMs()
{
    return static_cast<std::uint32_t>(heron::getTime() * 1000.0);
}

}

SoundLoaderInternals::~SoundLoaderInternals()
{
    m_thread.reset();
}

void SoundLoaderInternals::addJob(const Job& job)
{
    heron::MutexLock lock(m_lock, lockSite);
    m_jobs.push_back(job);
    if (!m_thread) {
        new heron::Thread(m_thread, this, loaderPriority);
    }
}

bool SoundLoaderInternals::isLoading() const
{
    heron::MutexLock lock(m_lock, lockSite);
    return m_busy || !m_jobs.empty();
}

void SoundLoaderInternals::poll()
{
    heron::MutexLock lock(m_lock, lockSite);
    const std::uint32_t now = processMs();
    if (!m_busy && m_jobs.empty() && now - m_lastScan >= scanIntervalMs) {
        m_lastScan = now;
    }
}

int SoundLoaderInternals::run()
{
    while (!stopFlag) {
        loadNext();
        heron::sleepMs(loaderPeriodMs);
    }
    return 0;
}

void SoundLoaderInternals::loadNext()
{
    Job job;
    {
        heron::MutexLock lock(m_lock, lockSite);
        if (m_jobs.empty()) {
            return;
        }
        heron::debug("There's %d jobs in the queue\n", static_cast<int>(m_jobs.size()));
        job = m_jobs.front();
        m_jobs.pop_front();
        m_busy = true;
    }
    const CachedSamples samples = read(job);
    if (job.receiver) {
        job.receiver->receiveSamples(samples.format, samples.samples);
    }
    heron::MutexLock lock(m_lock, lockSite);
    m_busy = false;
}

// The samples of the job's sound: from the cache when known, else read, mixed down and cached.
SoundLoaderInternals::CachedSamples SoundLoaderInternals::read(const Job& job)
{
    const std::string key = job.name.c_str();
    {
        heron::MutexLock lock(m_lock, lockSite);
        const auto known = m_cache.find(key);
        if (known != m_cache.end()) {
            known->second.lastUse = processMs();
            return known->second;
        }
    }
    heron::debug("Loading sound data %s\n", key.c_str());
    const double started = heron::getTime();
    heron::counted_ptr<heron::ByteBuffer> samples = readAllSamples(job.source);
    heron::debug("%d bytes of sound data loaded in %f seconds...\n", samples ? static_cast<int>(samples->size()) : 0,
                 heron::getTime() - started);
    if (!samples) {
        return {};
    }
    const CachedSamples read{mixDownFor(job.format, job.source->format(), *samples), samples, processMs()};
    heron::MutexLock lock(m_lock, lockSite);
    m_cache[key] = read;
    return read;
}

}
