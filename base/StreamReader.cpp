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
#include <unordered_set>

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
        m_fixups.push_back(
            Fixup{.field = field, .target = address, .assign = assignIndex(assign), .late = time == PatchTime::Late});
    }
}

void StreamReader::addCheckedFixup(std::uint32_t address, void* field, PointerAssign assign, PatchTime time,
                                   Hold hold)
{
    if (m_inBody) {
        m_fixups.push_back(Fixup{.field = field,
                                 .target = address,
                                 .assign = assignIndex(assign),
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
    m_objects.clear();
    m_fixups.clear();
    m_classChecks.clear();
    m_assigns.clear();
    m_rootBlock = nullptr;
    m_ownedByBlocks.clear();
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
        const int kind = m_owner.readByte();
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
    ClassEntry& entry = m_classes[id];
    // A class number declared again may name another class.
    m_classChecks.clear();
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
    const auto found = m_classes.find(classId);
    if (found == m_classes.end() || found->second.factory == nullptr) {
        return;
    }
    Streamable* const object = found->second.factory();
    if (object == nullptr) {
        // Registration made a prototype with the factory, so this is the factory's fault, not the stream's.
        throw std::logic_error("factory of \"" + found->second.name + "\" made no object");
    }
    const auto index = std::uint32_t(m_objects.size());
    m_objects.push_back(ObjectEntry{address, classId, std::uint32_t(m_fixups.size()), false, index == 0,
                                    found->second.factory == &SharedBlock::make, object});
    readInto(*object, index, body, length);
}

const unsigned char* StreamReader::readBody(std::uint32_t length)
{
    if (m_owner.canSeek() && length > m_owner.remaining()) {
        throw ReadError("object body truncated");
    }
    // A body already in the owner's window is read where it lies: nothing reads the owner until
    // the object is read.
    if (m_owner.windowHolds(length)) {
        const unsigned char* const body = m_owner.m_next;
        m_owner.m_next += length;
        return body;
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
    // cannot lose step with the records that follow.
    MemoryDataSource body(bytes, length, false);
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
    if (body.hasError()) {
        throw ReadError(std::string("damaged body of a \"") + object.className() + "\"");
    }
}

void StreamReader::finish()
{
    const AddressOrder order = sortedByAddress();
    dropRepeatedFields();
    resolveFixups(order);
    refuseWrongClasses();
    dropUnreachable();
    try {
        patchPointers();
        checkSharedBlocks();
        checkSharedPointers();
    } catch (...) {
        unpatch();
        throw;
    }
    // Shared pointers are set last, once their blocks point to their objects.
    for (const Fixup& fixup : m_fixups) {
        if (fixup.late && acceptsTarget(fixup)) {
            assignField(fixup, m_objects[fixup.target].object);
        }
    }
    m_linked = true;
    Streamable* const root = heldRoot();
    const AfterLoadScope scope(root == m_rootBlock ? static_cast<SharedBlock*>(root)->object() : root);
    runAfterLoads(order, true);
    runAfterLoads(order, false);
    m_linked = false;
}

void StreamReader::dropRepeatedFields()
{
    // A field read twice would be set twice: for a shared pointer the second assignment would
    // drop the first object while the stream still holds it. The first reference counts. A field
    // lies in the object whose read recorded it, and each object's fixups form one run, so a repeat
    // can only lie within a run: short runs are compared pairwise, long ones (lists of references)
    // through a set.
    constexpr std::size_t pairwiseRun = 16;
    std::unordered_set<const void*> fields;
    std::uint32_t kept = 0;
    for (std::size_t index = 0; index < m_objects.size(); ++index) {
        const std::uint32_t start = m_objects[index].firstFixup;
        const std::uint32_t end = fixupsEnd(index);
        m_objects[index].firstFixup = kept;
        fields.clear();
        for (std::uint32_t i = start; i < end; ++i) {
            const void* const field = m_fixups[i].field;
            const bool repeated = end - start <= pairwiseRun
                ? std::any_of(m_fixups.begin() + m_objects[index].firstFixup, m_fixups.begin() + kept,
                              [field](const Fixup& earlier) { return earlier.field == field; })
                : !fields.insert(field).second;
            if (!repeated) {
                m_fixups[kept++] = m_fixups[i];
            }
        }
    }
    const std::size_t dropped = m_fixups.size() - kept;
    m_fixups.resize(kept);
    if (dropped != 0) {
        debug("StreamRead: %u pointer fields stored more than once keep their first object!\n", unsigned(dropped));
    }
}

std::uint32_t StreamReader::assignIndex(PointerAssign assign)
{
    // A stream's fields are of a few kinds, and runs of one kind are common.
    if (m_lastAssign < m_assigns.size() && m_assigns[m_lastAssign] == assign) {
        return m_lastAssign;
    }
    const auto found = std::find(m_assigns.begin(), m_assigns.end(), assign);
    if (found == m_assigns.end()) {
        if (m_assigns.size() == maxAssigns) {
            // The kinds are the program's own pointer types, which no stream can add to.
            throw std::logic_error("too many kinds of pointer fields");
        }
        m_assigns.push_back(assign);
    }
    m_lastAssign = std::uint32_t(std::find(m_assigns.begin(), m_assigns.end(), assign) - m_assigns.begin());
    return m_lastAssign;
}

bool StreamReader::accepts(std::uint32_t assign, const ObjectEntry& target)
{
    for (const ClassCheck& check : m_classChecks) {
        if (check.assign == assign && check.classId == target.classId) {
            return check.accepts;
        }
    }
    const bool accepted = m_assigns[assign](nullptr, target.object);
    m_classChecks.push_back(ClassCheck{assign, target.classId, accepted});
    return accepted;
}

void StreamReader::refuseWrongClasses()
{
    for (Fixup& fixup : m_fixups) {
        const ObjectEntry& target = m_objects[fixup.target];
        if (target.object == nullptr || accepts(fixup.assign, target)) {
            continue;
        }
        fixup.wrongClass = true;
        if (fixup.lenient) {
            debug("StreamRead: a pointer names a \"%s\", which is not of the field's class; it stays null!\n",
                  target.object->className());
            fixup.refused = true;
        }
    }
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

void StreamReader::patchPointers()
{
    for (const Fixup& fixup : m_fixups) {
        if (!fixup.late && acceptsTarget(fixup)) {
            assignField(fixup, m_objects[fixup.target].object);
        }
    }
}

void StreamReader::unpatch()
{
    for (const Fixup& fixup : m_fixups) {
        if (!fixup.late) {
            assignField(fixup, nullptr);
        }
    }
}

void StreamReader::checkSharedBlocks()
{
    // A block owns its object: one owner per object, never another block, and a block that owns
    // the root is what the caller then holds.
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
}

void StreamReader::checkSharedPointers() const
{
    // A counted object held as itself must not also belong to a block.
    for (const Fixup& fixup : m_fixups) {
        if (fixup.late && acceptsTarget(fixup) && m_ownedByBlocks.count(m_objects[fixup.target].object) != 0) {
            throw ReadError("Bad pointer");
        }
    }
}

StreamReader::AddressOrder StreamReader::sortedByAddress() const
{
    AddressOrder order(m_objects.size());
    for (std::uint32_t i = 0; i < order.size(); ++i) {
        order[i] = {m_objects[i].address, i};
    }
    // A written stream numbers its objects in record order, so the sort is usually skipped.
    if (!std::is_sorted(order.begin(), order.end())) {
        std::sort(order.begin(), order.end());
    }
    const auto twin = std::adjacent_find(order.begin(), order.end(),
        [](const AddressEntry& a, const AddressEntry& b) { return a.first == b.first; });
    if (twin != order.end()) {
        throw ReadError("two objects with one address");
    }
    return order;
}

void StreamReader::resolveFixups(const AddressOrder& order)
{
    // Dense addresses (first, first + 1, ...) are found by subtraction, others by binary search.
    const bool dense = !order.empty() && order.back().first - order.front().first == order.size() - 1;
    for (Fixup& fixup : m_fixups) {
        const std::uint32_t offset = fixup.target - (order.empty() ? 0 : order.front().first);
        auto found = dense && offset < order.size() ? order.begin() + offset : order.end();
        if (!dense) {
            found = std::lower_bound(order.begin(), order.end(), AddressEntry{fixup.target, 0});
        }
        if (found == order.end() || found->first != fixup.target) {
            throw ReadError("Bad pointer");
        }
        fixup.target = found->second;
    }
}

void StreamReader::dropUnreachable()
{
    if (m_objects.empty()) {
        return;
    }
    std::vector<std::uint32_t> pending{0};
    m_objects.front().referenced = true;
    while (!pending.empty()) {
        const std::uint32_t owner = pending.back();
        pending.pop_back();
        for (std::uint32_t f = m_objects[owner].firstFixup; f < fixupsEnd(owner); ++f) {
            const Fixup& fixup = m_fixups[f];
            ObjectEntry& target = m_objects[fixup.target];
            // Borrowed references, and refused ones, keep nothing.
            if (!fixup.borrowed && !fixup.refused && !target.referenced) {
                target.referenced = true;
                pending.push_back(m_fixups[f].target);
            }
        }
    }
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

void StreamReader::runAfterLoads(const AddressOrder& order, bool early)
{
    for (const AddressEntry& sorted : order) {
        const ObjectEntry& entry = m_objects[sorted.second];
        if (entry.object != nullptr && entry.early == early) {
            entry.object->afterLoad();
        }
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
    m_objects.clear();
    m_fixups.clear();
    m_classChecks.clear();
    m_assigns.clear();
    m_linked = false;
    m_rootBlock = nullptr;
    m_ownedByBlocks.clear();
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
