// Reads arbitrary bytes as an object-graph stream with the test classes registered. The first byte
// chooses the byte order and whether the source can seek. A failed read must leave no object alive;
// a good one must write back to a stream that reads and writes again to the very same bytes.

#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"
#include "base/counted_ptr.h"
#include "tests/support/StreamTestClasses.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace
{

// A memory source that hides its size and cannot seek, as a socket would.
class UnsizedSource : public heron::DataSource
{
public:
    using DataSource::readByte;

    UnsizedSource(const std::uint8_t* data, std::size_t size) : m_inner(data, std::uint32_t(size), false) {}
    bool isOK() const override { return m_inner.isOK(); }
    int readByte() override { return m_inner.readByte(); }
    std::uint32_t read(void* buffer, std::uint32_t n) override { return m_inner.read(buffer, n); }
    int peekByte() override { return m_inner.peekByte(); }

private:
    heron::MemoryDataSource m_inner;
};

std::vector<unsigned char> writeGraph(const heron::Streamable* root, int version, bool bigEndian)
{
    heron::MemoryDataDest dest;
    dest.setBigEndian(bigEndian);
    dest.writeObject(root, version);
    return std::vector<unsigned char>(dest.data(), dest.data() + dest.size());
}

heron::counted_ptr<heron::Streamable> readGraph(heron::DataSource& source, bool bigEndian)
{
    source.setBigEndian(bigEndian);
    source.registerFactory(&streamtest::Node::make);
    return source.readObject();
}

void checkRoundTrip(heron::Streamable* root, int version, bool bigEndian)
{
    const std::vector<unsigned char> first = writeGraph(root, version, bigEndian);
    heron::MemoryDataSource source(first.data(), std::uint32_t(first.size()), false);
    const heron::counted_ptr<heron::Streamable> copy = readGraph(source, bigEndian);
    if (!copy || writeGraph(copy.get(), version, bigEndian) != first) {
        std::abort();
    }
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const bool bigEndian = (data[0] & 1) != 0;
    const bool seekable = (data[0] & 2) != 0;
    heron::MemoryDataSource seekableSource(data + 1, std::uint32_t(size - 1), false);
    UnsizedSource unsizedSource(data + 1, size - 1);
    heron::DataSource& source = seekable ? static_cast<heron::DataSource&>(seekableSource) : unsizedSource;
    {
        heron::counted_ptr<heron::Streamable> root = readGraph(source, bigEndian);
        if (!root && !streamtest::live().empty()) {
            std::abort();
        }
        if (root) {
            checkRoundTrip(root.get(), source.stringMode() == 0 ? 100 : 101, bigEndian);
        }
    }
    streamtest::freeLive();
    return 0;
}
