#pragma once

#include "base/DataSource.h"
#include "base/FilePath.h"
#include "base/counted_ptr.h"
#include "base/heron_string.h"
#include "content/DataFileName.h"
#include "content/PackedFile.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace heron
{
class Mutex;
}

// Every file the content layer and the game read is opened by name here. A name resolves against
// the registered packed data files once one is registered, and against the disk before that,
// with each category's search folders (then the common ones) as fallbacks. Resolving, opening and
// the search-folder table are guarded by fileMutex, so any thread may call these; the packed-file
// list and the file lists are guarded by it too.
namespace pelican
{

// The lock "fileMutex" that guards the state of this file (recursive).
heron::Mutex& fileMutex();

// The data root: the program's folder as the operating system spells it, with its trailing '/'.
const char* dataRoot();

// The root of the decoded-sound cache, as the operating system spells it, with its trailing '/':
// the data root when that folder can be written, else $XDG_CACHE_HOME/aurelle (by default
// $HOME/.cache/aurelle). The cache itself is the folder "data" inside it.
heron_string cacheRoot();
// The same choice for a given program folder.
heron_string cacheRootFor(const char* programFolder);
// The user's own cache root, $XDG_CACHE_HOME/aurelle/ (by default $HOME/.cache/aurelle/).
heron_string userCacheRoot();
// Redirects the cache root (tests), kept as spelled, with or without its trailing separator; null
// or empty text returns to the choice above.
void setCacheRoot(const char* root);

// While set, opening a file first runs the toolkit's event loop until it is idle, so the windows
// keep answering during a long load. Only opens on the thread that set the flag pump (the main
// thread: the toolkit belongs to it); opens on other threads never do.
void setPumpMessages();
void clearPumpMessages();

// Reads the directory of the packed file at path and registers it after those registered before;
// a missing file changes nothing. A path registered before is read anew: its earlier
// registration goes, and it counts as registered last.
void registerPackedFile(const heron::FilePath& path);
// Forgets the packed file registered from path, when one is: names resolve without its directory.
void forgetPackedFile(const heron::FilePath& path);
// The registered packed files in registration order. Their directories never change, and their
// paths' parts are computed when read, so the copies may be read on any thread.
std::vector<PackedFile> packedFiles();
// The first member of that name in the registered packed files, in registration order; none when
// no packed file has it.
std::optional<PackedMember> findPackedMember(const heron::FilePath& name);

// With packed files registered: whether one of them has a member of that name (the disk is not
// consulted). Without: whether the file exists on disk.
[[nodiscard]] bool dataFileExists(const heron::FilePath& path);
// Resolves the record: the first of the path itself, the path's name and then the whole path
// under each folder of the record's category and then of the common category, and (with packed
// files) the one member whose file name is the path's file name. Fills record.resolved (empty
// when nothing matched) and returns it.
const heron_string& resolveDataFile(DataFileName& record);
// Resolves the record and opens it: a member reader when packed files are registered, else the
// file on disk. Empty when the name does not resolve. While the pump flag is set, a call on the
// thread that set it first runs the toolkit's event loop until it is idle (before fileMutex is
// taken), so event handlers - repaints, updatables, window messages - run inside a load: a caller
// on that thread must not hold a lock those handlers take, nor leave half-changed state they read.
heron::counted_ptr<heron::DataSource> openDataFile(DataFileName& record);
// The whole size of the file, 0 when it cannot be opened.
std::uint32_t dataFileSize(const DataFileName& record);
// Time the files of packed data carry, newer than any file on disk.
constexpr std::uint32_t packedFileTime = 0x7fffffff;
// With packed files registered: packedFileTime. Otherwise the modification time of the file the
// record resolves to, in seconds since 1970; 0 when it does not resolve.
std::uint32_t dataFileTime(const DataFileName& record);
// With packed files registered: whether a member's name begins with the path text. Otherwise
// whether the path's directory exists on disk.
[[nodiscard]] bool folderExists(const DataFileName& record);
// The names of the files in the folder the record's directory part names (tried as given, then
// under each search folder of its category and the common one), sorted. When the folder is not
// found, the record is noted as missing with "---Failed to find folder: %s\n" and the list is empty.
std::vector<heron_string> findDataFolder(const DataFileName& record);

// Appends folder to the category's search folders: empty text is ignored, one trailing '/' or '\'
// is dropped, and a folder already in the list is not added again.
void addSearchFolder(const char* folder, std::int32_t category);
// The category's own search folders in the order added.
std::vector<heron_string> searchFolders(std::int32_t category);
// Saves a copy of the whole search-folder table on a stack; popSearchFolders restores the table
// from the top of the stack and removes it (nothing when the stack is empty).
void pushSearchFolders();
void popSearchFolders();

// The two lists of files noted while loading, for the log.
enum class FileList
{
    Used,
    Missing,
};

// Appends the record to the list unless an equal record is there; only then, when message is
// given, logs it with "%s" standing for the path text ("%%" for '%').
void noteFile(FileList list, const DataFileName& record, const char* message = nullptr);
// A copy of the list, in the order noted.
std::vector<DataFileName> listedFiles(FileList list);
// Empties one of the two lists.
void clearFileList(FileList list);
// Empties the used-files and missing-files lists and the decoded-sound cache.
void clearFileLists();

// Forgets the packed files, the search folders and their stack, the file lists, the decoded-sound
// cache, a redirected cache root and the pump flag (for tests and for a fresh start).
void resetDataFiles();

}
