#include "base/StreamReader.h"

#include "base/DataSource.h"
#include "base/Debug.h"
#include "base/Limits.h"
#include "base/MemoryDataSource.h"
#include "base/ReadError.h"
#include "base/SharedBlock.h"
#include "base/counted_ptr.h"
#include "base/heron_string.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <functional>
#include <memory>
#include <stdexcept>

namespace heron
{

namespace
{

constexpr const char* headerWord = "HarborStream";
// Room made for objects and references before reading, however few bytes the source holds.
constexpr std::uint32_t reservedEntries = 1024;
// The fewest bytes an object record and a reference usually take, with a little of their body.
constexpr std::uint32_t bytesPerRecord = 16;
constexpr std::uint32_t bytesPerReference = 8;

thread_local int streamNesting = 0;
thread_local Streamable* rootOfAfterLoads = nullptr;
thread_local std::uint64_t serialOfAfterLoads = 0;
thread_local std::vector<std::function<void()>>* tasksOfAfterLoads = nullptr;
std::atomic<std::uint64_t> streamsRead{0};

// Sets the stream whose afterLoad calls run on this thread, and puts back the one before (a
// stream read inside another's afterLoad).
class AfterLoadScope
{
public:
    explicit AfterLoadScope(Streamable* root)
        : m_root(rootOfAfterLoads), m_serial(serialOfAfterLoads), m_outerTasks(tasksOfAfterLoads)
    {
        rootOfAfterLoads = root;
        serialOfAfterLoads = ++streamsRead;
        tasksOfAfterLoads = &m_tasks;
    }
    ~AfterLoadScope()
    {
        rootOfAfterLoads = m_root;
        serialOfAfterLoads = m_serial;
        tasksOfAfterLoads = m_outerTasks;
        for (const std::function<void()>& task : m_tasks) {
            task();
        }
    }
    AfterLoadScope(const AfterLoadScope&) = delete;
    AfterLoadScope& operator=(const AfterLoadScope&) = delete;

private:
    Streamable* const m_root;
    const std::uint64_t m_serial;
    std::vector<std::function<void()>>* const m_outerTasks;
    std::vector<std::function<void()>> m_tasks;
};

// The shared pointer that owns a stream's root: a counted root or a shared block is held as
// itself, any other root gets a block of its own.
counted_ptr<Streamable> holdRoot(Streamable* root)
{
    counted_ptr<Streamable> holder;
    if (root != nullptr && !counted_ptr<Streamable>::assignStreamed(&holder, root)) {
        holder.reset(root);
    }
    return holder;
}

// Reads a decimal number as scanf's %d does (blanks, optional sign, digits); false without digits
// or beyond six digits, far past any version, so that major * 100 + minor cannot overflow.
bool parseNumber(const char*& text, int& value)
{
    while (std::isspace(static_cast<unsigned char>(*text))) {
        ++text;
    }
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+') {
        ++text;
    }
    int digits = 0;
    value = 0;
    while (std::isdigit(static_cast<unsigned char>(*text))) {
        if (++digits > 6) {
            return false;
        }
        value = value * 10 + (*text++ - '0');
    }
    value = negative ? -value : value;
    return digits > 0;
}

// The version (major * 100 + minor) of a header text, or -1 when it is not "HarborStream %d.%d".
int parseVersion(const char* text)
{
    const std::size_t wordLength = std::strlen(headerWord);
    if (std::strncmp(text, headerWord, wordLength) != 0) {
        return -1;
    }
    text += wordLength;
    int major = 0;
    int minor = 0;
    if (!parseNumber(text, major) || *text++ != '.' || !parseNumber(text, minor)) {
        return -1;
    }
    return major * 100 + minor;
}

}

StreamNestingGuard::StreamNestingGuard()
{
    ++streamNesting;
}

StreamNestingGuard::~StreamNestingGuard()
{
    --streamNesting;
}

bool StreamNestingGuard::tooDeep() const
{
    return streamNesting > limits::maxStreamNesting;
}

StreamReader::StreamReader(DataSource& owner) : m_owner(owner)
{
}

StreamReader::~StreamReader()
{
    deleteObjects();
}

void StreamReader::registerFactory(StreamableFactory factory)
{
    if (factory == nullptr) {
        return;
    }
    const std::unique_ptr<Streamable> prototype(factory());
    if (!prototype) {
        return;
    }
    const auto inserted = m_factories.emplace(prototype->className(), factory);
    if (inserted.second) {
        prototype->registerFactories(m_owner);
    }
}

void StreamReader::addFixup(std::uint32_t address, void* field, PointerAssign assign, PatchTime time)
{
    if (m_inBody) {
        recordFixup(Fixup{.field = field,
                          .target = address,
                          .kind = kindIndex(FieldKind{assign, false}),
                          .late = time == PatchTime::Late});
    }
}

void StreamReader::addCheckedFixup(std::uint32_t address, void* field, PointerAssign assign, PatchTime time,
                                   Hold hold)
{
    // Checked fields set with the others are plain pointers; the late ones are shared pointers.
    if (m_inBody) {
        recordFixup(Fixup{.field = field,
                          .target = address,
                          .kind = kindIndex(FieldKind{assign, time == PatchTime::WithOthers}),
                          .late = time == PatchTime::Late,
                          .lenient = true,
                          .borrowed = hold == Hold::Borrows});
    }
}

bool StreamReader::readAddress(DataSource& source, std::uint32_t& address)
{
    source.readUInt32(address);
    return source.m_streamReader != nullptr && !source.hasError();
}

void StreamReader::readCheckedRef(DataSource& source, void* field, PointerAssign assign, Hold hold)
{
    std::uint32_t address = 0;
    if (!readAddress(source, address)) {
        return;
    }
    assign(field, nullptr);
    if (address != 0) {
        source.m_streamReader->addCheckedFixup(address, field, assign, PatchTime::WithOthers, hold);
    }
}

void StreamReader::referTo(DataSource& source, std::uint32_t address, void* field, PointerAssign assign, Hold hold)
{
    assign(field, nullptr);
    if (source.m_streamReader != nullptr && address != 0) {
        source.m_streamReader->addCheckedFixup(address, field, assign, PatchTime::WithOthers, hold);
    }
}

Streamable* StreamReader::loadingRoot()
{
    return rootOfAfterLoads;
}

std::uint64_t StreamReader::loadingSerial()
{
    return serialOfAfterLoads;
}

void StreamReader::afterLoadsEnd(std::function<void()> task)
{
    if (tasksOfAfterLoads == nullptr) {
        task();
        return;
    }
    tasksOfAfterLoads->push_back(std::move(task));
}

Streamable* StreamReader::readStream()
{
    const StreamNestingGuard nesting;
    if (nesting.tooDeep()) {
        throw ReadError("streams nested too deeply");
    }
    m_reading = true;
    takeSpareTables();
    // Records and references take bytes of the stream: a sized source bounds how many can come,
    // and room for about that many spares the copies of growing one by one.
    const std::uint64_t bytes = m_owner.canSeek() ? m_owner.remaining() : 0;
    const auto room = [bytes](std::uint32_t bytesEach) {
        return std::clamp<std::uint64_t>(bytes / bytesEach, reservedEntries, limits::maxReservedStreamEntries);
    };
    m_objects.reserve(room(bytesPerRecord));
    m_fixups.reserve(room(bytesPerReference));
    try {
        if (readHeader()) {
            readRecords();
        }
    } catch (...) {
        m_reading = false;
        deleteObjects();
        throw;
    }
    m_reading = false;
    Streamable* const root = m_objects.empty() ? nullptr : heldRoot();
    forgetStream();
    return root;
}

bool StreamReader::readHeader()
{
    m_owner.setStringMode(0);
    heron_string header;
    m_owner.readString(header);
    const int version = parseVersion(header.c_str());
    if (version != version100 && version != version101) {
        debug("StreamRead: not a stream header of version 1.00 or 1.01!\n");
        return false;
    }
    m_owner.setStringMode(version == version101 ? 4 : 0);
    return true;
}

void StreamReader::readRecords()
{
    for (;;) {
        const int kind = m_owner.takeByte();
        switch (kind) {
        case '?':
            readDeclaration();
            break;
        case '!':
            readObjectRecord();
            break;
        case '#':
            finish();
            return;
        default:
            throw ReadError(kind < 0 ? "stream ends without its end mark" : "unknown record in stream");
        }
    }
}

void StreamReader::readDeclaration()
{
    std::uint32_t id = 0;
    heron_string name;
    m_owner.readTag(id).readString(name);
    requireGood(m_owner, "stream truncated");
    // A class number declared again may name another class; the class checks go by each
    // object's own class, so they stand.
    ClassEntry& entry = m_classes[id];
    entry.name.assign(name.c_str(), name.length());
    const auto found = m_factories.find(entry.name);
    entry.factory = found == m_factories.end() ? nullptr : found->second;
    if (entry.factory == nullptr) {
        // The objects of an unknown class are skipped; a pointer to one of them fails the read.
        debug("StreamRead: no factory registered for a \"%s\"!\n", entry.name.c_str());
    }
}

void StreamReader::readObjectRecord()
{
    std::uint32_t classId = 0;
    std::uint32_t address = 0;
    std::uint32_t length = 0;
    m_owner.readTag(classId).readUInt32(address).readTag(length);
    requireGood(m_owner, "stream truncated");
    const unsigned char* const body = readBody(length);
    const ClassEntry* const entry = findClass(classId);
    if (entry == nullptr || entry->factory == nullptr) {
        return;
    }
    Streamable* const object = entry->factory();
    if (object == nullptr) {
        // Registration made a prototype with the factory, so this is the factory's fault, not the stream's.
        throw std::logic_error("factory of \"" + entry->name + "\" made no object");
    }
    const auto index = std::uint32_t(m_objects.size());
    addObject(object, address, entry->factory == &SharedBlock::make);
    readInto(*object, index, body, length);
    dropRepeatedFields(index);
}

const StreamReader::ClassEntry* StreamReader::findClass(std::uint32_t id)
{
    // Records of one class often follow each other. A declared entry stays where it is, and a
    // declaration again of its id changes it in place.
    if (m_lastClass != nullptr && m_lastClassId == id) {
        return m_lastClass;
    }
    const auto found = m_classes.find(id);
    if (found == m_classes.end()) {
        return nullptr;
    }
    m_lastClassId = id;
    m_lastClass = &found->second;
    return m_lastClass;
}

void StreamReader::addObject(Streamable* object, std::uint32_t address, bool block)
{
    std::unique_ptr<Streamable> made(object);
    if (!m_objects.empty() && address <= m_objects.back().address) {
        m_ascending = false;
    }
    m_objects.push_back(ObjectEntry{.object = object,
                                    .address = address,
                                    .type = typeIndex(*object),
                                    .firstFixup = std::uint32_t(m_fixups.size()),
                                    .early = false,
                                    .referenced = m_objects.empty(),
                                    .block = block});
    static_cast<void>(made.release()); // the entry owns it now
    m_counts.blocks += block ? 1 : 0;
}

std::uint32_t StreamReader::typeIndex(const Streamable& object)
{
    const auto whole = reinterpret_cast<std::uintptr_t>(dynamic_cast<const void*>(&object));
    const TypeKey key{&typeid(object), std::ptrdiff_t(reinterpret_cast<std::uintptr_t>(&object) - whole)};
    if (m_lastType < m_types.size() && m_types[m_lastType] == key) {
        return m_lastType;
    }
    // The keys are the program's own classes, which no stream can add to.
    const auto found = std::find(m_types.begin(), m_types.end(), key);
    m_lastType = std::uint32_t(found - m_types.begin());
    if (found == m_types.end()) {
        m_types.push_back(key);
    }
    return m_lastType;
}

const unsigned char* StreamReader::readBody(std::uint32_t length)
{
    // A body already in the owner's window is read where it lies: nothing reads the owner until
    // the object is read.
    if (m_owner.windowHolds(length)) {
        const unsigned char* const body = m_owner.m_next;
        m_owner.m_next += length;
        return body;
    }
    if (m_owner.canSeek() && length > m_owner.remaining()) {
        throw ReadError("object body truncated");
    }
    // Grows in chunks as bytes arrive, so a damaged length on an unsized source cannot allocate
    // more than the data holds.
    m_body.clear();
    std::uint32_t got = 0;
    while (got < length) {
        const std::uint32_t chunk = std::min(length - got, m_owner.canSeek() ? length - got : limits::streamBodyChunk);
        m_body.resize(std::size_t(got) + chunk);
        const std::uint32_t delivered = m_owner.read(m_body.data() + got, chunk);
        got += delivered;
        if (delivered < chunk) {
            throw ReadError("object body truncated");
        }
    }
    return m_body.data();
}

void StreamReader::readInto(Streamable& object, std::uint32_t index, const unsigned char* bytes, std::uint32_t length)
{
    // The body is read from its own bounded source: a class that reads less or more than its body
    // cannot lose step with the records that follow. One source serves each body in turn, set
    // afresh for it, whatever the body before did to it.
    MemoryDataSource& body = m_bodySource;
    body.assign(bytes, length, false);
    body.setBigEndian(m_owner.isBigEndian());
    body.setStringMode(m_owner.stringMode());
    body.m_streamReader = this;
    struct Detach
    {
        MemoryDataSource& body;
        bool& inBody;
        ~Detach()
        {
            body.m_streamReader = nullptr;
            inBody = false;
        }
    } detach{body, m_inBody};
    m_early = false;
    m_inBody = true;
    object.read(body);
    m_objects[index].early = m_early;
    m_counts.earlyObjects += m_early ? 1 : 0;
    if (body.hasError()) {
        throw ReadError(std::string("damaged body of a \"") + object.className() + "\"");
    }
}

void StreamReader::dropRepeatsInRun(std::uint32_t start)
{
    // A field read twice would be set twice: for a shared pointer the second assignment would
    // drop the first object while the stream still holds it. The first reference counts. A field
    // lies in the object whose read recorded it, and each object's fixups form one run, so a repeat
    // can only lie within a run: short runs are compared pairwise, long ones (lists of references)
    // through a set.
    constexpr std::uint32_t pairwiseRun = 16;
    const auto end = std::uint32_t(m_fixups.size());
    const bool pairwise = end - start <= pairwiseRun;
    if (!pairwise) {
        m_fields.clear();
    }
    std::uint32_t kept = start;
    for (std::uint32_t i = start; i < end; ++i) {
        const void* const field = m_fixups[i].field;
        const bool repeated = pairwise
            ? std::any_of(m_fixups.begin() + start, m_fixups.begin() + kept,
                          [field](const Fixup& earlier) { return earlier.field == field; })
            : !m_fields.insert(field).second;
        if (repeated) {
            m_counts.lateFixups -= m_fixups[i].late;
            continue;
        }
        m_fixups[kept++] = m_fixups[i];
    }
    m_counts.repeatedFields += end - kept;
    m_fixups.resize(kept);
}

void StreamReader::finish()
{
    // A stream whose records made no object (none came, or only objects of classes without a
    // factory) has nothing to link or finish, and no root: the read gives null.
    if (m_objects.empty()) {
        debug("StreamRead: the stream holds no object!\n");
        return;
    }
    orderByAddress();
    if (m_counts.repeatedFields != 0) {
        debug("StreamRead: %u pointer fields stored more than once keep their first object!\n",
              unsigned(m_counts.repeatedFields));
    }
    try {
        link();
    } catch (...) {
        unpatch();
        throw;
    }
    patchSharedPointers();
    m_linked = true;
    Streamable* const root = heldRoot();
    const AfterLoadScope scope(root == m_rootBlock ? static_cast<SharedBlock*>(root)->object() : root);
    if (m_counts.earlyObjects != 0) {
        runAfterLoads(true);
    }
    runAfterLoads(false);
    m_linked = false;
}

void StreamReader::link()
{
    resolveFixups();
    logRefusals();
    if (m_counts.reached != m_objects.size()) {
        dropUnreachable();
    }
    patchPointers();
    checkSharedBlocks();
    checkSharedPointers();
}

std::uint32_t StreamReader::findKind(FieldKind kind)
{
    const auto found = std::find(m_kinds.begin(), m_kinds.end(), kind);
    if (found == m_kinds.end() && m_kinds.size() == maxKinds) {
        // The kinds are the program's own pointer types, which no stream can add to.
        throw std::logic_error("too many kinds of pointer fields");
    }
    m_lastKind = std::uint32_t(found - m_kinds.begin());
    if (found == m_kinds.end()) {
        m_kinds.push_back(kind);
    }
    return m_lastKind;
}

const StreamReader::ClassCheck& StreamReader::findClassCheck(std::uint32_t kind, const ObjectEntry& target)
{
    const auto matches = [kind, &target](const ClassCheck& check) {
        return check.kind == kind && check.type == target.type;
    };
    const auto found = std::find_if(m_classChecks.begin(), m_classChecks.end(), matches);
    m_lastCheck = std::uint32_t(found - m_classChecks.begin());
    if (found == m_classChecks.end()) {
        m_classChecks.push_back(makeClassCheck(kind, target));
    }
    return m_classChecks[m_lastCheck];
}

StreamReader::ClassCheck StreamReader::makeClassCheck(std::uint32_t kind, const ObjectEntry& target) const
{
    const FieldKind& fieldKind = m_kinds[kind];
    if (!fieldKind.plain) {
        return ClassCheck{kind, target.type, fieldKind.assign(nullptr, target.object), 0};
    }
    // The checked conversion, made once into a spare pointer: every object of this type converts
    // by the same distance.
    alignas(void*) unsigned char spare[sizeof(void*)] = {};
    const bool accepted = fieldKind.assign(spare, target.object);
    void* converted = nullptr;
    std::memcpy(&converted, spare, sizeof converted);
    const std::ptrdiff_t adjustment = !accepted
        ? 0
        : std::ptrdiff_t(reinterpret_cast<std::uintptr_t>(converted) - reinterpret_cast<std::uintptr_t>(target.object));
    return ClassCheck{kind, target.type, accepted, adjustment};
}

void StreamReader::assignField(const Fixup& fixup)
{
    const ObjectEntry& target = m_objects[fixup.target];
    const FieldKind& kind = m_kinds[fixup.kind];
    if (!kind.plain) {
        kind.assign(fixup.field, target.object);
        return;
    }
    storePointer(fixup.field, target.object, classCheck(fixup.kind, target).adjustment);
}

bool StreamReader::acceptsTarget(const Fixup& fixup) const
{
    // A refused reference, or a borrowed one whose object nothing kept, stays null.
    if (fixup.refused || m_objects[fixup.target].object == nullptr) {
        return false;
    }
    if (fixup.wrongClass) {
        throw ReadError("Bad pointer");
    }
    return true;
}

void StreamReader::orderByAddress()
{
    // A written stream numbers its objects in record order: the table itself is then in order.
    if (m_ascending) {
        return;
    }
    m_order.resize(m_objects.size());
    for (std::uint32_t i = 0; i < m_order.size(); ++i) {
        m_order[i] = {m_objects[i].address, i};
    }
    std::sort(m_order.begin(), m_order.end());
    const auto twin = std::adjacent_find(m_order.begin(), m_order.end(),
        [](const AddressEntry& a, const AddressEntry& b) { return a.first == b.first; });
    if (twin != m_order.end()) {
        throw ReadError("two objects with one address");
    }
}

std::uint32_t StreamReader::searchObject(std::uint32_t address) const
{
    if (!m_order.empty()) {
        const auto found = std::lower_bound(m_order.begin(), m_order.end(), AddressEntry{address, 0});
        if (found == m_order.end() || found->first != address) {
            throw ReadError("Bad pointer");
        }
        return found->second;
    }
    const auto found = std::lower_bound(m_objects.begin(), m_objects.end(), address,
        [](const ObjectEntry& entry, std::uint32_t wanted) { return entry.address < wanted; });
    if (found == m_objects.end() || found->address != address) {
        throw ReadError("Bad pointer");
    }
    return std::uint32_t(found - m_objects.begin());
}

void StreamReader::resolveFixups()
{
    // Objects are reached in record order from the root: one whose first reference comes from an
    // object before it (as a writer lays them out) is known reachable here, and the plain fields of
    // objects known reachable are set at once. Anything else waits for the passes after.
    m_counts.reached = m_objects.empty() ? 0 : 1;
    for (std::size_t index = 0; index < m_objects.size(); ++index) {
        const bool reachable = m_objects[index].referenced;
        const std::uint32_t end = fixupsEnd(index);
        for (std::uint32_t f = m_objects[index].firstFixup; f < end; ++f) {
            // Worked on in a copy and stored back whole.
            Fixup fixup = m_fixups[f];
            fixup.target = objectAt(fixup.target);
            ObjectEntry& target = m_objects[fixup.target];
            const ClassCheck& check = classCheck(fixup.kind, target);
            if (!check.accepts) {
                refuse(fixup);
            }
            if (reachable) {
                reachFrom(fixup, target, check);
            } else {
                m_counts.unpatched += fixup.late ? 0 : 1;
            }
            m_fixups[f] = fixup;
        }
    }
}

void StreamReader::refuse(Fixup& fixup)
{
    fixup.wrongClass = true;
    if (fixup.lenient) {
        fixup.refused = true;
        ++m_counts.refusals;
    }
}

void StreamReader::reachFrom(Fixup& fixup, ObjectEntry& target, const ClassCheck& check)
{
    // Borrowed references, and refused ones, keep nothing.
    const bool keeps = !fixup.borrowed && !fixup.refused;
    if (keeps && !target.referenced) {
        target.referenced = true;
        ++m_counts.reached;
    }
    if (fixup.late) {
        return;
    }
    if (keeps && !fixup.wrongClass && m_kinds[fixup.kind].plain) {
        storePointer(fixup.field, target.object, check.adjustment);
        fixup.patched = true;
        return;
    }
    ++m_counts.unpatched;
}

void StreamReader::storePointer(void* field, Streamable* object, std::ptrdiff_t adjustment)
{
    // The field holds a plain pointer to the class the check converted to, which lies this far
    // from the object's Streamable part.
    void* const converted =
        reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(object) + std::uintptr_t(adjustment));
    std::memcpy(field, &converted, sizeof converted);
}

void StreamReader::logRefusals() const
{
    if (m_counts.refusals == 0) {
        return;
    }
    for (const Fixup& fixup : m_fixups) {
        if (fixup.refused) {
            debug("StreamRead: a pointer names a \"%s\", which is not of the field's class; it stays null!\n",
                  m_objects[fixup.target].object->className());
        }
    }
}

void StreamReader::patchPointers()
{
    if (m_counts.unpatched == 0) {
        return;
    }
    for (const Fixup& fixup : m_fixups) {
        if (!fixup.late && !fixup.patched && acceptsTarget(fixup)) {
            assignField(fixup);
        }
    }
}

void StreamReader::patchSharedPointers()
{
    // Shared pointers are set last, once their blocks point to their objects.
    if (m_counts.lateFixups == 0) {
        return;
    }
    for (const Fixup& fixup : m_fixups) {
        if (fixup.late && acceptsTarget(fixup)) {
            assignField(fixup);
        }
    }
}

void StreamReader::unpatch()
{
    for (const Fixup& fixup : m_fixups) {
        if (!fixup.late) {
            clearField(fixup);
        }
    }
}

void StreamReader::checkSharedBlocks()
{
    // A block owns its object: one owner per object, never another block, and a block that owns
    // the root is what the caller then holds.
    if (m_counts.blocks == 0) {
        return;
    }
    for (const ObjectEntry& entry : m_objects) {
        if (!entry.block || entry.object == nullptr) {
            continue;
        }
        Streamable* const owned = static_cast<SharedBlock*>(entry.object)->object();
        if (owned == nullptr) {
            continue;
        }
        if (dynamic_cast<const SharedBlock*>(owned) != nullptr || !m_ownedByBlocks.insert(owned).second) {
            throw ReadError("Bad pointer");
        }
        if (owned == m_objects.front().object) {
            m_rootBlock = entry.object;
        }
    }
    checkFieldsKeepingOwned();
}

void StreamReader::checkFieldsKeepingOwned() const
{
    // What a block owns is kept through that block alone: whatever else kept it could free it
    // under the block, or leave the block owning an object already freed. The root is the
    // exception: the caller holds it (through the block that owns it), and objects below it may
    // name it back. Borrowed and refused references keep nothing; a block's one field is its
    // object.
    if (m_ownedByBlocks.empty()) {
        return;
    }
    for (std::size_t index = 0; index < m_objects.size(); ++index) {
        if (m_objects[index].block) {
            continue;
        }
        const std::uint32_t end = fixupsEnd(index);
        for (std::uint32_t f = m_objects[index].firstFixup; f < end; ++f) {
            const Fixup& fixup = m_fixups[f];
            const bool keeps = !fixup.late && !fixup.borrowed && !fixup.refused && fixup.target != 0;
            if (keeps && m_ownedByBlocks.count(m_objects[fixup.target].object) != 0) {
                throw ReadError("Bad pointer");
            }
        }
    }
}

void StreamReader::checkSharedPointers() const
{
    // A counted object held as itself must not also belong to a block.
    if (m_counts.lateFixups == 0) {
        return;
    }
    for (const Fixup& fixup : m_fixups) {
        if (fixup.late && acceptsTarget(fixup) && m_ownedByBlocks.count(m_objects[fixup.target].object) != 0) {
            throw ReadError("Bad pointer");
        }
    }
}

void StreamReader::dropUnreachable()
{
    markReachable();
    std::uint32_t dropped = 0;
    for (ObjectEntry& entry : m_objects) {
        if (!entry.referenced) {
            delete entry.object;
            entry.object = nullptr;
            ++dropped;
        }
    }
    if (dropped == 0) {
        return;
    }
    debug("StreamRead: %u objects not reachable from the root dropped!\n", unsigned(dropped));
    std::uint32_t kept = 0;
    for (std::size_t index = 0; index < m_objects.size(); ++index) {
        const std::uint32_t start = m_objects[index].firstFixup;
        const std::uint32_t end = fixupsEnd(index);
        m_objects[index].firstFixup = kept;
        if (m_objects[index].object != nullptr) {
            kept = std::uint32_t(std::copy(m_fixups.begin() + start, m_fixups.begin() + end, m_fixups.begin() + kept) -
                                 m_fixups.begin());
        }
    }
    m_fixups.resize(kept);
}

void StreamReader::markReachable()
{
    // From the root again, through every reference that keeps its object.
    for (ObjectEntry& entry : m_objects) {
        entry.referenced = false;
    }
    std::vector<std::uint32_t> pending{0};
    m_objects.front().referenced = true;
    while (!pending.empty()) {
        const std::uint32_t owner = pending.back();
        pending.pop_back();
        for (std::uint32_t f = m_objects[owner].firstFixup; f < fixupsEnd(owner); ++f) {
            const Fixup& fixup = m_fixups[f];
            ObjectEntry& target = m_objects[fixup.target];
            if (!fixup.borrowed && !fixup.refused && !target.referenced) {
                target.referenced = true;
                pending.push_back(fixup.target);
            }
        }
    }
}

void StreamReader::runAfterLoads(bool early)
{
    const auto run = [early](const ObjectEntry& entry) {
        if (entry.object != nullptr && entry.early == early) {
            entry.object->afterLoad();
        }
    };
    if (m_order.empty()) {
        std::for_each(m_objects.begin(), m_objects.end(), run);
        return;
    }
    for (const AddressEntry& sorted : m_order) {
        run(m_objects[sorted.second]);
    }
}

void StreamReader::deleteObjects()
{
    if (m_linked && !m_objects.empty()) {
        // Once linked, the graph is owned through its root as it would be after a good read.
        holdRoot(heldRoot());
    } else {
        for (const ObjectEntry& entry : m_objects) {
            delete entry.object;
        }
    }
    forgetStream();
}

void StreamReader::forgetStream()
{
    m_objects.clear();
    m_fixups.clear();
    m_classChecks.clear();
    m_lastCheck = 0;
    m_kinds.clear();
    m_lastKind = 0;
    m_types.clear();
    m_lastType = 0;
    m_order.clear();
    m_ascending = true;
    m_counts = Counts{};
    m_linked = false;
    m_rootBlock = nullptr;
    m_ownedByBlocks.clear();
    keepTables();
}

StreamReader::Tables& StreamReader::spareTables()
{
    thread_local Tables spare;
    return spare;
}

void StreamReader::takeSpareTables()
{
    Tables& spare = spareTables();
    m_objects.swap(spare.objects);
    m_fixups.swap(spare.fixups);
}

void StreamReader::keepTables()
{
    // The larger tables are kept, up to the cap; the others go with this reader.
    const auto bytes = [](const std::vector<ObjectEntry>& objects, const std::vector<Fixup>& fixups) {
        return objects.capacity() * sizeof(ObjectEntry) + fixups.capacity() * sizeof(Fixup);
    };
    Tables& spare = spareTables();
    const std::size_t ours = bytes(m_objects, m_fixups);
    if (ours > limits::maxKeptStreamTableBytes || ours <= bytes(spare.objects, spare.fixups)) {
        return;
    }
    m_objects.swap(spare.objects);
    m_fixups.swap(spare.fixups);
}

Streamable* StreamReader::heldRoot() const
{
    return m_rootBlock != nullptr ? m_rootBlock : m_objects.front().object;
}

DataSource& DataSource::registerFactory(StreamableFactory factory)
{
    if (m_streamReader == nullptr) {
        m_streamReader = new StreamReader(*this);
        m_streamReader->registerFactory(&SharedBlock::make);
    }
    m_streamReader->registerFactory(factory);
    return *this;
}

counted_ptr<Streamable> DataSource::readObject()
{
    if (m_streamReader == nullptr) {
        return counted_ptr<Streamable>();
    }
    if (m_streamReader->isReading()) {
        debug("Stream reader: %s\n", "a stream cannot be read inside one of its own objects");
        setError();
        return counted_ptr<Streamable>();
    }
    const std::unique_ptr<StreamReader> reader(m_streamReader);
    m_streamReader = nullptr;
    // Damaged bytes and a class's own failure alike end the read: the objects made so far are
    // freed by the reader, and the caller sees the error flag and no object.
    try {
        return holdRoot(reader->readStream());
    } catch (const std::exception& error) {
        debug("Stream reader: %s\n", error.what());
    } catch (...) {
        debug("Stream reader: %s\n", "an object's read failed");
    }
    setError();
    return counted_ptr<Streamable>();
}

DataSource& DataSource::readObjectRef(void* field, PointerAssign assign, PatchTime time)
{
    std::uint32_t address = 0;
    readUInt32(address);
    if (m_streamReader == nullptr || hasError()) {
        return *this;
    }
    assign(field, nullptr);
    if (address != 0) {
        m_streamReader->addFixup(address, field, assign, time);
    }
    return *this;
}

void DataSource::addPointerFixup(std::uint32_t address, void* field, PointerAssign assign)
{
    m_streamReader->addPointerFixup(address, field, assign);
}

void DataSource::requestEarlyAfterLoad()
{
    if (m_streamReader != nullptr) {
        m_streamReader->requestEarlyAfterLoad();
    }
}

void DataSource::dropStreamReader()
{
    delete m_streamReader;
    m_streamReader = nullptr;
}

}
