#pragma once

#include "sound/SoundDataSource.h"
#include "sound/SoundFormat.h"

#include "base/ByteBuffer.h"
#include "base/Mutex.h"
#include "base/threads/Thread.h"
#include "base/counted_ptr.h"

#include <cstdint>
#include <deque>
#include <map>
#include <string>

namespace egret
{

// Receives the samples of a load job, on the loader's thread; empty when the source had none.
class SampleReceiver
{
public:
    virtual ~SampleReceiver() = default;
    virtual void receiveSamples(const SoundFormat& format, const heron::counted_ptr<heron::ByteBuffer>& samples) = 0;
};

// The sound system's loader: reads whole sources on a thread of its own (started with the first
// job) and keeps what it read by sound name, so a sound of a name it knows is handed over again
// without reading. Any thread.
class SoundLoaderInternals : public heron::Threadable
{
public:
    struct Job
    {
        heron::counted_ptr<SoundDataSource> source;
        heron_string name;
        SoundFormat format;     // mono mixes a stereo source down
        heron::counted_ptr<SampleReceiver> receiver;
    };

    // Stops the thread; jobs left are dropped.
    ~SoundLoaderInternals() override;

    void addJob(const Job& job);
    // Whether a job is queued or being loaded.
    bool isLoading() const;
    // The update pass's look at the loader: notes the time of a cache scan, at most every 3 s,
    // while it is idle.
    void poll();
    int run() override;

private:
    struct CachedSamples
    {
        SoundFormat format;
        heron::counted_ptr<heron::ByteBuffer> samples;
        std::uint32_t lastUse = 0;
    };

    void loadNext();
    CachedSamples read(const Job& job);

    mutable heron::Mutex m_lock{"SoundLoaderInternals"};
    std::deque<Job> m_jobs;
    bool m_busy = false;
    std::map<std::string, CachedSamples> m_cache;
    std::uint32_t m_lastScan = 0;
    heron::counted_ptr<heron::Thread> m_thread;
};

}
