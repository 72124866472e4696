#include "launcher/Main.h"

#include "base/Debug.h"
#include "base/FilePath.h"
#include "content/DataFiles.h"
#include "game/EngineSetup.h"
#include "game/Look.h"
#include "gui/gl/GLcapabilities.h"
#include "gui/toolkit/MessageBox.h"
#include "gui/toolkit/Window.h"
#include "launcher/CrashReport.h"
#include "launcher/GameLauncher.h"
#include "launcher/ProgramIcon.h"
#include "launcher/SingleInstance.h"
#include "platform/Backend.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <system_error>

namespace game_launcher
{

namespace
{

constexpr const char* noAccelerator =
    "No 3D graphics accelerator found. You probably need to update your graphics card driver...";
constexpr const char* noDisplay =
    "No display found: Aurelle needs an X display, and DISPLAY is not set or names a display that cannot "
    "be opened. Start it from a desktop session, or on a virtual X server (xvfb-run).";
constexpr const char* tooFewTextureUnits = "Fatal graphics card error (not enough texture units).";
constexpr const char* noDataFile = "Can't find the data file - please reinstall Aurelle";
constexpr int failedToStart = 1;

// The log file for the routine's life: made the debug log when opened, closed and unset when it
// goes. At its limit the debug log keeps it as "game.log.old" and goes on in a new one. A log file
// another running copy holds (a player of another home on the same install) is left to it, and
// this copy logs in the spare file instead.
class LogFile
{
public:
    LogFile(const heron_string& path, const heron_string& spare)
    {
        heron::DebugLogOpening opened = openForWriting(path);
        const bool toSpare = opened.heldElsewhere && !spare.empty() && spare != path;
        const heron_string& used = toSpare ? spare : path;
        if (toSpare) {
            opened = openForWriting(spare);
        }
        m_file = opened.file;
        if (!m_file) {
            std::fprintf(stderr, "Aurelle: cannot write the log file %s%s\n", used.c_str(),
                         opened.heldElsewhere ? " (another running copy writes it)" : "");
            return;
        }
        heron::setDebugLogFile(m_file, used.c_str());
        if (toSpare) {
            heron::debug("Another running copy writes %s: this one logs here\n", path.c_str());
        }
    }
    ~LogFile()
    {
        if (m_file) {
            heron::setDebugLogFile(nullptr);
            std::fclose(m_file);
        }
    }
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    int fd() const { return m_file ? fileno(m_file) : -1; }

private:
    // Makes the file's folder first: the cache folder may not exist yet.
    static heron::DebugLogOpening openForWriting(const heron_string& path)
    {
        std::error_code ignored;
        std::filesystem::create_directories(std::filesystem::path(path.c_str()).parent_path(), ignored);
        return heron::openDebugLogFile(path.c_str());
    }

    std::FILE* m_file = nullptr;
};

// The reason the graphics cannot run the game, or null when they can. Without a display there is
// no OpenGL either, but the display is what is missing.
const char* graphicsProblem()
{
    const kestrel::GLcapabilities& capabilities = kestrel::getGLcapabilities();
    if (!capabilities.valid && plat::backend().displayCount() == 0) {
        return noDisplay;
    }
    if (!capabilities.valid || !capabilities.hardwareAccelerated) {
        return noAccelerator;
    }
    return capabilities.textureUnits < 2 ? tooFewTextureUnits : nullptr;
}

void writeBanner()
{
    heron::debug("\n\n\n\n\n");
    heron::debug("--------------------\n");
    heron::debug("Program starting...\n");
    heron::debug("Program version is: %s\n", programVersion);
    heron::debug("OS = %s %s\n", heron::osFamilyName(), heron::osVersionName());
    heron::debug("CPUs = %d\n", heron::cpuCount());
    heron::debug("RAM = %uMb\n", wholeMegabytes(heron::memorySize()));
}

bool dataFileThere(const heron_string& dataFile)
{
    heron::debug("Looking for files...\n");
    return findDataFile(dataFile);
}

// Runs the launcher on the data file. An exception that escapes it is reported with the progress
// code and ends the run with a failure status: passed on out of the process entry, it would
// abort the program with a core dump.
int runLauncher(const heron_string& dataFile, const MainPlaces& places)
{
    try {
        const GameLauncher launcher{heron::FilePath(dataFile)};
        return 0;
    } catch (...) {
        char text[failureTextSize];
        formatFailure(heron::progressCode.load(), text, sizeof text);
        heron::debug("\n\n\n%s\n", text);
        places.showError(text);
        return failedToStart;
    }
}

int runSteps(const std::vector<heron_string>& words, const MainPlaces& places)
{
    const SingleInstance instance(places.lockFile, places.spareLockFile);
    if (instance.state() == SingleInstance::State::HeldElsewhere) {
        return 0;
    }
    if (instance.state() == SingleInstance::State::Failed) {
        std::fprintf(stderr, "Aurelle: %s\n", instance.error().c_str());
        return failedToStart;
    }
    if (const char* problem = graphicsProblem()) {
        places.showError(problem);
        return failedToStart;
    }
    kestrel::setWindowIcon(programIcon());
    switch (parseCommandLine(words, places.cacheRoot)) {
    case DataDeletion::Deleted:
        return 0;
    case DataDeletion::Refused:
        return failedToStart;
    case DataDeletion::NotAsked:
        break;
    }
    const LogFile log(places.logFile, places.spareLogFile);
    const CrashReport crashReport(log.fd());
    writeBanner();
    kestrel::getGLcapabilities().print();
    const bool found = dataFileThere(places.dataFile);
    setUpEngine();
    if (!found) {
        places.showError(noDataFile);
        return failedToStart;
    }
    heron::debug("Opening the launcher window...\n");
    return runLauncher(places.dataFile, places);
}

}

MainPlaces MainPlaces::defaults()
{
    MainPlaces places;
    places.lockFile = SingleInstance::defaultPath();
    places.spareLockFile = SingleInstance::sparePath();
    // Beside the program while its folder can be written (else the user's cache folder), as the
    // decoded-sound cache is.
    places.logFile = heron::FilePath(heron::joinPath(pelican::cacheRoot(), "game.log")).diskPath(heron::CaseMatch::Exact);
    places.spareLogFile =
        heron::FilePath(heron::joinPath(pelican::userCacheRoot(), "game.log")).diskPath(heron::CaseMatch::Exact);
    places.dataFile = dataFilePath();
    places.cacheRoot = pelican::cacheRoot();
    places.showError = [](const char* text) { kestrel::errorBox(text); };
    return places;
}

std::uint32_t wholeMegabytes(std::uint64_t bytes)
{
    return static_cast<std::uint32_t>((bytes + 0xFFFFF) >> 20);
}

DataDeletion parseCommandLine(const std::vector<heron_string>& words, const heron_string& cacheRoot)
{
    DataDeletion result = DataDeletion::NotAsked;
    const heron::FilePath folder(heron::joinPath(cacheRoot, "data"));
    const heron_string onDisk = folder.diskPath(heron::CaseMatch::Exact);
    for (const heron_string& word : words) {
        if (word != "-delete_data") {
            continue;
        }
        if (onDisk.empty() || onDisk.c_str()[0] != '/') {
            std::fprintf(stderr, "Aurelle: the data folder \"%s\" is not an absolute path; nothing deleted\n",
                         onDisk.c_str());
            return DataDeletion::Refused;
        }
        // A missing folder is what was asked for; other failures leave what could not go.
        [[maybe_unused]] const bool deleted = heron::deletePath(folder, true);
        result = DataDeletion::Deleted;
    }
    return result;
}

int runMain(const std::vector<heron_string>& words, const MainPlaces& places)
{
    // The launcher reports its own failures; this catches what fails before it runs (the log may
    // not be open yet).
    try {
        return runSteps(words, places);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "Aurelle: %s\n", error.what());
    } catch (...) {
        std::fputs("Aurelle: the program failed to start\n", stderr);
    }
    return failedToStart;
}

int main(const std::vector<heron_string>& words)
{
    return runMain(words, MainPlaces::defaults());
}

}
