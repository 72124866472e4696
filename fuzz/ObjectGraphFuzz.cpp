// Reads arbitrary bytes as an object-graph stream with the test classes registered. The first byte
// chooses the byte order and whether the source can seek. A failed read must leave no object alive;
// a good one must write back to a stream that reads and writes again to the very same bytes. The
// seeds are graphs of every test class the writer makes, in both versions and byte orders, streams
// whose records make no object, and a graph whose shared block owns an object kept elsewhere.

#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"
#include "base/counted_ptr.h"
#include "fuzz/Seeds.h"
#include "tests/support/StreamTestClasses.h"

#include <cstdint>
#include <cstdlib>
#include <string>
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

// A cyclic graph of nodes sharing a leaf, whose holder holds one shared value twice and a counted
// one; its objects are freed with the live test objects.
streamtest::Node* seedGraph()
{
    auto* const root = new streamtest::Node;
    auto* const other = new streamtest::Node;
    auto* const leaf = new streamtest::Leaf;
    auto* const holder = new streamtest::Holder;
    root->value = -7;
    root->label = "root";
    root->leaf = leaf;
    root->links = {other, root, nullptr, other};
    other->leaf = leaf;
    other->links = {root};
    leaf->payload = 9;
    leaf->owner = root;
    leaf->holder = holder;
    holder->first = heron::counted_ptr<streamtest::Shared>(new streamtest::Shared);
    holder->second = holder->first;
    holder->counted = heron::counted_ptr<streamtest::Counted>(new streamtest::Counted);
    holder->node = other;
    return root;
}

std::vector<fuzzseeds::Seed> seeds()
{
    std::vector<fuzzseeds::Seed> made;
    const streamtest::Node* const root = seedGraph();
    for (const int version : {100, 101}) {
        for (const std::uint8_t options : {0, 1, 2, 3}) {
            fuzzseeds::Bytes bytes = writeGraph(root, version, (options & 1) != 0);
            bytes.insert(bytes.begin(), options);
            made.push_back({"graph-" + std::to_string(version) + "-" + std::to_string(options), bytes});
        }
    }
    streamtest::freeLive();
    // On a seekable source: the header and the end mark only, and one object of a class that has no
    // factory.
    static constexpr char noObject[] = "\x02HarborStream 1.01\0#";
    static constexpr char unknownObject[] = "\x02HarborStream 1.01\0?\x01\x0Dtest::Unknown!\x01\x01\0\0\0\x01z#";
    // Big-endian on a seekable source: the root node keeps a leaf that a holder's shared block owns
    // as well (it names the leaf where the holder's shared value was), which the read refuses.
    static constexpr char leafInBlock[] =
        "\x03HarborStream 1.01\x00?\x01\x0Atest::Node"
        "!\x01\x00\x00\x00\x01\x1E\xFF\xFF\xFF\xF9\x04r\x88\x90t\x00\x00\x00\x02\x04\x00\x00\x00\x03\x00\x00\x00\x01"
        "\x00\x00\x00\x00\x00\x00\x00\x03"
        "?\x02\x0Atest::Leaf"
        "!\x02\x00\x00\x00\x02\x0C\x00\x00\x00\x09\x00\x00\x00\x01\x00\x00\x00\x04"
        "!\x01\x00\x00\x00\x03\x0E\x00\x00\x00\x00\x00\x00\x00\x00\x02\x01\x00\x00\x00\x01"
        "?\x03\x0Ctest::Holder"
        "!\x03\x00\x00\x00\x04\x10\x00\x00\x00\x05\x00\x00\x00\x05\x00\x00\x00\x06\x00\x00\x00\x03"
        "?\x04\x1Dinternals::counted_ptr::heron"
        "!\x04\x00\x00\x00\x05\x08\x00\x00\x00\x02\x00\x00\x00\x02"
        "?\x05\x0Dtest::Counted"
        "!\x05\x00\x00\x00\x06\x04\x00\x00\x00\x00"
        "?\x06\x0Ctest::Shared"
        "!\x06\x00\x00\x00\x07\x04\x00\x00\x00\x00"
        "#";
    made.push_back({"no-object", fuzzseeds::bytesOf(std::string(noObject, sizeof noObject - 1))});
    made.push_back({"unknown-object", fuzzseeds::bytesOf(std::string(unknownObject, sizeof unknownObject - 1))});
    made.push_back({"leaf-in-block", fuzzseeds::bytesOf(std::string(leafInBlock, sizeof leafInBlock - 1))});
    return made;
}

}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    return fuzzseeds::writeSeeds(argc, argv, seeds);
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
