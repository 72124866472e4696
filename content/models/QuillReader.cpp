#include "content/models/QuillReader.h"

#include "base/DataSource.h"
#include "base/Debug.h"
#include "base/Limits.h"
#include "base/ReadError.h"
#include "content/DataFiles.h"
#include "content/ImageFiles.h"
#include "content/models/OldStuff.h"
#include "content/models/PelicanDatabaseReader.h"
#include "content/world/BranchWalks.h"
#include "content/world/PelicanDB.h"
#include "scene/graph/ExrefBranch.h"
#include "scene/graph/GroupBranch.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/Object.h"
#include "scene/graph/SwitchBranch.h"
#include "scene/math/Matrix.h"
#include "scene/render/Material.h"
#include "scene/render/Texture.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <set>
#include <string>
#include <utility>

namespace pelican
{

namespace
{

using heron::ReadError;

constexpr const char* headerStart = "Compatibility: ";
// Revision 1.0 marks the text form of the format; the binary form spans these.
constexpr float textRevision = 1.0f;
constexpr double firstBinaryRevision = 2.0;
constexpr double lastBinaryRevision = 412.0;
// Byte-order byte of little-endian files; any other value means big-endian.
constexpr int littleEndianMark = 3;
// No record has a tag near this; a longer run of 255 bytes is damage, not a tag.
constexpr std::int32_t highestTag = 0xFFFF;
// Bytes shown before a record the reader does not know.
constexpr std::uint32_t dumpBytes = 512;

// The editor's usual texture folders, searched after the two beside the file.
constexpr const char* editorTextureFolders[] = {
    "c:/textures/",
    "e:/textures/",
    "d:/project/textures/",
    "d:/project/textures/cycles/",
    "d:/project/textures/shadows/",
    "f:/project/textures/",
    "f:/project/textures/cycles/",
    "f:/project/textures/shadows/",
};

void addTextureFolders(const heron_string& directory)
{
    addSearchFolder(heron::joinPath(directory, "textures/").c_str(), texturesCategory);
    addSearchFolder(heron::joinPath(directory, "data/textures/").c_str(), texturesCategory);
    for (const char* folder : editorTextureFolders) {
        addSearchFolder(folder, texturesCategory);
    }
    addSearchFolder(directory.c_str(), texturesCategory);
}

// Collects every branch of a tree, parent before children.
class BranchCollector : public finch::BranchProcessor
{
public:
    bool process(finch::Branch& branch) override
    {
        branches.insert(&branch);
        return true;
    }
    std::set<finch::Branch*> branches;
};

// Keeps the search-folder table of the caller whatever a nested load registers.
class SavedSearchFolders
{
public:
    SavedSearchFolders() { pushSearchFolders(); }
    ~SavedSearchFolders() { popSearchFolders(); }
    SavedSearchFolders(const SavedSearchFolders&) = delete;
    SavedSearchFolders& operator=(const SavedSearchFolders&) = delete;
};

// The model files being read by nested external references, outermost first.
std::vector<heron::FilePath>& filesLoading()
{
    static std::vector<heron::FilePath> loading;
    return loading;
}

// Lists a file as being read for the life of the object.
class FileBeingRead
{
public:
    explicit FileBeingRead(const heron::FilePath& path) { filesLoading().push_back(path); }
    ~FileBeingRead() { filesLoading().pop_back(); }
    FileBeingRead(const FileBeingRead&) = delete;
    FileBeingRead& operator=(const FileBeingRead&) = delete;
};

}

heron::counted_ptr<PelicanDB> loadExternalModel(const heron::FilePath& name, const heron_string& searchRoot)
{
    std::vector<heron::FilePath>& loading = filesLoading();
    if (std::find(loading.begin(), loading.end(), name) != loading.end()) {
        heron::debug("QuillReader: the external reference %s is not read\n", name.c_str());
        return {};
    }
    const FileBeingRead reading(name);
    return PelicanDatabaseReader::loadDatabase(name, searchRoot);
}

heron::counted_ptr<PelicanDB> readQuillFile(const heron::FilePath& name, QuillVariant variant)
{
    QuillRead read = tryQuillFile(name, variant);
    if (!read.failure.empty()) {
        heron::debug("Quill read failed because: %s\n", read.failure.c_str());
    }
    return std::move(read.database);
}

QuillRead tryQuillFile(const heron::FilePath& name, QuillVariant variant)
{
    DataFileName record(name, databasesCategory);
    const heron::counted_ptr<heron::DataSource> source = openDataFile(record);
    if (!source) {
        return {};
    }
    heron::counted_ptr<PelicanDB> database(new PelicanDB);
    try {
        QuillReader reader(*source, name, variant);
        reader.readFile(*database);
    } catch (const ReadError& error) {
        return {{}, error.what()};
    }
    return {database, {}};
}

QuillReader::Nesting::Nesting(QuillReader& reader) : m_reader(reader)
{
    requireNesting(m_reader.m_nesting + 1);
    ++m_reader.m_nesting;
}

void QuillReader::requireNesting(int depth)
{
    if (depth > heron::limits::maxModelRecordNesting) {
        throw ReadError("QuillReader: Records nested too deeply");
    }
}

QuillReader::QuillReader(heron::DataSource& source, const heron::FilePath& name, QuillVariant variant)
    : m_source(source), m_path(name), m_variant(variant)
{
    m_source.setStringMode(0);
    addTextureFolders(m_path.spelledDirectory());
}

QuillReader::~QuillReader() = default;

void QuillReader::readFile(PelicanDB& database)
{
    m_database = &database;
    readHeader();
    if (m_revision == textRevision) {
        readTextVariant(database);
        return;
    }
    if (m_variant == QuillVariant::Rxs) {
        readByte();
    }
    m_source.setBigEndian(readByte() != littleEndianMark);
    readFileRecords();
    resolveInstances();
    DataFileName record(m_path, databasesCategory);
    database.setFilePath(heron::FilePath(resolveDataFile(record)));
    quill_reader::findFrameAnimations(database);
}

void QuillReader::readHeader()
{
    const heron_string header = readString();
    const std::size_t startLength = std::strlen(headerStart);
    if (header.size() < startLength || header.compare(0, std::uint32_t(startLength), headerStart) != 0) {
        throw ReadError("QuillReader: File has bad header");
    }
    const char* number = header.c_str() + startLength;
    const char* const end = header.c_str() + header.size();
    while (number != end && (*number == ' ' || *number == '\t')) {
        ++number;
    }
    const auto parsed = std::from_chars(number, end, m_revision);
    if (parsed.ec == std::errc() && m_revision == textRevision) {
        return;
    }
    if (parsed.ec != std::errc() || isBelow(firstBinaryRevision) || double(m_revision) > lastBinaryRevision) {
        throw ReadError("QuillReader: File revision not supported");
    }
}

void QuillReader::readFileRecords()
{
    for (;;) {
        const std::int32_t tag = readTag();
        switch (tag) {
        case 0: return;
        case 10: readMaterialTable(); break;
        case 40: readObject(); break;
        case 50: oldStuff().readScene(*m_database); break;
        case 60:
            readByte();
            skipChunk("Bad file");
            break;
        case 61: readTexture(false); break;
        case 62: readString(); break;
        case 70: readView(); break;
        case 80: readTexture(true); break;
        default: throw ReadError("QuillReader: Unknown data at file level");
        }
    }
}

std::int32_t QuillReader::readTag()
{
    int byte = m_source.readByte();
    std::int32_t tag = byte;
    while (byte == 255) {
        byte = m_source.readByte();
        if (byte < 0) {
            return -1;
        }
        tag += byte - 1;
        if (tag > highestTag) {
            throw ReadError("Bad file");
        }
    }
    return tag;
}

std::int32_t QuillReader::readRecordTag()
{
    const std::int32_t tag = readTag();
    if (tag < 0) {
        throw ReadError("Bad file");
    }
    return tag;
}

std::int32_t QuillReader::readChunkLength()
{
    const std::uint8_t length = readByte();
    return length != 0 ? length : readInt32();
}

void QuillReader::skipChunk(const char* message)
{
    const std::int32_t length = readChunkLength();
    const std::uint32_t left = m_source.canSeek() ? m_source.remaining() : std::uint32_t(-1);
    if (m_source.hasError() || length < 0 || std::uint32_t(length) > left) {
        throw ReadError(message);
    }
    m_source.skip(std::uint32_t(length));
    heron::requireGood(m_source, message);
}

void QuillReader::requireCount(std::int32_t count, std::uint32_t itemBytes)
{
    const std::uint64_t left = m_source.canSeek() ? m_source.remaining() : std::uint64_t(-1);
    if (m_source.hasError() || count < 0 || count > heron::limits::maxModelVertexCount ||
        std::uint64_t(count) * itemBytes > left) {
        throw ReadError("Bad file");
    }
}

heron_string QuillReader::readString()
{
    heron_string text;
    m_source.readString(text);
    return text;
}

std::int32_t QuillReader::readInt32()
{
    std::int32_t value = 0;
    m_source.readInt32(value);
    return value;
}

std::uint8_t QuillReader::readByte()
{
    char value = 0;
    m_source.readByte(value);
    return std::uint8_t(value);
}

float QuillReader::readFloat()
{
    std::uint32_t bits = 0;
    m_source.readUInt32(bits);
    return std::bit_cast<float>(bits);
}

double QuillReader::readValue()
{
    if (isBelow(4.01)) {
        return readFloat();
    }
    double value = 0.0;
    m_source.readDouble(value);
    return value;
}

finch::RGBA QuillReader::readColour()
{
    finch::RGBA colour;
    colour.r = readFloat();
    colour.g = readFloat();
    colour.b = readFloat();
    return colour;
}

finch::Vector3d QuillReader::readVector3d()
{
    double xyz[3] = {};
    for (double& value : xyz) {
        m_source.readDouble(value);
    }
    return finch::Vector3d(xyz[0], xyz[1], xyz[2]);
}

void QuillReader::readTransform(finch::Matrix& matrix)
{
    double elements[16];
    for (double& element : elements) {
        element = readValue();
    }
    if (isBelow(3.01)) {
        toZUp(elements);
    }
    matrix.setElements(elements);
}

finch::Vector3d QuillReader::toZUp(const finch::Vector3d& v)
{
    return finch::Vector3d(v.x, -v.z, v.y);
}

void QuillReader::toZUp(double* elements)
{
    double(*const m)[4] = reinterpret_cast<double(*)[4]>(elements);
    for (int row = 0; row < 4; ++row) {
        const double column1 = m[row][1];
        m[row][1] = -m[row][2];
        m[row][2] = column1;
    }
    for (int column = 0; column < 3; ++column) {
        const double row1 = m[1][column];
        m[1][column] = -m[2][column];
        m[2][column] = row1;
    }
}

void QuillReader::readMaterialTable()
{
    for (std::int32_t tag = readRecordTag(); tag != 0; tag = readRecordTag()) {
        if (tag != 11) {
            skipChunk("Bad material table");
            continue;
        }
        const std::int32_t index = isBelow(3.02) ? readByte() : readInt32();
        heron::requireGood(m_source, "Bad material table");
        if (index < 0 || index > heron::limits::maxModelTableIndex) {
            throw ReadError("QuillReader: Bad material index in file");
        }
        if (m_materials.size() <= std::size_t(index)) {
            m_materials.resize(std::size_t(index) + 1);
        }
        m_materials[std::size_t(index)].reset(new finch::Material(finch::RGBA{1.0f, 1.0f, 1.0f, 1.0f}));
        readMaterialFields(*m_materials[std::size_t(index)]);
    }
}

void QuillReader::readMaterialFields(finch::Material& material)
{
    for (std::int32_t tag = readRecordTag(); tag != 0; tag = readRecordTag()) {
        switch (tag) {
        case 12: material.setAmbient(readColour()); break;
        case 13: material.setDiffuse(readColour()); break;
        case 14: material.setSpecular(readColour()); break;
        case 15: material.setEmission(readColour()); break;
        // The editor's shininess runs to 128.
        case 16: material.setShininess(readFloat() * 0.0078125f); break;
        case 17: material.setOpacity(readFloat()); break;
        case 18: material.setName(readString()); break;
        default: skipChunk("Corrupted material"); break;
        }
    }
    material.setLit(true);
}

void QuillReader::readTexture(bool longForm)
{
    const std::int32_t index = readInt32();
    heron::requireGood(m_source, "Bad texture data");
    if (index < 0 || index > heron::limits::maxModelTableIndex) {
        throw ReadError("QuillReader: Bad texture index in file");
    }
    if (m_textures.size() <= std::size_t(index)) {
        m_textures.resize(std::size_t(index) + 1);
    }
    QuillTexture& entry = m_textures[std::size_t(index)];
    entry.texture.reset(new finch::Texture);
    entry.texture->setFile(heron::FilePath(readString()));
    if (longForm) {
        readTextureFields(entry);
    }
}

void QuillReader::readTextureFields(QuillTexture& entry)
{
    finch::Texture& texture = *entry.texture;
    for (std::int32_t tag = readRecordTag(); tag != 0; tag = readRecordTag()) {
        switch (tag) {
        case 81:
        case 82:
        case 83:
            if (isBelow(3.0)) {
                readChunkLength();
            }
            readInt32();
            break;
        case 84: {
            readChunkLength();
            const bool clamp = readInt32() != 0;
            texture.setClampS(clamp);
            texture.setClampT(clamp);
            break;
        }
        case 85: texture.setClampS(readInt32() != 0); break;
        case 86: texture.setClampT(readInt32() != 0); break;
        case 87: entry.translucent = readInt32() != 0; break;
        case 88: readInt32(); break;
        default: skipChunk("Bad texture data"); break;
        }
    }
    // An image without an alpha channel cannot be translucent.
    const ImageInfo image = readImageByType(texture.file());
    if (image.components == 1 || image.components == 3) {
        entry.translucent = false;
    }
}

void QuillReader::readObject()
{
    auto holder = std::make_unique<finch::Object>();
    finch::Object& object = *holder;
    object.setName(readString());
    m_database->addObject(holder);
    bool makeMain = false;
    for (std::int32_t tag = readTag(); tag != 0; tag = readTag()) {
        readObjectRecord(object, tag, makeMain);
    }
    finishObject(object);
    if (makeMain) {
        m_database->setMainObject(&object);
    }
}

void QuillReader::readObjectRecord(finch::Object& object, std::int32_t tag, bool& makeMain)
{
    switch (tag) {
    case 21: readPosition(); break;
    case 26: readVertexTable(isBelow(3.01)); break;
    case 41:
    case 42: oldStuff().readObjectRecord(tag); break;
    case 44: m_objectIndexes[&object] = readInt32(); break;
    case 46:
    case 47:
    case 48: readInt32(); break;
    case 58:
    case 229:
    case 230:
    case 231:
    case 233: skipChunk("Bad file"); break;
    case 63: makeMain = readInt32() != 0; break;
    case 64: readValue(); break;
    case 65: readExternalReference(object); break;
    case 70: readView(); break;
    case 102:
        m_surface = QuillSurface();
        readHierarchy(object);
        break;
    case 126:
        readPosition();
        readPosition();
        break;
    case 141: readEngines(object); break;
    default:
        dumpUnknown();
        throw ReadError("QuillReader: Bad data at object level");
    }
}

OldStuff& QuillReader::oldStuff()
{
    if (!m_oldStuff) {
        m_oldStuff = std::make_unique<OldStuff>(*this);
    }
    return *m_oldStuff;
}

void QuillReader::readExternalReference(finch::Object& object)
{
    const heron_string name = readString();
    heron::counted_ptr<PelicanDB> database;
    {
        const SavedSearchFolders saved;
        database = loadExternalModel(heron::FilePath(name), m_path.spelledDirectory());
    }
    auto exref = std::make_unique<finch::ExrefBranch>();
    exref->setFilePath(name);
    if (database) {
        exref->setDatabase(database);
    }
    std::unique_ptr<finch::Branch> holder = std::move(exref);
    replaceRoot(object, holder);
}

void QuillReader::readView()
{
    readInt32();
    finch::Matrix ignored;
    for (std::int32_t tag = readRecordTag(); tag != 0; tag = readRecordTag()) {
        switch (tag) {
        case 71:
        case 72: readByte(); break;
        case 73:
        case 74:
        case 75: readTransform(ignored); break;
        case 76: readValue(); break;
        case 77: readVector3d(); break;
        default: throw ReadError("QuillReader: Bad view data");
        }
    }
}

void QuillReader::readVertexTable(bool convert)
{
    const std::int32_t count = readInt32();
    requireCount(count, 3 * (isBelow(4.01) ? 4 : 8));
    std::vector<finch::Vector3d> table;
    table.reserve(std::size_t(count));
    for (std::int32_t i = 0; i < count; ++i) {
        const finch::Vector3d position = readPosition();
        table.push_back(convert ? toZUp(position) : position);
    }
    heron::requireGood(m_source, "Bad file");
    m_vertexTable = std::move(table);
}

void QuillReader::finishObject(finch::Object& object)
{
    if (!isBelow(400.0)) {
        return;
    }
    std::unique_ptr<finch::Branch> root = oldStuff().build(object);
    replaceRoot(object, root);
    m_oldStuff.reset();
}

void QuillReader::dumpUnknown()
{
    if (!m_source.canSeek()) {
        return;
    }
    const std::uint32_t position = m_source.tell();
    std::vector<unsigned char> bytes(std::min(dumpBytes, m_source.remaining()));
    const std::uint32_t got = m_source.read(bytes.data(), std::uint32_t(bytes.size()));
    heron::debug("\n");
    heron::hexDump(bytes.data(), got);
    if (got > 0) {
        m_source.seek(position);
    }
}

void QuillReader::replaceRoot(finch::Object& object, std::unique_ptr<finch::Branch>& holder)
{
    if (finch::Branch* const old = object.root()) {
        forgetBranches(*old);
    }
    object.setRoot(holder);
}

void QuillReader::forgetBranches(finch::Branch& root)
{
    BranchCollector collector;
    root.process(collector);
    for (finch::Branch* branch : collector.branches) {
        m_branchIndexes.erase(branch);
        if (auto* const instance = dynamic_cast<finch::InstanceBranch*>(branch)) {
            m_instanceIndexes.erase(instance);
        }
        if (auto* const flipbook = dynamic_cast<finch::SwitchBranch*>(branch)) {
            while (std::count(m_database->flipbooks().begin(), m_database->flipbooks().end(), flipbook) != 0) {
                m_database->removeFlipbook(flipbook);
            }
        }
    }
    std::erase_if(m_engineTargets, [&](const std::pair<Engine*, finch::Branch*>& connection) {
        if (collector.branches.count(connection.second) == 0) {
            return false;
        }
        heron::debug("QuillReader: an engine's target was replaced; the engine keeps no target\n");
        clearTarget(*connection.first);
        return true;
    });
}

void QuillReader::resolveInstances()
{
    std::map<finch::Object*, std::vector<finch::Object*>> shown;
    for (finch::Object* object : m_database->objects()) {
        for (finch::InstanceBranch* instance : instancesUnder(*object)) {
            finch::Object* const target = findInstanced(*instance);
            instance->setInstance(target);
            shown[object].push_back(target);
        }
    }
    refuseCycles(shown);
}

finch::Object* QuillReader::findInstanced(finch::InstanceBranch& instance) const
{
    const auto wanted = m_instanceIndexes.find(&instance);
    if (wanted == m_instanceIndexes.end()) {
        throw ReadError("Quill reader - InstanceBranch not found");
    }
    finch::Object* found = nullptr;
    for (finch::Object* object : m_database->objects()) {
        const auto index = m_objectIndexes.find(object);
        if (index == m_objectIndexes.end()) {
            throw ReadError("Quill reader - object not found");
        }
        if (index->second == wanted->second) {
            found = object;
        }
    }
    if (found == nullptr) {
        throw ReadError("QuillReader: Bad object reference");
    }
    return found;
}

void QuillReader::refuseCycles(const std::map<finch::Object*, std::vector<finch::Object*>>& shown)
{
    // Depth first over the objects the instances show, with a stack of its own (a chain of
    // instances is as long as the file makes it); an object met again on its own path closes a cycle.
    static const std::vector<finch::Object*> none;
    const auto targetsOf = [&](finch::Object* object) -> const std::vector<finch::Object*>& {
        const auto targets = shown.find(object);
        return targets != shown.end() ? targets->second : none;
    };
    std::set<finch::Object*> done;
    std::set<finch::Object*> onPath;
    std::vector<std::pair<finch::Object*, std::size_t>> path;
    for (const auto& start : shown) {
        if (done.count(start.first) == 0) {
            path.emplace_back(start.first, 0);
            onPath.insert(start.first);
        }
        while (!path.empty()) {
            auto& [object, next] = path.back();
            const std::vector<finch::Object*>& targets = targetsOf(object);
            if (next == targets.size()) {
                onPath.erase(object);
                done.insert(object);
                path.pop_back();
                continue;
            }
            finch::Object* const target = targets[next++];
            if (onPath.count(target) != 0) {
                throw ReadError("QuillReader: Instances show one another in a cycle");
            }
            if (done.count(target) == 0) {
                onPath.insert(target);
                path.emplace_back(target, 0);
            }
        }
    }
}

}
