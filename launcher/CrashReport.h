#pragma once

#include <cstddef>

namespace game_launcher
{

// Room for the failure report's text.
constexpr std::size_t failureTextSize = 1000;

// Writes "Aurelle: Error - code <code>" into text (always NUL-terminated), with " (sound driver
// crashed)" behind it for code 1 and " (graphics driver crashed)" for code 2. Calls only
// async-signal-safe code, so the crash handler may use it. Returns the length written.
std::size_t formatFailure(int code, char* text, std::size_t size);

// While it lives, a SIGSEGV or SIGABRT writes "\n\n\n" + the failure report of the program-wide
// progress code + "\n" to the file descriptor logFd, then the signal's previous action runs
// (by default the program ends with a core dump). The previous handlers come back when it goes.
class CrashReport
{
public:
    explicit CrashReport(int logFd);
    ~CrashReport();
    CrashReport(const CrashReport&) = delete;
    CrashReport& operator=(const CrashReport&) = delete;
};

}
