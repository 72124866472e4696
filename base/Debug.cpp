#include "base/Debug.h"

#include "base/Mutex.h"
#include "base/heron_string.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstring>
#include <ctime>
#include <string>

#include <fcntl.h>
#include <stdio_ext.h>
#include <sys/file.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace heron
{

std::atomic<int> progressCode{0};

namespace
{

constexpr int logSite = 1021;
constexpr std::size_t hexDumpWidth = 16;

std::atomic<std::FILE*> g_logFile{nullptr};
std::atomic<std::size_t> g_logLimit{defaultDebugLogLimit};
// Bytes written to the current log file, and whether its limit line has been written; both
// used under the log lock.
std::size_t g_logWritten = 0;
bool g_logFull = false;
// The current log file's name, empty when it has none; used under the log lock.
std::string g_logPath;
// When a full log file with a name may next try to start afresh, and the messages left out since
// it was full or that could not be written (a full disk); used under the log lock.
double g_nextFreshStart = 0;
std::size_t g_leftOut = 0;
// Whether standard error was told that the current log file cannot be written; used under the log
// lock.
bool g_toldUnwritable = false;
// Formatting room shared by all messages, used under the log lock.
char g_message[debugBufferSize + 1];
// Set while this thread waits for the log lock: a long wait's own log line would wait for the
// same lock again, so it is dropped instead.
thread_local bool t_waitingForLog = false;

Mutex& logLock()
{
    static Mutex* const lock = new Mutex("Debug mutex");
    return *lock;
}

// The line saying how many messages were left out, empty when none was. Under the log lock.
std::string leftOutLine()
{
    if (g_leftOut == 0) {
        return {};
    }
    char line[128];
    const int length = std::snprintf(line, sizeof line, debugLeftOutLine, g_leftOut);
    return std::string(line, static_cast<std::size_t>(std::clamp(length, 0, int(sizeof line) - 1)));
}

// Keeps the full log file under its ".old" name and points file at a new, empty one at its name,
// which starts with the line saying where the earlier messages are. False when the file has no
// name or a step fails. Under the log lock.
bool startAfresh(std::FILE* file, std::size_t limit)
{
    if (g_logPath.empty()) {
        return false;
    }
    const std::string kept = g_logPath + ".old";
    const std::string made = g_logPath + ".new";
    std::fflush(file);
    // The new file is made before anything is renamed: when it cannot be (no descriptor left, say),
    // the files stay as they are, the one kept from before included, and a later try finds them.
    const int fresh = ::open(made.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fresh < 0) {
        return false;
    }
    // Held as the file it replaces was, so that another running copy does not empty it.
    static_cast<void>(::flock(fresh, LOCK_EX | LOCK_NB));
    if (std::rename(g_logPath.c_str(), kept.c_str()) != 0) {
        ::close(fresh);
        ::unlink(made.c_str());
        return false;
    }
    if (std::rename(made.c_str(), g_logPath.c_str()) != 0) {
        std::rename(kept.c_str(), g_logPath.c_str());
        ::close(fresh);
        ::unlink(made.c_str());
        return false;
    }
    const bool moved = ::dup2(fresh, fileno(file)) >= 0;
    ::close(fresh);
    if (!moved) {
        return false;
    }
    std::fseek(file, 0, SEEK_SET);
    const int written = std::fprintf(file, debugContinuedLine, kept.substr(kept.rfind('/') + 1).c_str(), limit);
    const std::string count = leftOutLine();
    std::fputs(count.c_str(), file);
    g_logWritten = static_cast<std::size_t>(std::max(0, written)) + count.size();
    g_logFull = false;
    g_leftOut = 0;
    return true;
}

// Starts the file afresh; after a failed try, the next comes a second later. Under the log lock.
bool startAfreshInTime(std::FILE* file, std::size_t limit)
{
    const double now = getTime();
    if (now < g_nextFreshStart) {
        return false;
    }
    if (startAfresh(file, limit)) {
        return true;
    }
    g_nextFreshStart = now + 1.0;
    return false;
}

// Writes text and flushes it. Text the file does not take (a full disk) is dropped whole: what is
// still buffered is not kept for a later flush, and what reached the file is cut off again, so that
// the file never holds a part of it. The first such failure of a log file is said once on
// standard error, as the log cannot say it. Under the log lock; nothing is buffered before the call.
bool writeText(std::FILE* file, const char* text)
{
    const off_t before = ::lseek(fileno(file), 0, SEEK_CUR);
    if (std::fputs(text, file) >= 0 && std::fflush(file) == 0) {
        return true;
    }
    const int error = errno;
    __fpurge(file);
    std::clearerr(file);
    if (before >= 0 && ::ftruncate(fileno(file), before) == 0) {
        std::fseek(file, before, SEEK_SET);
    }
    if (!g_toldUnwritable) {
        g_toldUnwritable = true;
        std::fprintf(stderr, "Aurelle: cannot write the log file%s%s (%s): its messages are left out\n",
                     g_logPath.empty() ? "" : " ", g_logPath.c_str(), std::strerror(error));
    }
    return false;
}

// Writes the line with the count of the messages left out, when there is one. Under the log lock.
bool writeLeftOutCount(std::FILE* file)
{
    const std::string count = leftOutLine();
    if (count.empty()) {
        return true;
    }
    if (!writeText(file, count.c_str())) {
        return false;
    }
    g_logWritten += count.size();
    g_leftOut = 0;
    return true;
}

// Writes the formatted message, after the count of the messages left out before it (a full disk
// that has room again); when they would take the file past its limit, first starts the file
// afresh, or writes the limit line instead when it cannot; nothing more until it can start afresh.
// Under the log lock.
void writeWithinLimit(std::FILE* file, std::size_t length)
{
    const std::size_t limit = g_logLimit.load();
    const std::size_t counted = leftOutLine().size();
    const bool fits = !g_logFull && length + counted <= limit - std::min(limit, g_logWritten);
    if (!fits && !startAfreshInTime(file, limit)) {
        if (!g_logFull) {
            g_logFull = true;
            std::fprintf(file, debugLimitLine, limit);
            std::fflush(file);
        }
        ++g_leftOut;
        return;
    }
    if (!writeLeftOutCount(file) || !writeText(file, g_message)) {
        ++g_leftOut;
        return;
    }
    g_logWritten += length;
}

void markCut()
{
    const std::size_t markLength = std::strlen(debugCutMark);
    std::memcpy(g_message + debugBufferSize - markLength, debugCutMark, markLength + 1);
}

heron_string readProgramPath()
{
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof path) {
        return heron_string();
    }
    return heron_string(path, static_cast<std::uint32_t>(length));
}

// Kept for the whole run as the system spells it; made once, read by any thread.
const heron_string& programFile()
{
    static const heron_string* const file = new heron_string(readProgramPath());
    return *file;
}

// The text up to and including the last '/'; empty when there is none.
heron_string folderOf(const heron_string& file)
{
    const std::uint32_t last = file.find_last_of('/');
    return last == heron_string::npos ? heron_string() : file.substr(0, last + 1);
}

// The system's names, read once.
const utsname& systemNames()
{
    static const utsname names = [] {
        utsname result{};
        uname(&result);
        return result;
    }();
    return names;
}

}

void setDebugLogFile(std::FILE* file, const char* path)
{
    MutexLock lock(logLock(), logSite);
    g_logFile = file;
    g_logPath = file != nullptr && path != nullptr ? path : "";
    g_logWritten = 0;
    g_logFull = false;
    g_nextFreshStart = 0;
    g_leftOut = 0;
    g_toldUnwritable = false;
}

DebugLogOpening openDebugLogFile(const char* path)
{
    const int descriptor = ::open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        return {};
    }
    // Where files cannot be locked, the log is written unheld, as it always was.
    if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        ::close(descriptor);
        return {nullptr, true};
    }
    std::FILE* const file = ::ftruncate(descriptor, 0) == 0 ? ::fdopen(descriptor, "w") : nullptr;
    if (!file) {
        ::close(descriptor);
    }
    return {file, false};
}

void setDebugLogLimit(std::size_t bytes)
{
    g_logLimit = bytes;
}

void debug(const char* format, ...)
{
    if (!g_logFile.load() || t_waitingForLog) {
        return;
    }
    t_waitingForLog = true;
    MutexLock lock(logLock(), logSite);
    t_waitingForLog = false;
    std::FILE* const file = g_logFile.load();
    if (!file) {
        return;
    }
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(g_message, sizeof g_message, format, args);
    va_end(args);
    if (length < 0) {
        return;
    }
    if (static_cast<std::size_t>(length) > debugBufferSize) {
        markCut();
    }
    writeWithinLimit(file, std::min(static_cast<std::size_t>(length), debugBufferSize));
}

double getTime()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const double seconds = static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
    static const double base = seconds;
    return std::max(0.0, seconds - base);
}

const char* programPath()
{
    return programFile().c_str();
}

const char* programDirectory()
{
    static const heron_string* const directory = new heron_string(folderOf(programFile()));
    return directory->c_str();
}

const char* osFamilyName()
{
    return systemNames().sysname;
}

int osVersion()
{
    return 1000;
}

const char* osVersionName()
{
    return systemNames().release;
}

int cpuCount()
{
    return static_cast<int>(std::max(1L, sysconf(_SC_NPROCESSORS_ONLN)));
}

std::uint64_t memorySize()
{
    struct sysinfo info{};
    if (sysinfo(&info) != 0) {
        return 0;
    }
    return static_cast<std::uint64_t>(info.totalram) * info.mem_unit;
}

void hexDump(const void* data, std::size_t count)
{
    std::size_t offset = 0;
    for (; count - offset > hexDumpWidth; offset += hexDumpWidth) {
        hexDumpLine(data, offset, hexDumpWidth);
    }
    if (offset < count) {
        hexDumpLine(data, offset, count - offset);
    }
}

void hexDumpLine(const void* data, std::size_t offset, std::size_t count)
{
    count = std::min(count, hexDumpWidth);
    const auto* const bytes = static_cast<const unsigned char*>(data) + offset;
    char line[128];
    int at = std::snprintf(line, sizeof line, "%07zX  ", offset);
    for (std::size_t i = 0; i < hexDumpWidth; ++i) {
        at += i < count ? std::snprintf(line + at, sizeof line - at, "%02X ", bytes[i])
                        : std::snprintf(line + at, sizeof line - at, "   ");
    }
    for (std::size_t i = 0; i < count; ++i) {
        line[at++] = bytes[i] >= 32 && bytes[i] <= 126 ? static_cast<char>(bytes[i]) : '.';
    }
    line[at++] = '\n';
    line[at] = '\0';
    debug("%s", line);
}

}
