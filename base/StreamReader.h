#pragma once

#include "base/DataSource.h"
#include "base/MemoryDataSource.h"
#include "base/Streamable.h"
#include "base/counted_ptr.h"

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <typeinfo>
#include <unordered_set>
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
    // The same for a plain pointer field whose assign stores the typed pointer (assignStreamPointer):
    // the conversion is worked out once per class of object it meets and then applied by address.
    void addPointerFixup(std::uint32_t address, void* field, PointerAssign assign)
    {
        if (m_inBody) {
            recordFixup(Fixup{.field = field, .target = address, .kind = kindIndex(FieldKind{assign, true})});
        }
    }
    // Reads a pointer field of a class that takes damaged references in its stride: a reference
    // to an object of another class leaves the field null and is logged instead of failing the
    // stream, and that object is not kept for it. Raw pointers only (set with the others).
    template <class T>
    static void readCheckedRef(DataSource& source, T*& field, Hold hold)
    {
        readCheckedRef(source, static_cast<void*>(&field), &assignStreamPointer<T>, hold);
    }
    // Records a checked raw pointer field for an address the object's read already took from the
    // source (read with readUInt32), so that a class can decide at the end of its block whether
    // and how to hold it. Nothing outside a stream read.
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
        Streamable* object;
        std::uint32_t address;
        // Index in m_types of the object's own class.
        std::uint32_t type;
        // The object's fixups, recorded while it was read, run from here to the next object's.
        std::uint32_t firstFixup;
        bool early;
        bool referenced;
        bool block;
    };
    // What a class check depends on: the object's dynamic class and where its Streamable part lies
    // in it. Every object with the same key converts the same way.
    struct TypeKey
    {
        const std::type_info* type;
        std::ptrdiff_t streamablePart;
        bool operator==(const TypeKey&) const = default;
    };
    // How a kind of pointer field is set: its assign, and whether it is a plain pointer.
    struct FieldKind
    {
        PointerAssign assign;
        bool plain;
        bool operator==(const FieldKind&) const = default;
    };
    // A pointer field to set; a stream holds about one per reference, so it is kept small.
    struct Fixup
    {
        void* field;
        // The writer's address of the object, and once resolved its index in creation order.
        std::uint32_t target;
        // Index in the field kinds met. The bits fill the word, so that a new entry is written
        // whole without reading the fresh memory it goes to.
        std::uint32_t kind : 26;
        std::uint32_t late : 1 = 0;
        std::uint32_t lenient : 1 = 0;
        std::uint32_t borrowed : 1 = 0;
        std::uint32_t refused : 1 = 0;
        // The target is of a class the field cannot hold.
        std::uint32_t wrongClass : 1 = 0;
        // Already set to its object.
        std::uint32_t patched : 1 = 0;
    };
    static_assert(sizeof(void*) > 8 || sizeof(Fixup) == 16);
    static_assert(sizeof(void*) > 8 || sizeof(ObjectEntry) == 24);
    static constexpr std::uint32_t maxKinds = 1u << 26;
    // Whether a kind of field takes objects of one type, found once per pair, and for a plain
    // pointer the distance from an object's Streamable part to the field's class.
    struct ClassCheck
    {
        std::uint32_t kind;
        std::uint32_t type;
        bool accepts;
        std::ptrdiff_t adjustment;
    };

    // The untyped forms of the checked raw pointer reads: the field is set by storing the converted
    // pointer, which only assignStreamPointer's fields take, so only the typed forms call them.
    static void readCheckedRef(DataSource& source, void* field, PointerAssign assign, Hold hold);
    static void referTo(DataSource& source, std::uint32_t address, void* field, PointerAssign assign, Hold hold);
    void recordFixup(const Fixup& fixup)
    {
        m_fixups.push_back(fixup);
        m_counts.lateFixups += fixup.late;
    }
    void addCheckedFixup(std::uint32_t address, void* field, PointerAssign assign, PatchTime time, Hold hold);
    // Runs of one kind and class are common: the last check is tried first.
    const ClassCheck& classCheck(std::uint32_t kind, const ObjectEntry& target)
    {
        if (m_lastCheck < m_classChecks.size() && m_classChecks[m_lastCheck].kind == kind &&
            m_classChecks[m_lastCheck].type == target.type) {
            return m_classChecks[m_lastCheck];
        }
        return findClassCheck(kind, target);
    }
    const ClassCheck& findClassCheck(std::uint32_t kind, const ObjectEntry& target);
    ClassCheck makeClassCheck(std::uint32_t kind, const ObjectEntry& target) const;
    // Where the fixups of object `index` end.
    std::uint32_t fixupsEnd(std::size_t index) const
    {
        return index + 1 < m_objects.size() ? m_objects[index + 1].firstFixup : std::uint32_t(m_fixups.size());
    }
    // A stream's fields are of a few kinds, and runs of one kind are common.
    std::uint32_t kindIndex(FieldKind kind)
    {
        return m_lastKind < m_kinds.size() && m_kinds[m_lastKind] == kind ? m_lastKind : findKind(kind);
    }
    std::uint32_t findKind(FieldKind kind);
    std::uint32_t typeIndex(const Streamable& object);
    // Sets the field to its target as the field's kind converts it.
    void assignField(const Fixup& fixup);
    void clearField(const Fixup& fixup) const { m_kinds[fixup.kind].assign(fixup.field, nullptr); }
    // True when the fixup is to be set; a strict one of the wrong class throws.
    bool acceptsTarget(const Fixup& fixup) const;
    // Drops the repeats among the fixups the object just read recorded; a run of one or two
    // (most objects) is settled here.
    void dropRepeatedFields(std::size_t index)
    {
        const std::uint32_t start = m_objects[index].firstFixup;
        const std::size_t count = m_fixups.size() - start;
        if (count < 2 || (count == 2 && m_fixups[start].field != m_fixups[start + 1].field)) {
            return;
        }
        dropRepeatsInRun(start);
    }
    void dropRepeatsInRun(std::uint32_t start);

    // Reads a reference's address; true when a stream is being read and the address arrived.
    static bool readAddress(DataSource& source, std::uint32_t& address);

    bool readHeader();
    void readRecords();
    void readDeclaration();
    void readObjectRecord();
    const ClassEntry* findClass(std::uint32_t id);
    void addObject(Streamable* object, std::uint32_t address, bool block);
    // The body's bytes, valid until the owner is read again.
    const unsigned char* readBody(std::uint32_t length);
    void readInto(Streamable& object, std::uint32_t index, const unsigned char* bytes, std::uint32_t length);
    // (writer's address, index in creation order), ascending by address.
    using AddressEntry = std::pair<std::uint32_t, std::uint32_t>;
    using AddressOrder = std::vector<AddressEntry>;

    void finish();
    void link();
    void orderByAddress();
    // The index of the object at a writer's address; an address no object has throws. Dense
    // addresses (first, first + 1, ...) in record order are found by subtraction.
    std::uint32_t objectAt(std::uint32_t address) const
    {
        const std::uint32_t offset = address - m_objects.front().address;
        if (m_order.empty() && offset < m_objects.size() && m_objects[offset].address == address) {
            return offset;
        }
        return searchObject(address);
    }
    std::uint32_t searchObject(std::uint32_t address) const;
    // Resolves, checks and marks reachable in one pass; sets the plain fields it can already set.
    void resolveFixups();
    void refuse(Fixup& fixup);
    // A reference of an object known reachable: marks what it keeps and sets a plain field.
    void reachFrom(Fixup& fixup, ObjectEntry& target, const ClassCheck& check);
    static void storePointer(void* field, Streamable* object, std::ptrdiff_t adjustment);
    void logRefusals() const;
    void patchPointers();
    void unpatch();
    void checkSharedBlocks();
    void checkFieldsKeepingOwned() const;
    void checkSharedPointers() const;
    void patchSharedPointers();
    // The root, or the shared block that owns it.
    Streamable* heldRoot() const;
    void dropUnreachable();
    void markReachable();
    void runAfterLoads(bool early);
    void deleteObjects();
    // Clears the tables and keeps them for the thread's next read.
    void forgetStream();

    // The tables of a finished read, kept for the next read on the same thread.
    struct Tables
    {
        std::vector<ObjectEntry> objects;
        std::vector<Fixup> fixups;
    };
    static Tables& spareTables();
    void takeSpareTables();
    void keepTables();

    DataSource& m_owner;
    std::map<std::string, StreamableFactory> m_factories;
    std::map<std::uint32_t, ClassEntry> m_classes;
    std::uint32_t m_lastClassId = 0;
    const ClassEntry* m_lastClass = nullptr;
    std::vector<ObjectEntry> m_objects;
    std::vector<Fixup> m_fixups;
    std::vector<ClassCheck> m_classChecks;
    std::uint32_t m_lastCheck = 0;
    std::vector<FieldKind> m_kinds;
    std::uint32_t m_lastKind = 0;
    std::vector<TypeKey> m_types;
    std::uint32_t m_lastType = 0;
    // The objects in address order when their records did not come in it, else empty.
    AddressOrder m_order;
    bool m_ascending = true;
    // What the stream holds that needs passes of its own, counted as it is read and resolved.
    struct Counts
    {
        std::uint32_t repeatedFields = 0;
        std::uint32_t lateFixups = 0;
        std::uint32_t earlyObjects = 0;
        std::uint32_t blocks = 0;
        // Objects known reachable, fields still to set and lenient references refused.
        std::uint32_t reached = 0;
        std::uint32_t unpatched = 0;
        std::uint32_t refusals = 0;
    };
    Counts m_counts;
    // One body source serves every record in turn.
    MemoryDataSource m_bodySource;
    std::vector<unsigned char> m_body;
    std::unordered_set<const void*> m_fields;
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
