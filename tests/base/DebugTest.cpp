#include "base/Debug.h"

#include "support/FileSizeLimit.h"
#include "support/TempLog.h"
#include "base/FilePath.h"
#include "base/threads/Thread.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/utsname.h>
#include <unistd.h>

namespace
{

// Sets the log limit for its lifetime.
struct LogLimit
{
    explicit LogLimit(std::size_t bytes) { heron::setDebugLogLimit(bytes); }
    ~LogLimit() { heron::setDebugLogLimit(heron::defaultDebugLogLimit); }
};

// The log file "game.log" with its name, in a temporary folder, for the object's lifetime.
class NamedLog
{
public:
    NamedLog() : m_file(std::fopen(path().c_str(), "w"))
    {
        EXPECT_NE(m_file, nullptr);
        heron::setDebugLogFile(m_file, path().c_str());
    }
    ~NamedLog()
    {
        heron::setDebugLogFile(nullptr);
        EXPECT_EQ(std::fclose(m_file), 0);
    }
    NamedLog(const NamedLog&) = delete;
    NamedLog& operator=(const NamedLog&) = delete;

    std::string path() const { return m_folder.file("game.log"); }
    std::string text() const { return readWholeFile(path()); }
    std::FILE* file() const { return m_file; }

private:
    TempFolder m_folder;
    std::FILE* const m_file;
};

// The line saying that count messages were left out.
std::string leftOut(std::size_t count)
{
    char line[200];
    std::snprintf(line, sizeof line, heron::debugLeftOutLine, count);
    return line;
}

// The lines a log file of the limit given starts afresh with, after count messages were left out.
std::string freshStart(std::size_t limit, std::size_t count)
{
    char first[200];
    std::snprintf(first, sizeof first, heron::debugContinuedLine, "game.log.old", limit);
    return first + leftOut(count);
}

}

TEST(debug, WritesEachMessageExactlyAsFormattedOnlyWhileALogFileIsSet)
{
    heron::debug("before %d\n", 1);
    TempLog log;
    heron::debug("value %d of %s\n", 5, "six");
    heron::debug("%s", "100% plain, no line end");
    EXPECT_EQ(log.text(), "value 5 of six\n100% plain, no line end");
    heron::setDebugLogFile(nullptr);
    heron::debug("while off %d\n", 2);
    EXPECT_EQ(log.text(), "value 5 of six\n100% plain, no line end");
}

TEST(debug, CutsAMessageLongerThanTheBufferMarksItAndGoesOn)
{
    for (const std::size_t length : {std::size_t(10000), std::size_t(10001), std::size_t(50000)}) {
        SCOPED_TRACE(length);
        TempLog log;
        const std::string message(length, 'm');
        heron::debug("%s", message.c_str());
        heron::debug("next\n");
        const std::string text = log.text();
        if (length <= heron::debugBufferSize) {
            EXPECT_EQ(text, message + "next\n");
            continue;
        }
        const std::size_t kept = heron::debugBufferSize - std::string(heron::debugCutMark).size();
        EXPECT_EQ(text, message.substr(0, kept) + heron::debugCutMark + "next\n");
    }
}

TEST(debug, StopsWritingAtTheLogLimitWithOneLineSayingSo)
{
    struct Limit
    {
        Limit() { heron::setDebugLogLimit(20); }
        ~Limit() { heron::setDebugLogLimit(heron::defaultDebugLogLimit); }
    } limit;
    {
        TempLog log;
        heron::debug("0123456789\n");
        heron::debug("%s\n", "abcdefgh");
        heron::debug("x\n");
        heron::debug("y\n");
        EXPECT_EQ(log.text(), "0123456789\nabcdefgh\nThe log is full (20 bytes): later messages are left out.\n");
    }
    // A new log file starts with its whole allowance.
    TempLog next;
    heron::debug("z\n");
    heron::debug("%s", std::string(20, 'w').c_str());
    EXPECT_EQ(next.text(), "z\nThe log is full (20 bytes): later messages are left out.\n");
}

// A log file with a name goes on past its limit: the full file is kept under the name with ".old"
// (one such file, replacing an earlier one), and a new file starts with a line saying so.
TEST(debug, ANamedLogAtItsLimitIsKeptAsOldAndGoesOnInANewFile)
{
    constexpr std::size_t limit = 120;
    const LogLimit setLimit(limit);
    TempFolder folder;
    const std::string path = folder.file("game.log");
    const std::string old = path + ".old";
    std::ofstream(old) << "an earlier run\n";
    std::FILE* const file = std::fopen(path.c_str(), "w");
    ASSERT_NE(file, nullptr);
    heron::setDebugLogFile(file, path.c_str());
    std::vector<std::string> messages;
    for (int i = 0; i < 9; ++i) {
        messages.push_back("message " + std::to_string(i) + " of twenty\n");
    }
    char first[200];
    std::snprintf(first, sizeof first, heron::debugContinuedLine, "game.log.old", limit);
    for (int i = 0; i < 7; ++i) {
        heron::debug("%s", messages[i].c_str());
    }
    EXPECT_EQ(readWholeFile(old), messages[0] + messages[1] + messages[2] + messages[3] + messages[4] + messages[5]);
    EXPECT_EQ(readWholeFile(path), first + messages[6]);
    heron::debug("%s", messages[7].c_str());
    heron::debug("%s", messages[8].c_str());
    EXPECT_EQ(readWholeFile(old), first + messages[6] + messages[7]);
    EXPECT_EQ(readWholeFile(path), first + messages[8]);
    heron::setDebugLogFile(nullptr);
    EXPECT_EQ(std::fclose(file), 0);
}

// A log that cannot start afresh when full (no descriptor left) keeps its name and stops; a later
// try, a second on, starts it afresh and says how many messages were left out meanwhile.
TEST(debug, ANamedLogThatCannotStartAfreshTriesAgainLater)
{
    constexpr std::size_t limit = 40;
    const LogLimit setLimit(limit);
    const NamedLog log;
    const std::string kept = log.path() + ".old";
    writeWholeFile(kept, "kept from before\n");
    heron::debug("%s\n", std::string(30, 'a').c_str());
    rlimit descriptors{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &descriptors), 0);
    const rlimit none{0, descriptors.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &none), 0);
    heron::debug("%s\n", std::string(30, 'b').c_str());
    heron::debug("c\n");
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &descriptors), 0);
    heron::debug("d\n");
    char full[200];
    std::snprintf(full, sizeof full, heron::debugLimitLine, limit);
    EXPECT_EQ(log.text(), std::string(30, 'a') + "\n" + full);
    EXPECT_EQ(readWholeFile(kept), "kept from before\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    heron::debug("e\n");
    EXPECT_EQ(log.text(), freshStart(limit, 3) + "e\n");
}

// A log on a full disk: the messages it does not take are counted as left out (the next message
// the file takes comes after the count), and standard error says once that the log cannot be written.
TEST(debug, MessagesAFullDiskRefusesAreCountedAsLeftOutAndSaidOnceOnStandardError)
{
    const NamedLog log;
    const int disk = dup(fileno(log.file()));
    const int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(full, 0);
    ASSERT_GE(dup2(full, fileno(log.file())), 0);
    testing::internal::CaptureStderr();
    for (const char* message : {"a\n", "b\n", "c\n"}) {
        heron::debug("%s", message);
    }
    const std::string said = testing::internal::GetCapturedStderr();
    ASSERT_GE(dup2(disk, fileno(log.file())), 0);
    close(full);
    close(disk);
    EXPECT_EQ(said, "Aurelle: cannot write the log file " + log.path() + " (" + std::strerror(ENOSPC) +
                        "): its messages are left out\n");
    EXPECT_EQ(log.text(), "");

    heron::debug("m\n");
    heron::debug("n\n");
    EXPECT_EQ(log.text(), leftOut(3) + "m\nn\n");
}

// A message the disk takes only a part of is dropped whole: the part is cut off again, and nothing
// of it comes later.
TEST(debug, AMessageTheDiskTakesOnlyAPartOfLeavesNothingOfItInTheLog)
{
    const NamedLog log;
    heron::debug("first\n");
    testing::internal::CaptureStderr();
    {
        const FileSizeLimit room(log.text().size() + 10);
        heron::debug("%s\n", std::string(30, 'a').c_str());
    }
    static_cast<void>(testing::internal::GetCapturedStderr());
    heron::debug("next\n");
    EXPECT_EQ(log.text(), "first\n" + leftOut(1) + "next\n");
}

// A log file held by a running program, as by another copy of this one, is left as it is by a
// second opener, also once the holder has started it afresh.
TEST(debug, ALogFileARunningProgramHoldsIsLeftAsItIsByAnotherOpener)
{
    const LogLimit setLimit(40);
    TempFolder folder;
    const std::string path = folder.file("game.log");
    const heron::DebugLogOpening held = heron::openDebugLogFile(path.c_str());
    ASSERT_NE(held.file, nullptr);
    heron::setDebugLogFile(held.file, path.c_str());
    for (const char letter : {'a', 'b'}) {
        heron::debug("%s\n", std::string(30, letter).c_str());
        const heron::DebugLogOpening other = heron::openDebugLogFile(path.c_str());
        EXPECT_EQ(other.file, nullptr) << letter;
        EXPECT_TRUE(other.heldElsewhere) << letter;
        EXPECT_NE(readWholeFile(path).find(std::string(30, letter)), std::string::npos) << letter;
    }
    heron::setDebugLogFile(nullptr);
    EXPECT_EQ(std::fclose(held.file), 0);
}

TEST(debug, MessagesFromManyThreadsNeverInterleaveAndTheLogCanBeSwitchedMeanwhile)
{
    TempLog log;
    constexpr int threads = 8;
    constexpr int lines = 200;
    const std::string payload(300, 'p');
    std::vector<std::thread> writers;
    for (int t = 0; t < threads; ++t) {
        writers.emplace_back([t, &payload] {
            for (int i = 0; i < lines; ++i) {
                heron::debug("<%d %s %d>\n", t, payload.c_str(), i);
            }
        });
    }
    for (std::thread& writer : writers) {
        writer.join();
    }
    std::istringstream text(log.text());
    std::string line;
    int count = 0;
    while (std::getline(text, line)) {
        ++count;
        ASSERT_EQ(line, "<" + line.substr(1, line.find(' ') - 1) + " " + payload + line.substr(line.rfind(' ')));
    }
    EXPECT_EQ(count, threads * lines);

    std::atomic<bool> stop{false};
    writers.clear();
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([&stop] {
            while (!stop) {
                heron::debug("busy writer\n");
            }
        });
    }
    for (int round = 0; round < 50; ++round) {
        TempLog switched;
        heron::debug("round %d\n", round);
    }
    stop = true;
    for (std::thread& writer : writers) {
        writer.join();
    }
}

TEST(hexDump, WritesLinesOfSixteenBytesWithAlignedTextColumn)
{
    TempLog log;
    const unsigned char bytes[20] = {'0', '1', '%', 'd', 0x00, 0x41, 0x7F, 0xC8, 0x20, 0x7E,
                                     0x1F, 0x80, 0xFF, 'a', 'b', 'c', 'x', '%', 's', 0x0A};
    heron::hexDump(bytes, sizeof bytes);
    heron::hexDump(bytes, 0);
    heron::hexDump(bytes, 16);
    std::vector<unsigned char> longer(0x30, '.');
    longer[0x20] = 'Z';
    heron::hexDumpLine(longer.data(), 0x20, 1);
    EXPECT_EQ(log.text(),
              "0000000  30 31 25 64 00 41 7F C8 20 7E 1F 80 FF 61 62 63 01%d.A.. ~...abc\n"
              "0000010  78 25 73 0A " + std::string(36, ' ') + "x%s.\n"
              "0000000  30 31 25 64 00 41 7F C8 20 7E 1F 80 FF 61 62 63 01%d.A.. ~...abc\n"
              "0000020  5A " + std::string(45, ' ') + "Z\n");
}

TEST(getTime, IsZeroAtTheFirstCallAndNeverDecreasesOnAnyThread)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(heron::getTime() == 0.0 ? 0 : 1), testing::ExitedWithCode(0), "");
    std::vector<std::thread> readers;
    std::atomic<int> failures{0};
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&failures] {
            double last = heron::getTime();
            for (int i = 0; i < 20000; ++i) {
                const double now = heron::getTime();
                failures += now < last || now < 0.0;
                last = now;
            }
        });
    }
    for (std::thread& reader : readers) {
        reader.join();
    }
    EXPECT_EQ(failures, 0);
}

TEST(systemInformation, DescribesThisProgramAsTheSystemSpellsItAndThisMachineWithMemoryBeyondFourGigabytes)
{
    const std::string onDisk = std::filesystem::canonical("/proc/self/exe").string();
    const std::string path = heron::programPath();
    EXPECT_EQ(path, onDisk);
    EXPECT_EQ(heron::diskPath(heron::programPath()).c_str(), onDisk);
    EXPECT_EQ(heron::programDirectory() + std::string("base_unit_tests"), path);

    utsname names{};
    ASSERT_EQ(uname(&names), 0);
    EXPECT_STREQ(heron::osFamilyName(), names.sysname);
    EXPECT_STREQ(heron::osVersionName(), names.release);
    EXPECT_EQ(heron::osVersion(), 1000);
    EXPECT_EQ(heron::cpuCount(), static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN)));
    // Counted in 64 bits: the product of pages and page size, not a 32-bit wrap of it.
    EXPECT_EQ(heron::memorySize(), std::uint64_t(sysconf(_SC_PHYS_PAGES)) * std::uint64_t(sysconf(_SC_PAGESIZE)));
}
