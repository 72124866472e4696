#include "base/Debug.h"

#include "TempLog.h"
#include "base/Thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/utsname.h>
#include <unistd.h>

namespace
{

std::uint64_t memTotalFromProc()
{
    std::ifstream in("/proc/meminfo");
    std::string key;
    std::uint64_t kilobytes = 0;
    while (in >> key >> kilobytes) {
        if (key == "MemTotal:") {
            return kilobytes * 1024;
        }
        in.ignore(1000, '\n');
    }
    return 0;
}

}

TEST(debug, WritesNothingWhileNoLogFileIsSet)
{
    heron::debug("before %d\n", 1);
    TempLog log;
    heron::setDebugLogFile(nullptr);
    heron::debug("while off %d\n", 2);
    EXPECT_EQ(log.text(), "");
}

TEST(debug, WritesEachMessageExactlyAsFormattedAndFlushesIt)
{
    TempLog log;
    heron::debug("value %d of %s\n", 5, "six");
    EXPECT_EQ(log.text(), "value 5 of six\n");
    heron::debug("%s", "100% plain, no line end");
    EXPECT_EQ(log.text(), "value 5 of six\n100% plain, no line end");
}

TEST(debug, CutsAMessageLongerThanTheBufferMarksItAndGoesOn)
{
    struct Case {
        std::size_t length;
        bool cut;
    };
    const Case cases[] = {{9999, false}, {10000, false}, {10001, true}, {50000, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        TempLog log;
        const std::string message(c.length, 'm');
        EXPECT_NO_THROW(heron::debug("%s", message.c_str()));
        heron::debug("next\n");
        const std::string text = log.text();
        if (!c.cut) {
            EXPECT_EQ(text, message + "next\n");
            continue;
        }
        const std::string mark = heron::debugCutMark;
        ASSERT_EQ(text.size(), heron::debugBufferSize + 5);
        EXPECT_EQ(text.substr(0, heron::debugBufferSize - mark.size()), message.substr(0, heron::debugBufferSize - mark.size()));
        EXPECT_EQ(text.substr(heron::debugBufferSize - mark.size()), mark + "next\n");
    }
}

TEST(debug, MessagesFromManyThreadsNeverInterleave)
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
        ASSERT_EQ(line.front(), '<');
        ASSERT_EQ(line.back(), '>');
        ASSERT_NE(line.find(" " + payload + " "), std::string::npos) << line;
    }
    EXPECT_EQ(count, threads * lines);
}

TEST(debug, LogFileCanBeSwitchedOffAndClosedWhileOtherThreadsWrite)
{
    std::atomic<bool> stop{false};
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([&stop] {
            while (!stop) {
                heron::debug("busy writer\n");
            }
        });
    }
    for (int round = 0; round < 50; ++round) {
        TempLog log;
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
    EXPECT_EQ(log.text(),
              "0000000  30 31 25 64 00 41 7F C8 20 7E 1F 80 FF 61 62 63 01%d.A.. ~...abc\n"
              "0000010  78 25 73 0A " +
                  std::string(36, ' ') + "x%s.\n");
}

TEST(hexDump, WritesOneLinePerSixteenBytesAndNothingForNoBytes)
{
    const std::vector<unsigned char> bytes(48, 0x41);
    const struct {
        std::size_t count;
        std::size_t lines;
    } cases[] = {{0, 0}, {1, 1}, {16, 1}, {17, 2}, {32, 2}, {48, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        TempLog log;
        heron::hexDump(bytes.data(), c.count);
        const std::string text = log.text();
        EXPECT_EQ(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')), c.lines);
    }
}

TEST(hexDumpLine, ShowsTheBytesAtTheOffsetUnderTheOffset)
{
    TempLog log;
    std::vector<unsigned char> bytes(0x30, '.');
    bytes[0x20] = 'Z';
    heron::hexDumpLine(bytes.data(), 0x20, 1);
    EXPECT_EQ(log.text(), "0000020  5A " + std::string(45, ' ') + "Z\n");
}

TEST(getTime, IsZeroAtTheFirstCall)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(heron::getTime() == 0.0 ? 0 : 1), testing::ExitedWithCode(0), "");
}

TEST(getTime, NeverDecreasesOnAnyThread)
{
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

TEST(getTime, CountsSecondsOfTheMonotonicClock)
{
    const double before = heron::getTime();
    heron::sleepMs(20);
    EXPECT_GE(heron::getTime() - before, 0.0195);
}

TEST(programPath, IsTheRunningProgramAndItsFolder)
{
    const std::string path = heron::programPath();
    EXPECT_EQ(path, std::filesystem::canonical("/proc/self/exe").string());
    const std::string directory = heron::programDirectory();
    ASSERT_FALSE(directory.empty());
    EXPECT_EQ(directory.back(), '/');
    EXPECT_EQ(path.substr(0, directory.size()), directory);
    EXPECT_EQ(path.find('/', directory.size()), std::string::npos);
}

TEST(systemInformation, DescribesThisMachine)
{
    utsname names{};
    ASSERT_EQ(uname(&names), 0);
    EXPECT_STREQ(heron::osFamilyName(), names.sysname);
    EXPECT_STREQ(heron::osVersionName(), names.release);
    EXPECT_EQ(heron::osVersion(), 1000);
    EXPECT_EQ(heron::cpuCount(), static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN)));
    EXPECT_GE(heron::cpuCount(), 1);
}

TEST(memorySize, IsTheWholePhysicalMemoryEvenAboveFourGigabytes)
{
    const std::uint64_t total = memTotalFromProc();
    ASSERT_GT(total, 0u);
    EXPECT_EQ(heron::memorySize(), total);
    const std::uint64_t megabytes = (heron::memorySize() + 0xFFFFF) >> 20;
    EXPECT_EQ(megabytes, (total + (1u << 20) - 1) / (1u << 20));
}
