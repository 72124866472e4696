#pragma once

#include "base/heron_string.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace game_launcher
{

// The program's version, shown in the log's banner and the launcher's title.
constexpr const char* programVersion = "1.4";

// Where the main routine keeps its files and how it shows an error; the program uses defaults(),
// tests redirect them.
struct MainPlaces
{
    heron_string lockFile;      // the single-instance lock
    heron_string spareLockFile; // taken when lockFile cannot be opened; none when empty
    heron_string logFile;       // "game.log"
    heron_string spareLogFile;  // the log when another running copy holds logFile; none when empty
    heron_string dataFile;      // the packed data file
    // Folder whose sub-folder "data" (the decoded-sound cache) "-delete_data" removes.
    heron_string cacheRoot;
    std::function<void(const char* text)> showError;

    // The lock in the settings folder (the runtime folder's when that cannot be written), the data
    // file beside the program, the log in the cache root of the content library (the program's
    // folder while it can be written), else in the user's own cache root, and the toolkit's modal
    // error box.
    static MainPlaces defaults();
};

// The program's main routine: called once by the process entry with the command-line words
// (program name excluded). Returns the process exit code: 0 after a run or when another copy
// already runs, non-zero when the program cannot start or the launcher failed. Throws nothing:
// a failure that escapes the launcher is reported in the log and an error box.
int main(const std::vector<heron_string>& words);
// The same with the places given.
int runMain(const std::vector<heron_string>& words, const MainPlaces& places);

// What "-delete_data" among the words did.
enum class DataDeletion
{
    NotAsked,
    Deleted, // asked; the folder is gone or was not there
    Refused  // asked, but the cache root is not an absolute path: nothing was touched
};
// Removes the folder "data" under cacheRoot once for every word "-delete_data" (exact case).
// Symbolic links inside it are removed themselves, never followed.
DataDeletion parseCommandLine(const std::vector<heron_string>& words, const heron_string& cacheRoot);

// Whole megabytes of a memory size in bytes, rounded up.
std::uint32_t wholeMegabytes(std::uint64_t bytes);

}
