#include "scene/geometry/BunchCallbacks.h"

#include "base/DataDest.h"
#include "scene/core/TaggedBlock.h"

namespace finch
{

namespace
{

constexpr std::uint32_t countTag = 1;

}

heron::Streamable* BunchCallbacks::create()
{
    return new BunchCallbacks;
}

void BunchCallbacks::read(heron::DataSource& source)
{
    readTaggedBlock(source, [&](std::uint32_t tag) {
        if (tag == countTag) {
            std::int32_t stored = 0;
            source.readInt32(stored);
        }
    });
}

void BunchCallbacks::write(heron::DataDest& dest) const
{
    dest.writeTag(countTag).writeInt32(refCount());
    dest.writeTag(0);
}

}
