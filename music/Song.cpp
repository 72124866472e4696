#include "music/Song.h"

#include "content/SoundCache.h"
#include "music/SoundLoop.h"

const heron::counted_ptr<egret::SoundDataSource>& Song::Sample::source()
{
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
    for (Sample& sample : samples) {
        sample.decoded = {};
    }
}
