#pragma once

#include "base/DataSource.h"
#include "base/Streamable.h"
#include "base/counted_ptr.h"

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace heron
{

// Counts the stream reads and writes running on this thread, one inside another, for as long as
// it lives. Each side refuses a stream nested too deeply in its own way: the reader as damage, the
// writer as a fault of the objects it writes.
class StreamNestingGuard
{
public:
    StreamNestingGuard();
    ~StreamNestingGuard();
    StreamNestingGuard(const StreamNestingGuard&) = delete;
    StreamNestingGuard& operator=(const StreamNestingGuard&) = delete;

    // True when this stream lies deeper than limits::maxStreamNesting.
    bool tooDeep() const;
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
    // or its header is not one this reader knows. Damage throws ReadError; any other exception
    // passes on unchanged; either way every object made so far is deleted first.
    Streamable* readStream();
    // How a pointer field read with readCheckedRef holds its object.
    enum class Hold
    {
        Keeps,      // the object stays in the graph through this field
        Borrows,    // the field is set only when something else keeps the object; else null
    };

    // Records a pointer field of the object being read, to be set when the stream ends (late ones
    // after all others). The field must stay at its address until then. Outside an object's read
    // nothing is recorded. A field recorded twice keeps its first object.
    void addFixup(std::uint32_t address, void* field, PointerAssign assign, PatchTime time);
    // Reads a pointer field of a class that takes damaged references in its stride: a reference
    // to an object of another class leaves the field null and is logged instead of failing the
    // stream, and that object is not kept for it. Raw pointers only (set with the others).
    static void readCheckedRef(DataSource& source, void* field, PointerAssign assign, Hold hold);
    template <class T>
    static void readCheckedRef(DataSource& source, T*& field, Hold hold)
    {
        readCheckedRef(source, static_cast<void*>(&field), &assignStreamPointer<T>, hold);
    }
    // Records a checked raw pointer field for an address the object's read already took from the
    // source (read with readUInt32), so that a class can decide at the end of its block whether
    // and how to hold it. Nothing outside a stream read.
    static void referTo(DataSource& source, std::uint32_t address, void* field, PointerAssign assign, Hold hold);
    template <class T>
    static void referTo(DataSource& source, std::uint32_t address, T*& field, Hold hold)
    {
        referTo(source, address, static_cast<void*>(&field), &assignStreamPointer<T>, hold);
    }
    // The same for a shared-pointer field (always kept).
    template <class T>
    static void readCheckedRef(DataSource& source, counted_ptr<T>& field);

    // While the afterLoad calls of a stream run on this thread: its root (the object a root shared
    // block owns, when the root is a block) and a number that no other stream read in this process
    // had; null and 0 otherwise.
    static Streamable* loadingRoot();
    static std::uint64_t loadingSerial();
    // Runs the task once every afterLoad of the stream whose afterLoad calls run now has run (at
    // once outside them): for work that would free objects the stream has yet to call.
    static void afterLoadsEnd(std::function<void()> task);
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
        std::uint32_t classId;
        // The object's fixups, recorded while it was read, run from here to the next object's.
        std::uint32_t firstFixup;
        bool early;
        bool referenced;
        bool block;
        Streamable* object;
    };
    // A pointer field to set; a stream holds about one per reference, so it is kept small.
    struct Fixup
    {
        void* field;
        // The writer's address of the object, and once resolved its index in creation order.
        std::uint32_t target;
        // Index in the assignments met.
        std::uint32_t assign : 24;
        std::uint32_t late : 1 = 0;
        std::uint32_t lenient : 1 = 0;
        std::uint32_t borrowed : 1 = 0;
        std::uint32_t refused : 1 = 0;
        // The target is of a class the field cannot hold.
        std::uint32_t wrongClass : 1 = 0;
    };
    static_assert(sizeof(void*) > 8 || sizeof(Fixup) == 16);
    static constexpr std::uint32_t maxAssigns = 1u << 24;
    // Whether a field's assignment takes objects of a class, found once per pair.
    struct ClassCheck
    {
        std::uint32_t assign;
        std::uint32_t classId;
        bool accepts;
    };

    void addCheckedFixup(std::uint32_t address, void* field, PointerAssign assign, PatchTime time, Hold hold);
    // Marks the fixups whose object is of the wrong class; logs and refuses the lenient ones.
    void refuseWrongClasses();
    bool accepts(std::uint32_t assign, const ObjectEntry& target);
    // Where the fixups of object `index` end.
    std::uint32_t fixupsEnd(std::size_t index) const
    {
        return index + 1 < m_objects.size() ? m_objects[index + 1].firstFixup : std::uint32_t(m_fixups.size());
    }
    std::uint32_t assignIndex(PointerAssign assign);
    void assignField(const Fixup& fixup, Streamable* object) const { m_assigns[fixup.assign](fixup.field, object); }
    // True when the fixup is to be set; a strict one of the wrong class throws.
    bool acceptsTarget(const Fixup& fixup) const;
    void dropRepeatedFields();

    // Reads a reference's address; true when a stream is being read and the address arrived.
    static bool readAddress(DataSource& source, std::uint32_t& address);

    bool readHeader();
    void readRecords();
    void readDeclaration();
    void readObjectRecord();
    // The body's bytes, valid until the owner is read again.
    const unsigned char* readBody(std::uint32_t length);
    void readInto(Streamable& object, std::uint32_t index, const unsigned char* bytes, std::uint32_t length);
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
    std::vector<ClassCheck> m_classChecks;
    std::vector<PointerAssign> m_assigns;
    std::uint32_t m_lastAssign = 0;
    std::vector<unsigned char> m_body;
    bool m_inBody = false;
    bool m_early = false;
    bool m_reading = false;
    bool m_linked = false;
    Streamable* m_rootBlock = nullptr;
    std::set<const Streamable*> m_ownedByBlocks;
};

template <class T>
void StreamReader::readCheckedRef(DataSource& source, counted_ptr<T>& field)
{
    std::uint32_t address = 0;
    if (readAddress(source, address)) {
        field = counted_ptr<T>();
        if (address != 0) {
            source.m_streamReader->addCheckedFixup(address, &field, &counted_ptr<T>::assignStreamed, PatchTime::Late,
                                                   Hold::Keeps);
        }
    }
}

}
