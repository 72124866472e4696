#include "launcher/CrashReport.h"

#include "base/Debug.h"

#include <atomic>
#include <csignal>
#include <cstring>

#include <unistd.h>

namespace game_launcher
{

namespace
{

constexpr int reportedSignals[] = {SIGSEGV, SIGABRT};
constexpr std::size_t signalCount = sizeof reportedSignals / sizeof reportedSignals[0];

std::atomic<int> g_logFd{-1};
struct sigaction g_previous[signalCount];

// Appends text at length, as far as size allows (one byte kept for the NUL).
std::size_t append(char* text, std::size_t size, std::size_t length, const char* part)
{
    while (*part != '\0' && length + 1 < size) {
        text[length++] = *part++;
    }
    text[length] = '\0';
    return length;
}

std::size_t appendNumber(char* text, std::size_t size, std::size_t length, int number)
{
    char digits[16];
    std::size_t count = 0;
    // Works on the magnitude as unsigned, so the most negative int has one too.
    unsigned int magnitude = number < 0 ? 0u - static_cast<unsigned int>(number) : static_cast<unsigned int>(number);
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (number < 0) {
        digits[count++] = '-';
    }
    char ordered[17];
    for (std::size_t i = 0; i < count; ++i) {
        ordered[i] = digits[count - 1 - i];
    }
    ordered[count] = '\0';
    return append(text, size, length, ordered);
}

std::size_t signalIndex(int signalNumber)
{
    for (std::size_t i = 0; i < signalCount; ++i) {
        if (reportedSignals[i] == signalNumber) {
            return i;
        }
    }
    return 0;
}

void onCrash(int signalNumber)
{
    const int fd = g_logFd.load();
    if (fd >= 0) {
        char line[failureTextSize + 8] = "\n\n\n";
        std::size_t length = 3 + formatFailure(heron::progressCode.load(), line + 3, failureTextSize);
        line[length++] = '\n';
        [[maybe_unused]] const ssize_t written = ::write(fd, line, length);
    }
    // The previous action (normally the default one) ends the program once the signal returns.
    sigaction(signalNumber, &g_previous[signalIndex(signalNumber)], nullptr);
    raise(signalNumber);
}

}

std::size_t formatFailure(int code, char* text, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    std::size_t length = append(text, size, 0, "Aurelle: Error - code ");
    length = appendNumber(text, size, length, code);
    if (code == 1) {
        length = append(text, size, length, " (sound driver crashed)");
    } else if (code == 2) {
        length = append(text, size, length, " (graphics driver crashed)");
    }
    return length;
}

CrashReport::CrashReport(int logFd)
{
    g_logFd = logFd;
    struct sigaction action{};
    action.sa_handler = &onCrash;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < signalCount; ++i) {
        sigaction(reportedSignals[i], &action, &g_previous[i]);
    }
}

CrashReport::~CrashReport()
{
    for (std::size_t i = 0; i < signalCount; ++i) {
        sigaction(reportedSignals[i], &g_previous[i], nullptr);
    }
    g_logFd = -1;
}

}
