#include "content/DataFiles.h"

#include "base/Debug.h"
#include "base/files/FileDataSource.h"
#include "base/Mutex.h"
#include "content/BigFileInput.h"
#include "content/SoundCache.h"
#include "gui/toolkit/Event.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <map>
#include <optional>
#include <thread>

namespace pelican
{

namespace
{

// Call sites of fileMutex, for the log of long waits.
enum LockSite
{
    registerSite = 7001,
    listSite,
    existsSite,
    resolveSite,
    openSite,
    timeSite,
    folderSite,
    searchFolderSite,
    fileListSite,
    resetSite,
    cacheRootSite,
    memberSite,
    forgetSite,
};

using SearchFolders = std::map<std::int32_t, std::vector<heron_string>>;

struct DataFileState
{
    std::vector<PackedFile> packedFiles;
    SearchFolders searchFolders;
    std::vector<SearchFolders> savedSearchFolders;
    std::vector<DataFileName> usedFiles;
    std::vector<DataFileName> missingFiles;
    heron_string cacheRoot;
};

// Made on first use and kept for the whole run, so threads still loading at exit find it.
DataFileState& state()
{
    static DataFileState* const files = new DataFileState;
    return *files;
}

std::atomic<bool> g_pump{false};
std::atomic<std::thread::id> g_pumpThread{};
// Set while this thread runs the event loop from an open, so an open made by an event handler
// does not start the loop again inside itself.
thread_local bool t_pumping = false;

void pumpIfAsked()
{
    if (!g_pump.load() || g_pumpThread.load() != std::this_thread::get_id() || t_pumping) {
        return;
    }
    struct Pumping
    {
        Pumping() { t_pumping = true; }
        ~Pumping() { t_pumping = false; }
    } pumping;
    kestrel::runUntilIdle();
}

// The folders tried for a category: its own, then the common ones.
std::vector<heron_string> foldersFor(std::int32_t category)
{
    const SearchFolders& table = state().searchFolders;
    std::vector<heron_string> folders;
    for (const std::int32_t key : {category, commonCategory}) {
        const auto found = table.find(key);
        if (found != table.end()) {
            folders.insert(folders.end(), found->second.begin(), found->second.end());
        }
    }
    return folders;
}

// The path text under folder: folder, one separator, text.
heron::FilePath underFolder(const heron_string& folder, const heron_string& text)
{
    const bool leadingSeparator = !text.empty() && text[0] == heron::pathSeparator;
    return heron::FilePath(heron::joinPath(folder, text.c_str() + (leadingSeparator ? 1 : 0)));
}

// The text a path resolves to: a member's name in the system's form, a file on disk as spelled, so
// that opening it finds that file and not one whose name differs only in case.
heron_string resolvedText(const heron::FilePath& path)
{
    return state().packedFiles.empty() ? path.spelling() : path.str();
}

// The first path under the record's search folders that exists: the folder with the path's file
// name, then the folder with the whole path.
bool resolveInFolders(DataFileName& record)
{
    for (const heron_string& folder : foldersFor(record.category)) {
        heron::FilePath byName(record.path);
        byName.setDirectory(folder.c_str());
        const heron::FilePath candidates[] = {byName, underFolder(folder, record.path.spelling())};
        for (const heron::FilePath& candidate : candidates) {
            if (dataFileExists(candidate)) {
                record.resolved = resolvedText(candidate);
                return true;
            }
        }
    }
    return false;
}

// The full name of the one member whose file name is the path's file name; false when none or
// several match.
bool resolveByFileName(DataFileName& record)
{
    std::vector<const FileInfo*> matches;
    for (const PackedFile& packedFile : state().packedFiles) {
        const std::vector<const FileInfo*> found = findPackedFileName(packedFile, record.path.name());
        matches.insert(matches.end(), found.begin(), found.end());
    }
    if (matches.size() != 1) {
        return false;
    }
    record.resolved = matches[0]->name.path.str();
    return true;
}

bool hasMemberWithPrefix(const heron_string& prefix)
{
    const std::vector<PackedFile>& packed = state().packedFiles;
    return std::any_of(packed.begin(), packed.end(),
                       [&](const PackedFile& packedFile) { return !findPackedPrefix(packedFile, prefix).empty(); });
}

// The names of the members that lie directly in the folder, without the folder, sorted.
std::vector<heron_string> packedFolderNames(const heron_string& folder)
{
    std::vector<heron_string> names;
    for (const PackedFile& packedFile : state().packedFiles) {
        for (const FileInfo& entry : findPackedPrefix(packedFile, folder)) {
            const heron_string& text = entry.name.path.str();
            if (text.find_first_of(heron::pathSeparator, folder.length()) == heron_string::npos) {
                names.push_back(text.substr(folder.length()));
            }
        }
    }
    std::sort(names.begin(), names.end(),
              [](const heron_string& a, const heron_string& b) { return a.compare(b) < 0; });
    return names;
}

// Resolves the record against the packed files and opens the member it names; empty when it does
// not resolve. A path that names a member as given (the common case) is looked up once.
heron::counted_ptr<heron::DataSource> openPackedMember(DataFileName& record)
{
    std::optional<PackedMember> member = findPackedMember(record.path);
    if (member) {
        record.resolved = record.path.str();
    } else if (resolveDataFile(record).empty()) {
        return {};
    } else {
        member = findPackedMember(heron::FilePath(record.resolved));
    }
    return heron::counted_ptr<heron::DataSource>(new BigFileInput(member.value_or(PackedMember())));
}

std::vector<DataFileName>& listOf(FileList list)
{
    return list == FileList::Used ? state().usedFiles : state().missingFiles;
}

// message with "%s" replaced by path and "%%" by '%'; other characters as they stand.
heron_string withPath(const char* message, const char* path)
{
    heron_string text;
    for (const char* c = message; *c; ++c) {
        if (c[0] == '%' && c[1] == 's') {
            text.append(path);
            ++c;
        } else if (c[0] == '%' && c[1] == '%') {
            text.push_back('%');
            ++c;
        } else {
            text.push_back(*c);
        }
    }
    return text;
}

}

heron::Mutex& fileMutex()
{
    static heron::Mutex* const mutex = new heron::Mutex("fileMutex");
    return *mutex;
}

const char* dataRoot()
{
    return heron::programDirectory();
}

heron_string cacheRoot()
{
    {
        heron::MutexLock lock(fileMutex(), cacheRootSite);
        if (!state().cacheRoot.empty()) {
            return state().cacheRoot;
        }
    }
    return cacheRootFor(dataRoot());
}

heron_string cacheRootFor(const char* programFolder)
{
    const heron::FileStatus status = heron::FilePath(programFolder).stat();
    if (status.isDirectory && status.writable) {
        return programFolder;
    }
    return userCacheRoot();
}

heron_string userCacheRoot()
{
    const char* const cache = std::getenv("XDG_CACHE_HOME");
    const char* const home = std::getenv("HOME");
    const heron_string folder = cache != nullptr && cache[0] == '/'
                                    ? heron_string(cache)
                                    : heron::joinPath(heron_string(home != nullptr ? home : ""), ".cache");
    return heron::joinPath(folder, "aurelle/");
}

void setCacheRoot(const char* root)
{
    heron::MutexLock lock(fileMutex(), cacheRootSite);
    state().cacheRoot = root != nullptr ? root : "";
}

void setPumpMessages()
{
    g_pumpThread.store(std::this_thread::get_id());
    g_pump.store(true);
}

void clearPumpMessages()
{
    g_pump.store(false);
}

void registerPackedFile(const heron::FilePath& path)
{
    if (!path.stat().exists) {
        return;
    }
    PackedFile packedFile = readPackedDirectory(path);
    heron::MutexLock lock(fileMutex(), registerSite);
    // A file registered again may have been replaced since: its earlier directory and open file
    // would go on reading what it was.
    forgetPackedFile(path);
    state().packedFiles.push_back(std::move(packedFile));
}

void forgetPackedFile(const heron::FilePath& path)
{
    heron::MutexLock lock(fileMutex(), forgetSite);
    std::erase_if(state().packedFiles, [&](const PackedFile& packed) { return packed.path == path; });
}

std::vector<PackedFile> packedFiles()
{
    heron::MutexLock lock(fileMutex(), listSite);
    return state().packedFiles;
}

std::optional<PackedMember> findPackedMember(const heron::FilePath& name)
{
    heron::MutexLock lock(fileMutex(), memberSite);
    for (const PackedFile& packedFile : state().packedFiles) {
        if (const FileInfo* const entry = findPackedEntry(packedFile, name)) {
            return PackedMember{packedFile.file, entry->position, entry->size};
        }
    }
    return std::nullopt;
}

bool dataFileExists(const heron::FilePath& path)
{
    heron::MutexLock lock(fileMutex(), existsSite);
    const std::vector<PackedFile>& packed = state().packedFiles;
    if (!packed.empty()) {
        return std::any_of(packed.begin(), packed.end(),
                           [&](const PackedFile& packedFile) { return findPackedEntry(packedFile, path); });
    }
    const heron::FileStatus status = path.stat();
    return status.exists && !status.isDirectory;
}

const heron_string& resolveDataFile(DataFileName& record)
{
    heron::MutexLock lock(fileMutex(), resolveSite);
    record.resolved.clear();
    if (dataFileExists(record.path)) {
        record.resolved = resolvedText(record.path);
    } else if (!resolveInFolders(record) && !state().packedFiles.empty()) {
        resolveByFileName(record);
    }
    return record.resolved;
}

heron::counted_ptr<heron::DataSource> openDataFile(DataFileName& record)
{
    pumpIfAsked();
    heron::MutexLock lock(fileMutex(), openSite);
    if (!state().packedFiles.empty()) {
        return openPackedMember(record);
    }
    if (resolveDataFile(record).empty()) {
        return {};
    }
    return heron::counted_ptr<heron::DataSource>(new heron::FileDataSource(heron::FilePath(record.resolved)));
}

std::uint32_t dataFileSize(const DataFileName& record)
{
    DataFileName copy = record;
    const heron::counted_ptr<heron::DataSource> source = openDataFile(copy);
    return source ? source->remaining() : 0;
}

std::uint32_t dataFileTime(const DataFileName& record)
{
    heron::MutexLock lock(fileMutex(), timeSite);
    if (!state().packedFiles.empty()) {
        return packedFileTime;
    }
    DataFileName copy = record;
    if (resolveDataFile(copy).empty()) {
        return 0;
    }
    return heron::FilePath(copy.resolved).stat().modificationTime;
}

bool folderExists(const DataFileName& record)
{
    heron::MutexLock lock(fileMutex(), folderSite);
    if (!state().packedFiles.empty()) {
        return hasMemberWithPrefix(record.path.str());
    }
    return record.path.directoryExists();
}

std::vector<heron_string> findDataFolder(const DataFileName& record)
{
    heron::MutexLock lock(fileMutex(), folderSite);
    DataFileName folder = record;
    if (!folderExists(folder)) {
        const std::vector<heron_string> folders = foldersFor(record.category);
        const auto found = std::find_if(folders.begin(), folders.end(), [&](const heron_string& searchFolder) {
            return folderExists(DataFileName(underFolder(searchFolder, record.path.spelling()), plainCategory));
        });
        if (found == folders.end()) {
            noteFile(FileList::Missing, record, "---Failed to find folder: %s\n");
            return {};
        }
        folder = DataFileName(underFolder(*found, record.path.spelling()), plainCategory);
    }
    if (!state().packedFiles.empty()) {
        return packedFolderNames(folder.path.directory());
    }
    std::vector<heron_string> names;
    heron::listDirectory(folder.path, names);
    return names;
}

void addSearchFolder(const char* folder, std::int32_t category)
{
    heron_string text(folder);
    if (text.empty()) {
        return;
    }
    const char last = text[text.length() - 1];
    if (last == '/' || last == '\\') {
        text.resize(text.length() - 1);
    }
    heron::MutexLock lock(fileMutex(), searchFolderSite);
    std::vector<heron_string>& folders = state().searchFolders[category];
    const bool known = std::any_of(folders.begin(), folders.end(),
                                   [&](const heron_string& known) { return known.compare(text) == 0; });
    if (!known) {
        folders.push_back(text);
    }
}

std::vector<heron_string> searchFolders(std::int32_t category)
{
    heron::MutexLock lock(fileMutex(), searchFolderSite);
    const SearchFolders& table = state().searchFolders;
    const auto found = table.find(category);
    return found == table.end() ? std::vector<heron_string>() : found->second;
}

void pushSearchFolders()
{
    heron::MutexLock lock(fileMutex(), searchFolderSite);
    state().savedSearchFolders.push_back(state().searchFolders);
}

void popSearchFolders()
{
    heron::MutexLock lock(fileMutex(), searchFolderSite);
    std::vector<SearchFolders>& saved = state().savedSearchFolders;
    if (saved.empty()) {
        return;
    }
    state().searchFolders = std::move(saved.back());
    saved.pop_back();
}

void noteFile(FileList list, const DataFileName& record, const char* message)
{
    heron::MutexLock lock(fileMutex(), fileListSite);
    std::vector<DataFileName>& files = listOf(list);
    if (std::find(files.begin(), files.end(), record) != files.end()) {
        return;
    }
    files.push_back(record);
    if (message) {
        heron::debug("%s", withPath(message, record.path.c_str()).c_str());
    }
}

std::vector<DataFileName> listedFiles(FileList list)
{
    heron::MutexLock lock(fileMutex(), fileListSite);
    return listOf(list);
}

void clearFileList(FileList list)
{
    heron::MutexLock lock(fileMutex(), fileListSite);
    listOf(list).clear();
}

void clearFileLists()
{
    clearSoundCache();
    heron::MutexLock lock(fileMutex(), fileListSite);
    state().usedFiles.clear();
    state().missingFiles.clear();
}

void resetDataFiles()
{
    clearPumpMessages();
    clearSoundCache();
    heron::MutexLock lock(fileMutex(), resetSite);
    state() = DataFileState();
}

}
