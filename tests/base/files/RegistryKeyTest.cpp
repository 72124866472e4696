#include "base/files/RegistryKey.h"

#include "base/Limits.h"
#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"
#include "base/files/SettingsFile.h"

#include "support/TempFolder.h"
#include "support/TempLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <regex>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <tuple>
#include <unistd.h>

using heron::RegistryKey;
using heron::RegIntReader;
using heron::RegMemoryDataSourceReader;
using heron::RegStringReader;
using heron::SettingsFile;

namespace
{

const char* const productKey = "Pellmore Interactive Ltd\\Aurelle";
const std::string section = "[Software\\Pellmore Interactive Ltd\\Aurelle]\n";

// Points the settings store at a fresh folder for the test.
class RegistryKeyTest : public ::testing::Test
{
protected:
    RegistryKeyTest() { SettingsFile::setFolder(heron_string(m_folder.path().c_str())); }
    ~RegistryKeyTest() override { SettingsFile::setFolder(heron_string()); }

    std::filesystem::path filePath() const { return m_folder.path() / "registry.conf"; }
    std::string fileText() const { return readWholeFile(filePath()); }
    std::uint32_t damagedLinesInFile() const
    {
        const std::string text = fileText();
        SettingsFile file;
        file.parse(text.data(), text.size());
        return file.damagedLines();
    }
    std::string folder() const { return m_folder.path().string(); }

private:
    TempFolder m_folder;
};

std::int32_t readInt(const RegistryKey& key, const char* name, std::int32_t fallback)
{
    std::int32_t value = fallback;
    RegIntReader reader(key, name, &value);
    return value;
}

}

TEST_F(RegistryKeyTest, ValuesWrittenReadBackWithTheirTypesFromAPlainTextFile)
{
    {
        RegistryKey key(productKey, true);
        ASSERT_TRUE(key.isOpen());
        EXPECT_TRUE(key.setInt("Screen resolution", -1));
        EXPECT_TRUE(key.setBool("Use current", true));
        EXPECT_TRUE(key.setUnsigned("User color", 0xFF8040C0u));
        EXPECT_TRUE(key.setString("User name", heron_string("S\xf8ren \"the\\flyer\"\n")));
        EXPECT_TRUE(key.setString("Net address", static_cast<const char*>(nullptr)));
        EXPECT_TRUE(key.setBinary("Avatar", "\0\1\xfe\xff", 4));
        EXPECT_TRUE(key.setBinary("Empty", heron::MemoryDataDest(256)));
        EXPECT_TRUE(key.setString("Net address 2", "192.168.0.7:45321"));
    }
    const std::string text = fileText();
    for (const std::string& line : {section, std::string("\"Use current\" = dword:1\n"),
             std::string("\"Net address 2\" = sz:\"192.168.0.7:45321\"\n")}) {
        EXPECT_NE(text.find(line), std::string::npos) << text;
    }
    const RegistryKey key(productKey, false);
    ASSERT_TRUE(key.isOpen());
    bool useCurrent = false;
    heron_string name;
    heron_string address("unchanged");
    heron::MemoryDataSource avatar;
    heron::MemoryDataSource empty;
    EXPECT_TRUE(RegIntReader::readBool(key, "Use current", &useCurrent) && RegStringReader(key, "User name", &name) &&
                RegStringReader(key, "Net address", &address) &&
                RegMemoryDataSourceReader(key, "Avatar", &avatar) && RegMemoryDataSourceReader(key, "Empty", &empty));
    char bytes[5] = {};
    EXPECT_EQ(avatar.read(bytes, 5), 4u);
    EXPECT_EQ(std::make_tuple(readInt(key, "Screen resolution", 5), std::uint32_t(readInt(key, "User color", 0)),
                  useCurrent, std::string(name.c_str()), address.length(), std::string(bytes, 4), empty.isOK(),
                  empty.remaining()),
              std::make_tuple(-1, 0xFF8040C0u, true, std::string("S\xf8ren \"the\\flyer\"\n"), 0u,
                  std::string("\0\1\xfe\xff", 4), true, 0u));
}

TEST_F(RegistryKeyTest, ValuesOfTheWrongTypeReadAsMissingAndBigEndianNumbersAreRead)
{
    writeWholeFile(filePath(), section + "\"Screen Hz\" = sz:\"85\"\n\"User name\" = dword:3\n\"Avatar\" = dword:3\n"
                                         "\"Texture res\" = dword_be:256\n");
    TempLog log;
    const RegistryKey key(productKey, false);
    EXPECT_EQ(readInt(key, "Texture res", 0), 256);
    EXPECT_EQ(readInt(key, "Screen Hz", 2), 2);
    bool flag = true;
    heron_string name("default");
    heron::MemoryDataSource avatar;
    EXPECT_FALSE(RegIntReader::readBool(key, "Screen Hz", &flag) || RegStringReader(key, "User name", &name) ||
                 RegMemoryDataSourceReader(key, "Avatar", &avatar));
    EXPECT_TRUE(flag && name == heron_string("default") && !avatar.isOK());
    EXPECT_EQ(readInt(key, "Missing", 9), 9);
    EXPECT_TRUE(log.contains("\"Screen Hz\"") && log.contains("wrong kind")) << log.text();
}

TEST_F(RegistryKeyTest, KeyOpenedWithoutCreateRefusesEveryWriteAndMachineKeysAreApart)
{
    const RegistryKey missing(productKey, false);
    EXPECT_FALSE(missing.isOpen());
    EXPECT_EQ(readInt(missing, "Use current", 4), 4);
    RegistryKey user(productKey, true);
    RegistryKey machine(productKey, true, RegistryKey::localMachine);
    ASSERT_TRUE(user.setInt("Screen Hz", 1));
    ASSERT_TRUE(machine.setInt("Screen Hz", 2));
    RegistryKey existing(productKey, false);
    ASSERT_TRUE(existing.isOpen());
    EXPECT_FALSE(existing.setInt("Use current", 1) || existing.setString("User name", "x") ||
                 existing.setBinary("Avatar", "x", 1));
    EXPECT_EQ(readInt(existing, "Use current", 4), 4);
    EXPECT_EQ(readInt(existing, "Screen Hz", 0), 1);
    EXPECT_EQ(readInt(RegistryKey(productKey, false, RegistryKey::localMachine), "Screen Hz", 0), 2);
    EXPECT_TRUE(RegistryKey("Pellmore Interactive Ltd", false).isOpen());
    EXPECT_FALSE(RegistryKey("Pellmore Interactive Ltd\\Other", false).isOpen());
}

TEST_F(RegistryKeyTest, DamagedFileKeepsItsGoodValuesAndIsRewrittenClean)
{
    static const char garbage[] = "\x01\x02\xff\xfe\0garbage\n";
    writeWholeFile(filePath(), section + "\"Screen Hz\" = dword:3\n\"Use current\" = dword:\"yes\"\n" +
                                   std::string(garbage, sizeof garbage - 1) + "\"Enable fog\" = dwo");
    TempLog log;
    RegistryKey key(productKey, true);
    ASSERT_TRUE(key.isOpen());
    EXPECT_EQ(readInt(key, "Screen Hz", 0), 3);
    EXPECT_EQ(readInt(key, "Use current", 7), 7);
    EXPECT_EQ(readInt(key, "Enable fog", 7), 7);
    for (const char* damaged : {"line 3 is damaged", "line 4 is damaged", "line 5 is damaged"}) {
        EXPECT_EQ(log.count(damaged), 1) << "reported once per file version\n" << log.text();
    }
    ASSERT_TRUE(key.setInt("Enable fog", 1));
    EXPECT_EQ(damagedLinesInFile(), 0u);
    EXPECT_EQ(readInt(key, "Screen Hz", 0), 3);
    EXPECT_EQ(readInt(key, "Enable fog", 0), 1);
}

// A file over the size limit is read up to its last whole line within it (a first line longer
// than the limit passed over), told as too large, and never rewritten.
TEST_F(RegistryKeyTest, OversizedFileIsReadUpToItsLastWholeLineToldAndNeverRewritten)
{
    const std::size_t limit = heron::limits::maxSettingsFileSize;
    std::string cut = section + "\"Screen Hz\" = dword:3\n";
    cut += std::string(limit - 16 - cut.size() - 1, ';') + "\n";
    // The limit falls after "dword:12" of this line.
    cut += "\"Cut\" = dword:123456789\n\"After\" = dword:5\n";
    std::string cutByCr = cut;
    std::replace(cutByCr.begin(), cutByCr.end(), '\n', '\r');
    const std::string longFirstLine = std::string(limit + 1, ';') + "\n" + section + "\"Screen Hz\" = dword:3\n";
    for (const std::string& text : {cut, cutByCr, longFirstLine}) {
        writeWholeFile(filePath(), text);
        static_cast<void>(SettingsFile::takeTrouble());
        TempLog log;
        RegistryKey key(productKey, true);
        ASSERT_TRUE(key.isOpen());
        EXPECT_EQ(readInt(key, "Screen Hz", 0), 3);
        EXPECT_EQ(readInt(key, "Cut", -1), -1);
        EXPECT_EQ(readInt(key, "After", -1), -1);
        EXPECT_FALSE(key.setInt("Screen Hz", 4));
        EXPECT_EQ(fileText(), text);
        const SettingsFile::Trouble trouble = SettingsFile::takeTrouble();
        EXPECT_EQ(std::make_pair(std::string(trouble.tooLarge.c_str()), trouble.unsaved),
                  std::make_pair(filePath().string(), false));
        EXPECT_TRUE(log.count("is larger than") == 1 && log.contains("not rewritten")) << log.text();
    }
}

// Another copy's rewrite in place that leaves the file's size and time as they were is read, never
// the file as it was parsed before.
TEST_F(RegistryKeyTest, ARewriteThatKeepsTheFilesSizeAndTimeIsReadAfresh)
{
    writeWholeFile(filePath(), section + "\"Screen Hz\" = dword:1\n");
    RegistryKey key(productKey, true);
    ASSERT_EQ(readInt(key, "Screen Hz", 0), 1);
    struct stat before{};
    ASSERT_EQ(stat(filePath().c_str(), &before), 0);
    writeWholeFile(filePath(), section + "\"Screen Hz\" = dword:2\n");
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, filePath().c_str(), times, 0), 0);
    ASSERT_TRUE(key.setInt("Use current", 1));
    EXPECT_EQ(readInt(key, "Screen Hz", 0), 2);
}

TEST_F(RegistryKeyTest, DefaultFolderFollowsXdgConfigHomeAndOneThatCannotBeMadeIsLogged)
{
    {
        const ScopedEnv config("XDG_CONFIG_HOME", folder());
        SettingsFile::setFolder(heron_string());
        EXPECT_EQ(std::string(SettingsFile::filePath().c_str()), folder() + "/aurelle/registry.conf");
        EXPECT_TRUE(RegistryKey(productKey, true).setInt("Screen Hz", 2));
        const std::string written = readWholeFile(folder() + "/aurelle/registry.conf");
        EXPECT_NE(written.find("\"Screen Hz\" = dword:2"), std::string::npos);
    }

    writeWholeFile(folder() + "/plain file", "x");
    SettingsFile::setFolder(heron_string((folder() + "/plain file/aurelle").c_str()));
    TempLog log;
    RegistryKey key(productKey, true);
    EXPECT_FALSE(key.isOpen());
    EXPECT_FALSE(key.setInt("Use current", 1));
    EXPECT_TRUE(log.contains("cannot be made")) << log.text();
}

TEST_F(RegistryKeyTest, TwoThreadsOrProcessesWritingAtOnceLoseNothingAndLeaveAWholeFile)
{
    constexpr int writes = 30;
    auto writeAll = [](const std::string& prefix) {
        RegistryKey key(productKey, true);
        bool ok = true;
        for (int i = 0; i < writes; ++i) {
            ok = key.setInt((prefix + std::to_string(i)).c_str(), i) && ok;
        }
        return ok;
    };
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        _exit(writeAll("child ") ? 0 : 1);
    }
    bool threadOk = false;
    std::thread other([&] { threadOk = writeAll("thread "); });
    EXPECT_TRUE(writeAll("parent "));
    other.join();
    EXPECT_TRUE(threadOk);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(damagedLinesInFile(), 0u);
    const RegistryKey reader(productKey, false);
    for (int i = 0; i < writes; ++i) {
        for (const std::string who : {"child ", "thread ", "parent "}) {
            EXPECT_EQ(readInt(reader, (who + std::to_string(i)).c_str(), -1), i) << who << i;
        }
    }
}

// A damaged line never costs a value written before it: a key line that lost its ']' or '[' is
// read as its key, a file an editor saved as UTF-16, with a byte-order mark or with other line ends
// is read as such, and a file with damaged lines, or with no key at all, is kept whole beside it
// before anything rewrites it.
TEST_F(RegistryKeyTest, AWriteAfterADamagedLineLosesNoValueAndKeepsTheDamagedFile)
{
    const std::string network = "[Software\\Pellmore Interactive Ltd\\network";
    const std::string values = "\"User name\" = sz:\"Ann\"\n\"User color\" = dword:255\n";
    const std::string clean = section + "\"Enable fog\" = dword:1\n" + network + "]\n" + values;
    const auto withLineEnds = [](const std::string& text, const char* lineEnd) {
        return std::regex_replace(text, std::regex("\n"), lineEnd);
    };
    const auto utf16 = [](const std::string& text, bool bigEndian) {
        std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (const char c : text) {
            bytes += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
        }
        return bytes;
    };
    const struct
    {
        const char* what;
        std::string bytes;
        bool damaged;
        bool nameKept;
    } cases[] = {
        {"key line without its ']'", section + network + "\n" + values, true, true},
        {"key line without its ']', blanks after it", network + " \r\n" + values + section, true, true},
        {"UTF-16 little-endian", utf16(clean, false), false, true},
        {"UTF-16 big-endian", utf16(clean, true), false, true},
        {"UTF-16 with a character past Latin-1", utf16(clean, false) + "\x3A\x26", true, true},
        {"key line beyond repair", section + "[Software\\\\Pellmore\n" + values, true, false},
        {"lines ended by CR", withLineEnds("; comment\n" + clean, "\r"), false, true},
        {"lines ended by LF CR", withLineEnds(clean, "\n\r"), false, true},
        {"UTF-8", "\xEF\xBB\xBF" + clean, false, true},
        {"key line without its '['", section + network.substr(1) + "]\n" + values, true, true},
        {"control bytes before a key line's '['", section + "\x02" + network + "]\n" + values, true, true},
        {"lines ended by a byte that ends none", withLineEnds("; comment\n" + clean, "\x85"), true, false},
    };
    const std::string copy = filePath().string() + ".damaged";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(copy);
        writeWholeFile(filePath(), c.bytes);
        static_cast<void>(SettingsFile::takeTrouble());
        TempLog log;
        RegistryKey key(productKey, true);
        ASSERT_TRUE(key.setInt("Screen Hz", 2));

        heron_string name;
        RegStringReader(RegistryKey("Pellmore Interactive Ltd\\network", false), "User name", &name);
        EXPECT_EQ(std::string(name.c_str()), c.nameKept ? "Ann" : "") << fileText();
        EXPECT_EQ(readInt(key, "Screen Hz", 0), 2);
        EXPECT_EQ(damagedLinesInFile(), 0u);
        EXPECT_EQ(std::filesystem::exists(copy), c.damaged);
        if (c.damaged) {
            EXPECT_EQ(readWholeFile(copy), c.bytes);
            EXPECT_TRUE(log.contains("was kept as " + copy)) << log.text();
        }
        EXPECT_EQ(std::string(SettingsFile::takeTrouble().damagedCopy.c_str()), c.damaged ? copy : "");
    }
}

// A write that cannot be saved is told to the player through the store's trouble, and another
// program holding the settings lock holds a write up for two seconds (the pauses counted, not
// slept).
TEST_F(RegistryKeyTest, AWriteThatCannotBeSavedIsToldWithoutWaitingLongForALockHeldElsewhere)
{
    std::chrono::milliseconds waited{0};
    SettingsFile::setLockPause([&](std::chrono::milliseconds pause) { waited += pause; });
    int held = -1;
    const struct
    {
        const char* what;
        std::function<void()> arrange;
        const char* logged;
    } cases[] = {
        {"a folder in the file's place", [&] { std::filesystem::create_directory(filePath()); }, "cannot be read"},
        {"a plain file in the folder's place",
         [&] {
             writeWholeFile(folder() + "/plain", "x");
             SettingsFile::setFolder(heron_string((folder() + "/plain/aurelle").c_str()));
         },
         "cannot be made"},
        {"the lock held by another program",
         [&] {
             std::filesystem::remove(filePath());
             SettingsFile::setFolder(heron_string(folder().c_str()));
             held = open((folder() + "/registry.conf.lock").c_str(), O_RDWR | O_CREAT, 0600);
             ASSERT_EQ(flock(held, LOCK_EX), 0);
         },
         "held by another program"},
        {"a damaged file whose copy cannot be kept",
         [&] {
             close(held);
             writeWholeFile(filePath(), section + "damaged\n");
             std::filesystem::create_directory(filePath().string() + ".damaged");
         },
         "no copy of it can be kept"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        static_cast<void>(SettingsFile::takeTrouble());
        c.arrange();
        TempLog log;
        RegistryKey key(productKey, true);
        EXPECT_FALSE(key.setInt("Screen Hz", 2));
        EXPECT_TRUE(SettingsFile::takeTrouble().unsaved);
        EXPECT_TRUE(log.contains(c.logged)) << log.text();
    }
    EXPECT_EQ(waited, std::chrono::milliseconds(2000));
    SettingsFile::setLockPause({});
}
