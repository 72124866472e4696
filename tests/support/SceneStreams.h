#pragma once

#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"
#include "base/Streamable.h"
#include "base/counted_ptr.h"
#include "scene/Engine.h"

#include <vector>

// Whole object-graph streams of scene classes, for the scene tests.
namespace scenestreams
{

using Bytes = std::vector<unsigned char>;

// The stream of the graph under root.
inline Bytes streamOf(const heron::Streamable& root)
{
    heron::MemoryDataDest dest;
    dest.writeObject(&root);
    return {dest.data(), dest.data() + dest.size()};
}

// The graph read back from a stream with the scene classes registered; null when it fails.
inline heron::counted_ptr<heron::Streamable> readStream(const Bytes& bytes)
{
    heron::MemoryDataSource source(bytes.data(), std::uint32_t(bytes.size()), false);
    finch::registerStreamFactories(source);
    return source.readObject();
}

}
