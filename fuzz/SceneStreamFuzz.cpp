// Reads arbitrary bytes as an object-graph stream with the scene classes registered. The first
// byte chooses the byte order. A graph that reads must write a stream that reads and writes again
// to the very same bytes.

#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"
#include "base/counted_ptr.h"
#include "scene/Engine.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace
{

std::vector<unsigned char> writeGraph(const heron::Streamable& root, bool bigEndian)
{
    heron::MemoryDataDest dest;
    dest.setBigEndian(bigEndian);
    dest.writeObject(&root);
    return std::vector<unsigned char>(dest.data(), dest.data() + dest.size());
}

heron::counted_ptr<heron::Streamable> readGraph(const unsigned char* data, std::size_t size, bool bigEndian)
{
    heron::MemoryDataSource source(data, std::uint32_t(size), false);
    source.setBigEndian(bigEndian);
    finch::registerStreamFactories(source);
    return source.readObject();
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const bool bigEndian = (data[0] & 1) != 0;
    const heron::counted_ptr<heron::Streamable> root = readGraph(data + 1, size - 1, bigEndian);
    if (!root) {
        return 0;
    }
    // Reading settles what a stored graph may hold (loaded flags, refused values); from then on
    // writing and reading change nothing.
    const std::vector<unsigned char> first = writeGraph(*root, bigEndian);
    const heron::counted_ptr<heron::Streamable> copy = readGraph(first.data(), first.size(), bigEndian);
    if (!copy || writeGraph(*copy, bigEndian) != first) {
        std::abort();
    }
    return 0;
}
