#pragma once

#include "base/Streamable.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace heron
{

class DataSource;

// Counts the stream reads and writes running on this thread, one inside another; a guard past
// StreamReader::maxNesting throws std::logic_error.
class StreamNestingGuard
{
public:
    StreamNestingGuard();
    ~StreamNestingGuard();
    StreamNestingGuard(const StreamNestingGuard&) = delete;
    StreamNestingGuard& operator=(const StreamNestingGuard&) = delete;
};

// Per-source reader of object-graph streams: the factory registry, the class declarations of the
// stream being read, the objects made so far and the pointer fields waiting to be patched. Made by
// the first DataSource::registerFactory and dropped by DataSource::readObject. One thread.
class StreamReader
{
public:
    // Oldest (1.00, NUL-terminated strings) and newest (1.01, tag-length strings) stream versions.
    static constexpr int version100 = 100;
    static constexpr int version101 = 101;
    // Deepest nesting of stream reads and writes (a body holding a stream of its own) on one thread.
    static constexpr int maxNesting = 64;

    explicit StreamReader(DataSource& owner);
    StreamReader(const StreamReader&) = delete;
    StreamReader& operator=(const StreamReader&) = delete;
    // Deletes the objects of a read that did not finish.
    ~StreamReader();

    // Stores the factory under its class's name unless that name has one, then lets a prototype
    // register the classes it refers to.
    void registerFactory(StreamableFactory factory);
    // Reads one stream from the owner's position: the root, or the shared block in the stream that
    // owns it (the caller then owns the graph through it), or null when the stream holds no object
    // or its header is not one this reader knows. Damage throws std::logic_error after every object
    // made so far is deleted.
    Streamable* readStream();
    // Records a pointer field of the object being read, to be set when the stream ends (late ones
    // after all others). The field must stay at its address until then. Outside an object's read
    // nothing is recorded.
    void addFixup(std::uint32_t address, void* field, PointerAssign assign, bool late);
    // Puts the object being read into the group whose afterLoad runs first.
    void requestEarlyAfterLoad() { m_early = true; }
    // True while readStream runs.
    bool isReading() const { return m_reading; }

private:
    struct ClassEntry
    {
        std::string name;
        StreamableFactory factory = nullptr;
    };
    struct ObjectEntry
    {
        std::uint32_t address;
        bool early;
        bool referenced;
        bool block;
        Streamable* object;
    };
    struct Fixup
    {
        std::uint32_t address;
        std::uint32_t owner;
        void* field;
        PointerAssign assign;
        std::uint32_t target;
        bool late;
    };

    bool readHeader();
    void readRecords();
    void readDeclaration();
    void readObjectRecord();
    void readBody(std::uint32_t length);
    void readInto(Streamable& object, std::uint32_t index);
    // A tag integer (tag) or a 32-bit value; the end of data throws.
    std::uint32_t readNumber(bool tag);
    // (writer's address, index in creation order), ascending by address.
    using AddressEntry = std::pair<std::uint32_t, std::uint32_t>;
    using AddressOrder = std::vector<AddressEntry>;

    void finish();
    void patchPointers();
    void unpatch();
    void checkSharedBlocks();
    void checkSharedPointers() const;
    // The root, or the shared block that owns it.
    Streamable* heldRoot() const;
    AddressOrder sortedByAddress() const;
    void resolveFixups(const AddressOrder& order);
    void dropUnreachable();
    void runAfterLoads(const AddressOrder& order, bool early);
    void deleteObjects();

    DataSource& m_owner;
    std::map<std::string, StreamableFactory> m_factories;
    std::map<std::uint32_t, ClassEntry> m_classes;
    std::vector<ObjectEntry> m_objects;
    std::vector<Fixup> m_fixups;
    std::vector<unsigned char> m_body;
    std::uint32_t m_current = 0;
    bool m_inBody = false;
    bool m_early = false;
    bool m_reading = false;
    bool m_linked = false;
    Streamable* m_rootBlock = nullptr;
    std::set<const Streamable*> m_ownedByBlocks;
};

}
