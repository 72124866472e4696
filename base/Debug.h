#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace heron
{

// Longest message debug writes, in characters; a longer one is cut to this length.
constexpr std::size_t debugBufferSize = 10000;
// The end of a message that was cut.
constexpr const char* debugCutMark = "...[cut]\n";

// Most bytes of messages one log file takes: a peer or a fault that makes the program log without
// end cannot fill the disk. A normal session writes a few tens of kilobytes.
constexpr std::size_t defaultDebugLogLimit = std::size_t{16} << 20;
// The line that ends a log file without a name once its messages reached the limit; later ones
// are left out.
constexpr const char* debugLimitLine = "The log is full (%zu bytes): later messages are left out.\n";
// The line that starts a log file afresh after its limit, with the kept file's name and the limit.
constexpr const char* debugContinuedLine = "The earlier messages are in %s (the log reached %zu bytes).\n";
// The line after it when messages were left out meanwhile (the log could not start afresh, or
// could not be written), with their count; also the line before the next message a file that
// could not be written takes again.
constexpr const char* debugLeftOutLine = "(%zu messages were left out while the log could not be written.)\n";

// Makes file (open for writing; the caller keeps and closes it) the log file, with nothing
// written to it yet; null switches logging off. With path (the file's name), a file that reaches
// its limit is renamed to path + ".old", replacing an earlier one, and the log goes on in a new
// file at path (the same FILE, so the caller still closes it); without one the log stops at the
// limit, and when starting afresh fails (no descriptor left, say) it stops until a later try,
// at most one a second, succeeds. Any thread; returns after any message being written to the previous
// file is done.
void setDebugLogFile(std::FILE* file, const char* path = nullptr);
// A log file opened by openDebugLogFile: null when it could not be opened, and then whether that
// is because another running program holds it.
struct DebugLogOpening
{
    std::FILE* file = nullptr;
    bool heldElsewhere = false;
};
// Opens the file at path for writing, emptied, and holds it while it is open (an exclusive flock,
// which a fresh start of the log takes on to the new file), so that another running copy of the
// program, whose own log would empty it, does not open it: a file another holds is left as it is.
// The caller closes the file.
[[nodiscard]] DebugLogOpening openDebugLogFile(const char* path);
// Sets how many bytes of messages a log file takes (defaultDebugLogLimit until changed), counted
// from its setDebugLogFile. Any thread.
void setDebugLogLimit(std::size_t bytes);
// Formats printf-style and writes the text exactly as formatted (the caller supplies line ends)
// to the log file, flushed at once; nothing at all when no log file is set. A text longer than
// debugBufferSize is cut and ends with debugCutMark. The first message that would take the file
// past its limit starts a new file with debugContinuedLine before it, or, when the file cannot be
// started afresh, is replaced by debugLimitLine (with the limit) and nothing is written after it
// until a later try starts it afresh (then with debugLeftOutLine after debugContinuedLine). A
// message the file does not take (a full disk) is dropped whole, never written in part or later,
// and counted the same way; the first such failure of a log file is said once on standard error,
// and the next message the file takes comes after debugLeftOutLine.
// Any thread; messages never interleave.
void debug(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The program-wide progress code: the phase the program was last in (render steps, content
// preparation, drivers), written by each phase before it runs and reported by the main routine when
// an exception ends the program. 0 at start. Any thread.
extern std::atomic<int> progressCode;
// Sets the progress code without ordering any other memory access: for steps taken many times a
// frame, where a full barrier per step costs more than the step (the code stays a plain atomic
// value, read back the same).
inline void setProgress(int code)
{
    progressCode.store(code, std::memory_order_relaxed);
}

// Seconds since the first call, which returns 0.0; monotonic, never decreases. Any thread.
double getTime();

// The program's own file as the operating system spells it ('/' separators, every letter in its
// own case, so that a folder whose name differs only in case is never taken for it); empty when it
// cannot be found.
const char* programPath();
// The directory part of programPath with its trailing '/', ready for a file name to be appended.
const char* programDirectory();
// The operating system's name, such as "Linux".
const char* osFamilyName();
// Version code of a known system version; always 1000 (none known) on this system.
int osVersion();
// The operating system's release, such as "6.1.0-18-amd64".
const char* osVersionName();
// Processors online; at least 1.
int cpuCount();
// Total physical memory in bytes; 0 when unknown.
std::uint64_t memorySize();

// Logs count bytes at data as hex-dump lines of 16 bytes each.
void hexDump(const void* data, std::size_t count);
// Logs one hex-dump line of the count (up to 16) bytes at data + offset: "%07X  ", then each byte
// as "%02X ", three blanks per missing byte, the bytes 32..126 as characters (others as '.'), LF.
void hexDumpLine(const void* data, std::size_t offset, std::size_t count);

}
