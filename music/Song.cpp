#include "music/Song.h"

#include "content/SoundCache.h"
#include "music/SoundLoop.h"

#include <mutex>
#include <utility>

namespace
{

// Guards the decoded sounds of every song's samples: fetched on sound threads, released on the
// main thread.
std::mutex& samplesMutex()
{
    static std::mutex mutex;
    return mutex;
}

}

heron::counted_ptr<egret::SoundDataSource> Song::Sample::source()
{
    const std::lock_guard lock(samplesMutex());
    if (!decoded) {
        decoded = pelican::getSound(file.c_str());
    }
    return decoded;
}

const heron::counted_ptr<egret::SoundDataSource>& Song::makeLoop()
{
    if (!loopSource && isSingleLoop()) {
        loopSource = heron::counted_ptr<egret::SoundDataSource>(new SoundLoop(*this));
    }
    return loopSource;
}

void Song::setDefaults()
{
    const bool played = playedOnce;
    heron::counted_ptr<egret::SoundDataSource> loop = std::move(loopSource);
    *this = Song{};
    playedOnce = played;
    loopSource = std::move(loop);
}

void Song::loadSamples(pelican::CacheBuild build) const
{
    for (const Sample& sample : samples) {
        // A file that cannot be read is logged by the cache and stays silent when played.
        static_cast<void>(pelican::preloadSoundFile(sample.file, build));
    }
}

void Song::releaseSources()
{
    loopSource = {};
    const std::lock_guard lock(samplesMutex());
    for (Sample& sample : samples) {
        sample.decoded = {};
    }
}
