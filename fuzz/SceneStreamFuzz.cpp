// Reads arbitrary bytes as an object-graph stream with the scene classes and the content
// database's (its engines) registered. The first byte chooses the byte order. A graph that reads
// must write a stream that reads and writes again to the very same bytes; a database or branch
// that reads is then cleaned (a content database is prepared and its engines run) and walked.
// Its seeds are stored databases with every branch kind, objects, instances and bunches, a chain
// of groups deeper than a stored tree may be, a bunch with a list of animation frames and a
// content database with one engine of every kind, one with every stored special, an older
// geometry set and a polygon branch, in both byte orders.

#include "base/Limits.h"
#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"
#include "base/counted_ptr.h"
#include "content/specials/SpecialFinder.h"
#include "content/world/PelicanDB.h"
#include "fuzz/Seeds.h"
#include "scene/Engine.h"
#include "scene/geometry/GeoBunch.h"
#include "scene/graph/GroupBranch.h"
#include "scene/graph/Traverser.h"
#include "tests/support/OldGeoSetWriter.h"
#include "tests/support/PolygonShapes.h"
#include "tests/support/SceneBuilders.h"
#include "tests/support/SpecialBuilders.h"
#include "tests/support/WorldBuilders.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
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
    pelican::registerDatabaseFactory(source);
    return source.readObject();
}

// Cleans and walks what was read, as drawing and collision would.
void exercise(heron::Streamable& root)
{
    finch::Traverser walker;
    walker.start(finch::Matrix(), finch::Matrix());
    if (auto* const db = dynamic_cast<finch::Database*>(&root)) {
        db->clean();
        if (auto* const content = dynamic_cast<pelican::PelicanDB*>(db)) {
            content->startEngines(0.0);
            content->updateAnimation();
        }
        db->traverse(walker);
    } else if (auto* const branch = dynamic_cast<finch::Branch*>(&root)) {
        branch->clean();
        branch->traverse(walker);
    }
}

// A database whose root is a chain of nested groups deeper than a stored tree is kept.
std::unique_ptr<finch::Database> deepChain()
{
    auto root = std::make_unique<finch::GroupBranch>();
    finch::GroupBranch* deepest = root.get();
    for (int level = 0; level < heron::limits::maxSceneOwnerDepth + 200; ++level) {
        deepest = scenebuild::add(*deepest, std::make_unique<finch::GroupBranch>());
    }
    scenebuild::add(*deepest, scenebuild::geometry("leaf", scenebuild::square(0, 0, 1, 1, 5, 0xFF00FF00)));
    return scenebuild::database(std::move(root));
}

// A database of one square that moves through eight frames.
std::unique_ptr<finch::Database> framedSquare()
{
    auto bunch = scenebuild::square(-1, -1, 1, 1, 10, 0xFF0000FF);
    std::vector<finch::AnimationFrame> frames;
    for (int f = 0; f < 8; ++f) {
        frames.push_back(bunch->vertexSlot()->elements());
        for (finch::Vector3f& p : frames.back()) {
            p.z += float(f);
        }
    }
    bunch->setAnimationFrames(frames);
    return scenebuild::database(scenebuild::geometry("framed", std::move(bunch)));
}

// An older geometry set of two groups: loose indices before a strip, colours, texture coordinates.
std::unique_ptr<OldGeoSetWriter> oldGeoSet()
{
    auto set = std::make_unique<OldGeoSetWriter>();
    for (int i = 0; i < 8; ++i) {
        set->arrays.positions.push_back(finch::Vector3f(float(i), float(i % 2), 0));
        set->arrays.colors.push_back(0xffffffffu);
        set->arrays.texCoords[0].push_back({float(i) * 20, 0});
    }
    set->arrays.stripLengths = {-3, 4, 3};
    set->arrays.indices = {4, 3, 2, 0, 1, 2, 3, 0, 1, 2};
    set->groups.resize(2);
    set->groups[0].flags = finch::OldGeoGroup::colours | finch::OldGeoGroup::texCoords0;
    set->groups[0].stripCount = 2;
    set->groups[0].vertexCount = 6;
    set->groups[1].stripCount = 1;
    set->groups[1].vertexCount = 3;
    set->groups[1].firstVertex = 5;
    return set;
}

// A database whose root group holds a polygon branch of a cube, cleaned into its bunch.
std::unique_ptr<finch::Database> polygonCube()
{
    auto root = std::make_unique<finch::GroupBranch>();
    auto* const cube = scenebuild::add(*root, std::make_unique<finch::PolygonBranch>());
    polyshapes::addCube(*cube);
    return scenebuild::database(std::move(root));
}

// The input that reads the graph: its byte order, then the stream.
std::vector<unsigned char> seedOf(const heron::Streamable& root, bool bigEndian)
{
    std::vector<unsigned char> bytes = writeGraph(root, bigEndian);
    bytes.insert(bytes.begin(), bigEndian ? 1 : 0);
    return bytes;
}

}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Preparing a content database loads its textures, which asks for a GL context. The fuzzer has
    // no desktop: SDL's dummy video driver refuses GL at once instead of trying the X libraries,
    // which keep what they allocated when SDL unloads them.
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    // Content databases read their stored specials, and their preparation finds specials.
    pelican_specials::installSpecialFinder();
    return fuzzseeds::writeSeeds(argc, argv, [] {
        const auto db = scenebuild::everyClass();
        const auto small = scenebuild::database(scenebuild::geometry("square", scenebuild::square(-1, -1, 1, 1, 10, 0xFF0000FF)));
        const auto deep = deepChain();
        const auto framed = framedSquare();
        const auto engines = worldtest::everyEngine();
        const auto specials = specialbuild::everySpecial();
        const auto oldSet = oldGeoSet();
        const auto polygons = polygonCube();
        std::vector<fuzzseeds::Seed> seeds;
        for (const bool bigEndian : {false, true}) {
            const std::string order = bigEndian ? "big" : "little";
            seeds.push_back({"every-class-" + order, seedOf(*db, bigEndian)});
            seeds.push_back({"square-" + order, seedOf(*small, bigEndian)});
            seeds.push_back({"main-object-" + order, seedOf(*db->mainObject(), bigEndian)});
            seeds.push_back({"nested-groups-" + order, seedOf(*deep, bigEndian)});
            seeds.push_back({"frame-list-" + order, seedOf(*framed, bigEndian)});
            seeds.push_back({"every-engine-" + order, seedOf(*engines, bigEndian)});
            seeds.push_back({"every-special-" + order, seedOf(*specials, bigEndian)});
            seeds.push_back({"old-geometry-set-" + order, seedOf(*oldSet, bigEndian)});
            seeds.push_back({"polygon-branch-" + order, seedOf(*polygons, bigEndian)});
        }
        return seeds;
    });
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
    // Reading settles what a stored graph may hold (loaded flags, refused values, links worked out
    // from the owners); from then on writing and reading change nothing.
    const std::vector<unsigned char> first = writeGraph(*root, bigEndian);
    const heron::counted_ptr<heron::Streamable> copy = readGraph(first.data(), first.size(), bigEndian);
    if (!copy || writeGraph(*copy, bigEndian) != first) {
        std::abort();
    }
    exercise(*root);
    return 0;
}
