#include "music/Song.h"

#include "content/SoundCache.h"
#include "music/SoundLoop.h"

#include <mutex>

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

void Song::releaseSources()
{
    loopSource = {};
    const std::lock_guard lock(samplesMutex());
    for (Sample& sample : samples) {
        sample.decoded = {};
    }
}
