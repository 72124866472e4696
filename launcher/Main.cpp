#include "launcher/Main.h"

#include "base/Debug.h"
#include "base/FilePath.h"
#include "content/DataFiles.h"
#include "game/GameWindow.h"
#include "game/Look.h"
#include "gui/gl/GLcapabilities.h"
#include "gui/gl/GLstate.h"
#include "gui/toolkit/MessageBox.h"
#include "gui/toolkit/ScreenMode.h"
#include "launcher/CrashReport.h"
#include "launcher/SingleInstance.h"
#include "scene/core/EngineSwitches.h"

#include <cstdio>

namespace game_launcher
{

namespace
{

constexpr const char* noAccelerator =
    "No 3D graphics accelerator found. You probably need to update your graphics card driver...";
constexpr const char* tooFewTextureUnits = "Fatal graphics card error (not enough texture units).";
constexpr const char* noDataFile = "Can't find the data file - please reinstall Aurelle";
constexpr int failedToStart = 1;

// The log file for the routine's life: made the debug log when opened, closed and unset when it
// goes.
class LogFile
{
public:
    explicit LogFile(const heron_string& path) : m_file(std::fopen(path.c_str(), "w"))
    {
        if (!m_file) {
            std::fprintf(stderr, "Aurelle: cannot write the log file %s\n", path.c_str());
            return;
        }
        heron::setDebugLogFile(m_file);
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
    std::FILE* m_file;
};

// The reason the graphics cannot run the game, or null when they can.
const char* graphicsProblem()
{
    const kestrel::GLcapabilities& capabilities = kestrel::getGLcapabilities();
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

// Opens the game window on the data file and runs it to its end; non-zero when it cannot start.
int playGame(const heron_string& dataFile, const MainPlaces& places)
{
    GameWindow window{kestrel::ScreenMode(), heron::FilePath(dataFile)};
    const heron_string reason = window.failureReason();
    // The world's textures and models go while the shared GL context is still there.
    setCurrentLook(heron::counted_ptr<Look>());
    if (reason.empty()) {
        return 0;
    }
    heron::debug("Game failed to start - reason = \"%s\"\n", reason.c_str());
    places.showError(reason.c_str());
    return failedToStart;
}

// What the words ask the program to play: "-game" starts the game window at once (without the
// launcher window), on the data file named after it or else the one beside the program.
struct Request
{
    bool direct = false;
    heron_string dataFile;
};

Request readRequest(const std::vector<heron_string>& words, const heron_string& defaultDataFile)
{
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (words[i] == "-game") {
            return Request{true, i + 1 < words.size() ? words[i + 1] : defaultDataFile};
        }
    }
    return Request{false, defaultDataFile};
}

// Runs what was asked for; an exception that escapes is reported with the progress code and
// passed on.
int runProgram(const Request& request, const MainPlaces& places)
{
    try {
        if (request.direct) {
            return playGame(request.dataFile, places);
        }
        std::fputs("Aurelle: the launcher window is not part of this build yet; start the game with -game.\n", stderr);
        return 0;
    } catch (...) {
        char text[failureTextSize];
        formatFailure(heron::progressCode.load(), text, sizeof text);
        heron::debug("\n\n\n%s\n", text);
        places.showError(text);
        throw;
    }
}

}

MainPlaces MainPlaces::defaults()
{
    MainPlaces places;
    places.lockFile = SingleInstance::defaultPath();
    places.logFile = heron::FilePath(heron_string(heron::programDirectory()) + "game.log").diskPath();
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
    const heron::FilePath folder(cacheRoot + "data");
    const heron_string onDisk = folder.diskPath();
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
    const SingleInstance instance(places.lockFile);
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
    switch (parseCommandLine(words, places.cacheRoot)) {
    case DataDeletion::Deleted:
        return 0;
    case DataDeletion::Refused:
        return failedToStart;
    case DataDeletion::NotAsked:
        break;
    }
    const LogFile log(places.logFile);
    const CrashReport crashReport(log.fd());
    writeBanner();
    kestrel::getGLcapabilities().print();
    kestrel::setZUp(true);
    const Request request = readRequest(words, places.dataFile);
    const bool found = dataFileThere(request.dataFile);
    finch::enableGeometryPool();
    if (!found) {
        places.showError(noDataFile);
        return failedToStart;
    }
    heron::debug("Opening the launcher window...\n");
    return runProgram(request, places);
}

int main(const std::vector<heron_string>& words)
{
    return runMain(words, MainPlaces::defaults());
}

}
