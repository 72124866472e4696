#include "content/models/PelicanDatabaseReader.h"

#include "base/Debug.h"
#include "base/Limits.h"
#include "base/ReadError.h"
#include "base/files/FileDataDest.h"
#include "content/DataFiles.h"
#include "content/LoadNotice.h"
#include "content/PelicanImageReader.h"
#include "content/models/QuillReader.h"
#include "content/world/PelicanDB.h"
#include "gui/paint/ImageReader.h"
#include "scene/geometry/GeometryBranch.h"
#include "scene/graph/ExrefBranch.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/JointBranch.h"
#include "scene/graph/Object.h"
#include "scene/graph/SwitchBranch.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

namespace pelican
{

namespace
{

using DatabaseRef = heron::counted_ptr<PelicanDB>;

// A ".mdl" file older than this (seconds since 1970) was made by tools whose lists the game no
// longer reads; the model file is read in its place.
constexpr std::uint32_t oldestModelList = 1057941539;

// Where models of older worlds were kept, tried in turn for a name that does not resolve.
constexpr std::array<std::array<const char*, 2>, 4> modelFolderMoves = {{
    {"e:/models", "e:/project/models"},
    {"e:/project/models", "d:/project/models"},
    {"d:/project/models", "f:/project/models"},
    {"d:/project", "d:/project/models"},
}};

// What nested loads share: the cache of one outermost load and the names being read.
struct LoadState
{
    std::map<heron::FilePath, DatabaseRef> cache;
    // The names (as they resolve) of the models being read, outermost first.
    std::vector<heron::FilePath> reading;
    // Models being read inside one another.
    int nesting = 0;
    heron_string lastError;
};

LoadState& loadState()
{
    static LoadState state;
    return state;
}

// The text a path resolves to, so that two names of one file are known as one; the path itself
// when it does not resolve.
heron::FilePath readingKey(const heron::FilePath& path)
{
    DataFileName record(path, databasesCategory);
    const heron_string& resolved = resolveDataFile(record);
    return resolved.empty() ? path : heron::FilePath(resolved);
}

bool isReading(const heron::FilePath& path)
{
    const std::vector<heron::FilePath>& reading = loadState().reading;
    return std::find(reading.begin(), reading.end(), path) != reading.end();
}

bool contains(const heron::FilePath& path, const char* text)
{
    return std::string_view(path.c_str()).find(text) != std::string_view::npos;
}

bool resolves(const heron::FilePath& path)
{
    DataFileName record(path, databasesCategory);
    return !resolveDataFile(record).empty();
}

// The name, or where it is found: under the older model folders, or part by part under the
// search root.
heron::FilePath findModel(const heron::FilePath& name, const heron_string& searchRoot)
{
    heron::FilePath path = name;
    for (const auto& [from, to] : modelFolderMoves) {
        if (resolves(path)) {
            return path;
        }
        path.replacePrefix(from, to);
    }
    if (resolves(path)) {
        return path;
    }
    if (searchRoot.empty()) {
        return name;
    }
    // The whole path under the root first (a file beside the one that names it), then with its
    // leading folders dropped one by one.
    heron_string rest = path.spelling();
    while (true) {
        heron::FilePath tried(heron::joinPath(searchRoot, rest.c_str()));
        if (resolves(tried)) {
            return tried;
        }
        const std::uint32_t cut = rest.find_first_of(heron::pathSeparator);
        if (cut == heron_string::npos) {
            return name;
        }
        rest = rest.substr(cut + 1);
    }
}

// A model-editor read of path; when it fails, the reason is kept in failure unless an earlier read
// left one there.
DatabaseRef readEditorFile(const heron::FilePath& path, const heron::FilePath& name, QuillVariant variant,
                           heron_string& failure)
{
    QuillRead read = tryQuillFile(path, variant);
    if (!read.database) {
        if (failure.empty()) {
            failure = read.failure;
        }
        return {};
    }
    heron::debug(variant == QuillVariant::Rxs ? ".rxs file %s read ok\n" : ".quill file %s read ok\n", name.c_str());
    return std::move(read.database);
}

// The model editor's ".rxs" form for such names, then its plain form for every name.
DatabaseRef readEditorForms(const heron::FilePath& path, const heron::FilePath& name, heron_string& failure)
{
    if (contains(path, ".rxs")) {
        DatabaseRef database = readEditorFile(path, name, QuillVariant::Rxs, failure);
        if (database) {
            database->setFilePath(path);
            noteFile(FileList::Used, DataFileName(path, databasesCategory));
            return database;
        }
    }
    return readEditorFile(path, name, QuillVariant::Quill, failure);
}

// Steps of reading the found path, each tried while no database was obtained: a model list, the
// model editor's forms (so a radiosity file is first refused as a model editor's file), a
// radiosity file. Why the model editor's reader refused the file is logged only when no step reads
// it: a refusal followed by a good read is no failure. A file no step reads leaves the reason of
// the last reader that found it damaged as the last error.
DatabaseRef readModel(const heron::FilePath& path, const heron::FilePath& name)
{
    DatabaseRef database = readMdlFile(path);
    if (database) {
        return database;
    }
    heron_string failure;
    database = readEditorForms(path, name, failure);
    heron_string radiosityFailure;
    if (!database && contains(path, ".lsb")) {
        database = readLsbFile(path, &radiosityFailure);
        if (database) {
            heron::debug(".lsb file %s read ok\n", name.c_str());
        }
    }
    if (!database && !failure.empty()) {
        heron::debug("Quill read failed because: %s\n", failure.c_str());
    }
    if (!database) {
        loadState().lastError = radiosityFailure.empty() ? failure : radiosityFailure;
    }
    return database;
}

// Reads the model found at path (key: the file it resolves to), catching what its readers throw:
// the reason becomes the last error.
DatabaseRef readCaught(const heron::FilePath& name, const heron::FilePath& path, const heron::FilePath& key)
{
    LoadState& state = loadState();
    try {
        DatabaseRef database = readMdlFile(name);
        if (database) {
            return database;
        }
        // The name itself is on the list already.
        if (key != state.reading.back() && isReading(key)) {
            heron::debug("---Exref: %s refers back to a model being read\n", name.c_str());
            return {};
        }
        // Taken off again with the name's own scope.
        state.reading.push_back(key);
        database = readModel(path, name);
        if (database) {
            database->setFilePath(path);
            heron::FilePath list = path;
            list.setExtension(".mdl");
            noteFile(FileList::Used, DataFileName(list, databasesCategory));
        }
        return database;
    } catch (const heron::ReadError& error) {
        heron::debug("File read returned: %s\n", error.what());
        state.lastError = error.what();
    } catch (const std::logic_error& error) {
        heron::debug("The file reader did something bad: %s\n", error.what());
        state.lastError = error.what();
    }
    return {};
}

// One model being read: its names on the reading list and one level of nesting, for as long as
// it lives (a reader's exception included).
class ReadingScope
{
public:
    explicit ReadingScope(const heron::FilePath& key)
        : m_state(loadState()), m_listed(m_state.reading.size())
    {
        m_state.reading.push_back(key);
        ++m_state.nesting;
    }
    ~ReadingScope()
    {
        m_state.reading.resize(m_listed);
        --m_state.nesting;
    }
    ReadingScope(const ReadingScope&) = delete;
    ReadingScope& operator=(const ReadingScope&) = delete;

private:
    LoadState& m_state;
    std::size_t m_listed;
};

// Reads the name unless it is being read already or the nesting is too deep.
DatabaseRef readGuarded(const heron::FilePath& name, const heron::FilePath& path, const heron::FilePath& found)
{
    const heron::FilePath key = readingKey(name);
    if (isReading(key)) {
        heron::debug("---Exref: %s refers back to a model being read\n", name.c_str());
        return {};
    }
    if (loadState().nesting >= heron::limits::maxInstanceNesting) {
        heron::debug("---Exref: %s is nested too deep in other models\n", name.c_str());
        return {};
    }
    const ReadingScope scope(key);
    return readCaught(name, path, found);
}

// A model that was there but that no reader took is damaged, not missing: it is logged with the
// reason its reader gave. Any other model not read is listed as missing.
void noteUnread(const heron::FilePath& name)
{
    const heron_string& reason = loadState().lastError;
    if (reason.empty()) {
        noteFile(FileList::Missing, DataFileName(name, databasesCategory), "---Exref: %s not found\n");
        return;
    }
    heron::debug("---Exref: %s is damaged: %s\n", name.c_str(), reason.c_str());
}

}

PelicanDatabaseReader& PelicanDatabaseReader::instance()
{
    static PelicanDatabaseReader reader;
    return reader;
}

heron::counted_ptr<finch::Database> PelicanDatabaseReader::load(const heron::FilePath& path)
{
    return loadDatabase(path, path.spelledDirectory());
}

heron::counted_ptr<PelicanDB> PelicanDatabaseReader::loadDatabase(const heron::FilePath& name,
                                                                   const heron_string& searchRoot)
{
    LoadNotice notice(LoadKind::ModelDatabase, name.str());
    LoadState& state = loadState();
    const bool outermost = state.nesting == 0;
    state.lastError.clear();
    kestrel::setImageReader(&imageReader());
    finch::setDatabaseReader(&instance());
    // A name is found beside the model that names it, so one name can stand for different files
    // within one load: the cache holds each file by where it was found.
    const heron::FilePath path = findModel(name, searchRoot);
    const heron::FilePath found = readingKey(path);
    DatabaseRef database;
    const auto cached = state.cache.find(found);
    if (cached != state.cache.end()) {
        database = cached->second;
    } else {
        database = readGuarded(name, path, found);
        if (!database) {
            noteUnread(name);
        }
        state.cache[found] = database;
    }
    if (outermost) {
        state.cache.clear();
    }
    if (database) {
        notice.done();
    }
    return database;
}

const heron_string& lastLoadError()
{
    return loadState().lastError;
}

heron::counted_ptr<PelicanDB> readMdlFile(const heron::FilePath& path)
{
    if (packedFiles().empty()) {
        return {};
    }
    heron::FilePath listPath = path;
    listPath.setExtension(".mdl");
    DataFileName list(listPath, databasesCategory);
    const std::uint32_t listTime = dataFileTime(list);
    if (listTime < dataFileTime(DataFileName(path, databasesCategory)) || listTime < oldestModelList) {
        return {};
    }
    // Every name carries the packed file's time, so the time says nothing about whether the list
    // exists: only the open does.
    const heron::counted_ptr<heron::DataSource> source = openDataFile(list);
    if (!source) {
        return {};
    }
    registerDatabaseFactory(*source);
    const heron::counted_ptr<heron::Streamable> root = source->readObject();
    DatabaseRef database;
    if (!DatabaseRef::assignStreamed(&database, const_cast<heron::Streamable*>(root.streamedBlock())) || !database) {
        return {};
    }
    noteFile(FileList::Used, list, ".mdl file %s read OK\n");
    return database;
}

namespace
{

using Frame = std::vector<finch::Vector3f>;

DataFileName modelFile(const heron::FilePath& modelPath, const char* extension)
{
    heron::FilePath path = modelPath;
    path.setExtension(extension);
    return DataFileName(path, databasesCategory);
}

float floatOfBits(std::uint32_t bits)
{
    return std::bit_cast<float>(bits);
}

// Checks a count of the frame cache against its cap and against what the bytes left can hold.
void checkCount(heron::DataSource& source, std::uint32_t count, std::uint32_t cap, std::uint32_t bytesEach, const char* what)
{
    const std::uint32_t left = source.canSeek() ? source.remaining() : heron::limits::maxUnboundedStringLength;
    if (count > std::uint32_t(INT32_MAX) || count > cap || std::uint64_t(count) * bytesEach > left) {
        char reason[100];
        std::snprintf(reason, sizeof reason, "bad %s count %d", what, static_cast<std::int32_t>(count));
        throw heron::ReadError(reason);
    }
}

Frame readCachedFrame(heron::DataSource& source, std::uint64_t& positions)
{
    std::uint32_t count = 0;
    source.readUInt32(count);
    heron::requireGood(source, "frame cache ends in a frame's count");
    checkCount(source, count, heron::limits::maxAnimationFrameVertices, 12, "vertex");
    positions += count;
    if (positions > heron::limits::maxAnimationPositions) {
        throw heron::ReadError("too many positions in all frames");
    }
    Frame frame(count);
    for (finch::Vector3f& p : frame) {
        std::array<std::uint32_t, 3> bits{};
        source.readUInt32(bits[0]).readUInt32(bits[1]).readUInt32(bits[2]);
        p = {floatOfBits(bits[0]), floatOfBits(bits[1]), floatOfBits(bits[2])};
    }
    heron::requireGood(source, "frame cache ends in a frame");
    return frame;
}

// The frame cache: a count of frames, then per frame a count of positions and the positions.
std::unique_ptr<finch::AnimationFrames> readFrameCache(heron::DataSource& source)
{
    std::uint32_t count = 0;
    source.readUInt32(count);
    heron::requireGood(source, "frame cache ends in its frame count");
    checkCount(source, count, heron::limits::maxAnimationFrames, 4, "frame");
    auto frames = std::make_unique<finch::AnimationFrames>();
    std::uint64_t positions = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        frames->push_back(readCachedFrame(source, positions));
    }
    return frames;
}

// Frames from the cache beside the model; false when there is none. A damaged cache leaves the
// object without frames (logged).
bool readCachedFrames(const heron::FilePath& modelPath, finch::Object& object)
{
    DataFileName cache = modelFile(modelPath, ".anim");
    const heron::counted_ptr<heron::DataSource> source = openDataFile(cache);
    if (!source) {
        return false;
    }
    noteFile(FileList::Used, cache);
    try {
        object.setAnimationFrames(readFrameCache(*source));
    } catch (const heron::ReadError& error) {
        heron::debug("---Frame cache %s is damaged: %s\n", cache.path.c_str(), error.what());
        object.setAnimationFrames(nullptr);
    }
    return true;
}

bool startsWithWord(std::string_view line, std::string_view word)
{
    return line.substr(0, word.size()) == word && line.size() > word.size() && (line[word.size()] == ' ' || line[word.size()] == '\t');
}

// One vertex from a line of an ".obj" frame ("v x y z") or an ".ase" frame ("*MESH_VERTEX n x y z").
void readFrameLine(const heron_string& text, bool ase, Frame& frame)
{
    std::string_view line(text.c_str(), text.length());
    finch::Vector3f p;
    if (!ase && startsWithWord(line, "v") && std::sscanf(text.c_str() + 2, "%f %f %f", &p.x, &p.y, &p.z) == 3) {
        frame.push_back(p);
        return;
    }
    line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
    int number = 0;
    if (ase && startsWithWord(line, "*MESH_VERTEX") &&
        std::sscanf(line.data() + 12, "%d %f %f %f", &number, &p.x, &p.y, &p.z) == 4) {
        frame.push_back(p);
    }
}

void readFrameFile(heron::DataSource& source, bool ase, Frame& frame)
{
    heron_string line;
    while (frame.size() < heron::limits::maxAnimationFrameVertices && source.readLine(line)) {
        readFrameLine(line, ase, frame);
    }
}

// The folder of frame files beside the model: ".obj" frames, else ".ase" frames.
struct FrameFolder
{
    heron_string folder;
    const char* kind = nullptr;
};

std::optional<FrameFolder> findFrameFolder(const heron::FilePath& modelPath)
{
    for (const char* kind : {".obj", ".ase"}) {
        heron::FilePath folder = modelPath;
        folder.setExtension(kind);
        FrameFolder found{folder.str() + heron::pathSeparator, kind};
        if (folderExists(DataFileName(heron::FilePath(found.folder), databasesCategory))) {
            return found;
        }
    }
    return std::nullopt;
}

finch::AnimationFrames readFrameFolder(const FrameFolder& found)
{
    finch::AnimationFrames frames;
    const bool ase = std::strcmp(found.kind, ".ase") == 0;
    std::uint64_t positions = 0;
    for (const heron_string& name : findDataFolder(DataFileName(heron::FilePath(found.folder), databasesCategory))) {
        const heron::FilePath file(found.folder + name);
        if (file.extension().compare(found.kind) != 0 || frames.size() >= heron::limits::maxAnimationFrames ||
            positions > heron::limits::maxAnimationPositions) {
            continue;
        }
        heron::debug("Frame: %s\n", file.c_str());
        DataFileName record(file, databasesCategory);
        const heron::counted_ptr<heron::DataSource> source = openDataFile(record);
        if (!source) {
            continue;
        }
        if (ase) {
            heron::debug("File: %s\n", file.c_str());
        }
        readFrameFile(*source, ase, frames.emplace_back());
        positions += frames.back().size();
    }
    return frames;
}

// The model's cache file on disk, for a model read from disk; empty for a member of a packed data
// file, whose relative path names no place beside it.
heron_string cacheOnDisk(const heron::FilePath& modelPath)
{
    DataFileName model(modelPath, databasesCategory);
    if (!packedFiles().empty() || resolveDataFile(model).empty()) {
        return {};
    }
    heron::FilePath cache(model.resolved);
    cache.setExtension(".anim");
    return cache.spelling();
}

// Writes the frames in the cache's layout; false when a write or the close failed.
bool writeFrames(const heron_string& file, const finch::AnimationFrames& frames)
{
    heron::FileDataDest dest(file.c_str());
    dest.writeUInt32(static_cast<std::uint32_t>(frames.size()));
    for (const Frame& frame : frames) {
        dest.writeUInt32(static_cast<std::uint32_t>(frame.size()));
        for (const finch::Vector3f& p : frame) {
            dest.writeUInt32(std::bit_cast<std::uint32_t>(p.x)).writeUInt32(std::bit_cast<std::uint32_t>(p.y));
            dest.writeUInt32(std::bit_cast<std::uint32_t>(p.z));
        }
    }
    // Closing lets the file go, after which the sink no longer counts as good: ask before it.
    const bool written = dest.isOK();
    dest.close();
    return written && !dest.hasError();
}

// Writes the cache under a temporary name beside it and renames it into place once whole: a
// cache cut short (a full disk) would be read in place of the frame folder on every later load.
void writeFrameCache(const heron_string& path, const finch::AnimationFrames& frames)
{
    const heron_string disk = heron::diskPath(path.c_str());
    const heron_string temporary = disk + ".part";
    if (!writeFrames(temporary, frames) || std::rename(temporary.c_str(), disk.c_str()) != 0) {
        std::remove(temporary.c_str());
        heron::debug("---Frame cache %s not written\n", path.c_str());
        return;
    }
    noteFile(FileList::Used, DataFileName(heron::FilePath(path), databasesCategory));
}

}

bool readFrameSequence(const heron::FilePath& modelPath, finch::Object& object)
{
    if (readCachedFrames(modelPath, object)) {
        return true;
    }
    const std::optional<FrameFolder> found = findFrameFolder(modelPath);
    if (!found) {
        return false;
    }
    finch::AnimationFrames frames = readFrameFolder(*found);
    if (frames.size() < 2) {
        return false;
    }
    const heron_string cache = cacheOnDisk(modelPath);
    if (!cache.empty()) {
        writeFrameCache(cache, frames);
    }
    object.setAnimationFrames(std::make_unique<finch::AnimationFrames>(std::move(frames)));
    return true;
}

float readControlFile(const heron::FilePath& modelPath)
{
    float cycleTime = 1.0f;
    DataFileName control(heron::FilePath(modelPath.spelledDirectory() + "control.txt"), databasesCategory);
    const heron::counted_ptr<heron::DataSource> source = openDataFile(control);
    if (!source) {
        return cycleTime;
    }
    heron_string line;
    while (source->readLine(line)) {
        float value = 0.0f;
        if (std::sscanf(line.c_str(), "cycleTime = %f", &value) == 1) {
            cycleTime = value;
        }
    }
    noteFile(FileList::Used, control);
    return cycleTime;
}

namespace quill_reader
{

namespace
{

// Counts the geometry and instance branches of a tree and keeps the last instance branch.
class BranchCounter : public finch::BranchProcessor
{
public:
    bool process(finch::Branch& branch) override
    {
        if (dynamic_cast<finch::GeometryBranch*>(&branch) != nullptr) {
            ++geometries;
        }
        if (auto* const instance = dynamic_cast<finch::InstanceBranch*>(&branch)) {
            ++instances;
            last = instance;
        }
        return true;
    }

    int geometries = 0;
    int instances = 0;
    finch::InstanceBranch* last = nullptr;
};

void addSequence(PelicanDB& database, finch::Object& object)
{
    const heron::FilePath& model = database.filePath();
    if (readFrameSequence(model, object)) {
        database.addAnimation(&object, readControlFile(model));
    }
}

// The object an instance shows; through an external reference, the main object of the database
// it shows.
finch::Object* shownObject(const finch::InstanceBranch& instance)
{
    finch::Object* const object = instance.instance();
    if (object == nullptr) {
        return nullptr;
    }
    const auto* const exref = dynamic_cast<const finch::ExrefBranch*>(object->root());
    if (exref == nullptr) {
        return object;
    }
    return exref->database() ? exref->database()->mainObject() : nullptr;
}

void findInstanceFrameAnimations(PelicanDB& database, finch::InstanceBranch& instance, int depth)
{
    finch::Object* const object = shownObject(instance);
    if (object == nullptr || depth >= heron::limits::maxInstanceNesting) {
        return;
    }
    BranchCounter counter;
    object->process(counter);
    if (counter.instances == 1) {
        heron::debug("Processing %p\n", static_cast<void*>(counter.last));
        findInstanceFrameAnimations(database, *counter.last, depth + 1);
    } else if (counter.instances == 0 && counter.geometries > 0) {
        addSequence(database, *object);
    }
}

// The group whose instance children are searched: the root group, or the joint that is its first
// child, or the one switch that is that group's only child.
finch::GroupBranch* searchedGroup(finch::GroupBranch& root)
{
    finch::GroupBranch* group = &root;
    if (auto* const joint = dynamic_cast<finch::JointBranch*>(group->child(0))) {
        group = joint;
    }
    if (group->childCount() == 1) {
        if (auto* const only = dynamic_cast<finch::SwitchBranch*>(group->child(0))) {
            group = only;
        }
    }
    return group;
}

}

void findFrameAnimations(PelicanDB& database)
{
    finch::Object* const main = database.mainObject();
    if (main == nullptr || main->root() == nullptr) {
        return;
    }
    auto* const root = dynamic_cast<finch::GroupBranch*>(main->root());
    if (root == nullptr) {
        heron::debug("%s: the main object's root is no group; the model has no frame animation\n",
                     database.filePathString().c_str());
        return;
    }
    if (root->childCount() == 0) {
        return;
    }
    if (dynamic_cast<finch::GeometryBranch*>(root->child(0)) != nullptr) {
        addSequence(database, *main);
    }
    finch::GroupBranch* const group = searchedGroup(*root);
    for (int i = 0; i < group->childCount(); ++i) {
        if (auto* const instance = dynamic_cast<finch::InstanceBranch*>(group->child(i))) {
            findInstanceFrameAnimations(database, *instance, 0);
        }
    }
}

}

}
