#include "base/RegistryKey.h"

#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"
#include "base/SettingsFile.h"

#include "TempFolder.h"
#include "TempLog.h"
#include "WholeFile.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using heron::RegistryKey;
using heron::RegIntReader;
using heron::RegMemoryDataSourceReader;
using heron::RegStringReader;
using heron::SettingsFile;

namespace
{

const char* const productKey = "Pellmore Interactive Ltd\\Aurelle";

// Points the settings store at a fresh folder for the test.
class RegistryKeyTest : public ::testing::Test
{
protected:
    RegistryKeyTest() { SettingsFile::setFolder(heron_string(m_folder.path().c_str())); }
    ~RegistryKeyTest() override { SettingsFile::setFolder(heron_string()); }

    std::filesystem::path filePath() const { return m_folder.path() / "registry.conf"; }
    std::string fileText() const { return readWholeFile(filePath()); }
    void writeFile(const std::string& text) const { writeWholeFile(filePath(), text); }
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

TEST_F(RegistryKeyTest, ValuesWrittenReadBackWithTheirTypes)
{
    {
        RegistryKey key(productKey, true);
        ASSERT_TRUE(key.isOpen());
        EXPECT_TRUE(key.setInt("Screen resolution", -1));
        EXPECT_TRUE(key.setBool("Use current", true));
        EXPECT_TRUE(key.setUnsigned("User color", 0xFF8040C0u));
        EXPECT_TRUE(key.setString("User name", heron_string("S\xf8ren \"the\\flyer\"\n")));
        EXPECT_TRUE(key.setString("Net address", static_cast<const char*>(nullptr)));
        const unsigned char avatar[] = {0, 1, 0xfe, 0xff};
        EXPECT_TRUE(key.setBinary("Avatar", avatar, sizeof avatar));
    }
    const RegistryKey key(productKey, false);
    ASSERT_TRUE(key.isOpen());
    EXPECT_EQ(readInt(key, "Screen resolution", 5), -1);
    EXPECT_EQ(static_cast<std::uint32_t>(readInt(key, "User color", 0)), 0xFF8040C0u);
    bool useCurrent = false;
    EXPECT_TRUE(RegIntReader::readBool(key, "Use current", &useCurrent));
    EXPECT_TRUE(useCurrent);
    heron_string name;
    EXPECT_TRUE(static_cast<bool>(RegStringReader(key, "User name", &name)));
    EXPECT_EQ(name, heron_string("S\xf8ren \"the\\flyer\"\n"));
    heron_string address("unchanged");
    EXPECT_TRUE(static_cast<bool>(RegStringReader(key, "Net address", &address)));
    EXPECT_TRUE(address.empty());
    heron::MemoryDataSource avatar;
    EXPECT_TRUE(static_cast<bool>(RegMemoryDataSourceReader(key, "Avatar", &avatar)));
    EXPECT_TRUE(avatar.isOK());
    EXPECT_EQ(avatar.remaining(), 4u);
    EXPECT_EQ(avatar.readByte(), 0);
    EXPECT_EQ(avatar.readByte(), 1);
    EXPECT_EQ(avatar.readByte(), 0xfe);
    EXPECT_EQ(avatar.readByte(), 0xff);
}

TEST_F(RegistryKeyTest, FileIsPlainTextWithTheKeyPathAndValueNamesAsSpelled)
{
    RegistryKey key(productKey, true);
    ASSERT_TRUE(key.setBool("Use current", true));
    ASSERT_TRUE(key.setString("Net address", "192.168.0.7:45321"));
    const std::string text = fileText();
    EXPECT_NE(text.find("[Software\\Pellmore Interactive Ltd\\Aurelle]\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Use current\" = dword:1\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Net address\" = sz:\"192.168.0.7:45321\"\n"), std::string::npos) << text;
}

TEST_F(RegistryKeyTest, ValuesOfTheWrongTypeReadAsMissingAndKeepTheDefault)
{
    RegistryKey key(productKey, true);
    ASSERT_TRUE(key.setString("Screen Hz", "85"));
    ASSERT_TRUE(key.setInt("User name", 3));
    ASSERT_TRUE(key.setInt("Avatar", 3));
    TempLog log;
    EXPECT_EQ(readInt(key, "Screen Hz", 2), 2);
    bool flag = true;
    EXPECT_FALSE(RegIntReader::readBool(key, "Screen Hz", &flag));
    EXPECT_TRUE(flag);
    heron_string name("default");
    EXPECT_FALSE(static_cast<bool>(RegStringReader(key, "User name", &name)));
    EXPECT_EQ(name, heron_string("default"));
    heron::MemoryDataSource avatar;
    EXPECT_FALSE(static_cast<bool>(RegMemoryDataSourceReader(key, "Avatar", &avatar)));
    EXPECT_FALSE(avatar.isOK());
    EXPECT_EQ(readInt(key, "Missing", 9), 9);
    EXPECT_NE(log.text().find("\"Screen Hz\" of key Software\\Pellmore Interactive Ltd\\Aurelle holds a text of the wrong kind"),
              std::string::npos)
        << log.text();
}

TEST_F(RegistryKeyTest, BigEndianNumberWithBytes00000100ReadsAs256)
{
    writeFile("[Software\\Pellmore Interactive Ltd\\Aurelle]\n\"Texture res\" = dword_be:256\n");
    const RegistryKey key(productKey, false);
    EXPECT_EQ(readInt(key, "Texture res", 0), 256);
}

TEST_F(RegistryKeyTest, KeyOpenedWithoutCreateRefusesEveryWrite)
{
    const RegistryKey missing(productKey, false);
    EXPECT_FALSE(missing.isOpen());
    EXPECT_EQ(readInt(missing, "Use current", 4), 4);
    { RegistryKey created(productKey, true); }
    RegistryKey existing(productKey, false);
    ASSERT_TRUE(existing.isOpen());
    EXPECT_FALSE(existing.setInt("Use current", 1));
    EXPECT_FALSE(existing.setString("User name", "x"));
    EXPECT_FALSE(existing.setBinary("Avatar", "x", 1));
    EXPECT_EQ(readInt(existing, "Use current", 4), 4);
    EXPECT_TRUE(RegistryKey("Pellmore Interactive Ltd", false).isOpen());
    EXPECT_FALSE(RegistryKey("Pellmore Interactive Ltd\\Other", false).isOpen());
}

TEST_F(RegistryKeyTest, EmptyBinaryValueReadsBackAsAnEmptyMemorySource)
{
    RegistryKey key(productKey, true);
    const heron::MemoryDataDest empty(256);
    ASSERT_TRUE(key.setBinary("Avatar", empty));
    heron::MemoryDataSource source;
    EXPECT_TRUE(static_cast<bool>(RegMemoryDataSourceReader(key, "Avatar", &source)));
    EXPECT_TRUE(source.isOK());
    EXPECT_EQ(source.remaining(), 0u);
    EXPECT_EQ(source.readByte(), -1);
}

TEST_F(RegistryKeyTest, MachineAndUserKeysAreKeptApart)
{
    RegistryKey user(productKey, true);
    RegistryKey machine(productKey, true, RegistryKey::localMachine);
    ASSERT_TRUE(user.setInt("Screen Hz", 1));
    ASSERT_TRUE(machine.setInt("Screen Hz", 2));
    EXPECT_EQ(readInt(RegistryKey(productKey, false), "Screen Hz", 0), 1);
    EXPECT_EQ(readInt(RegistryKey(productKey, false, RegistryKey::localMachine), "Screen Hz", 0), 2);
}

TEST_F(RegistryKeyTest, DamagedFileKeepsItsGoodValuesAndIsRewrittenClean)
{
    static const char garbage[] = "\x01\x02\xff\xfe\0garbage\n";
    writeFile("[Software\\Pellmore Interactive Ltd\\Aurelle]\n"
              "\"Screen Hz\" = dword:3\n"
              "\"Use current\" = dword:\"yes\"\n" +
              std::string(garbage, sizeof garbage - 1) + "\"Enable fog\" = dwo");
    TempLog log;
    RegistryKey key(productKey, true);
    ASSERT_TRUE(key.isOpen());
    EXPECT_EQ(readInt(key, "Screen Hz", 0), 3);
    EXPECT_EQ(readInt(key, "Use current", 7), 7);
    EXPECT_EQ(readInt(key, "Enable fog", 7), 7);
    EXPECT_NE(log.text().find("line 3 is damaged"), std::string::npos) << log.text();
    EXPECT_NE(log.text().find("line 4 is damaged"), std::string::npos);
    EXPECT_NE(log.text().find("line 5 is damaged"), std::string::npos);
    const std::string logged = log.text();
    EXPECT_EQ(logged.find("line 3 is damaged"), logged.rfind("line 3 is damaged")) << "reported once per file version";
    ASSERT_TRUE(key.setInt("Enable fog", 1));
    EXPECT_EQ(damagedLinesInFile(), 0u);
    EXPECT_EQ(readInt(key, "Screen Hz", 0), 3);
    EXPECT_EQ(readInt(key, "Enable fog", 0), 1);
}

TEST_F(RegistryKeyTest, OversizedFileIsReadUpToItsLastWholeLineAndNeverRewritten)
{
    std::string text = "[Software\\Pellmore Interactive Ltd\\Aurelle]\n\"Screen Hz\" = dword:3\n";
    const std::string filler = "; " + std::string(97, 'x') + "\n";
    while (text.size() + filler.size() < SettingsFile::maxFileSize - 16) {
        text += filler;
    }
    text += std::string(SettingsFile::maxFileSize - 16 - text.size() - 1, ';') + "\n";
    // The limit falls after "dword:12" of this line.
    text += "\"Cut\" = dword:123456789\n\"After\" = dword:5\n";
    writeFile(text);
    TempLog log;
    RegistryKey key(productKey, true);
    ASSERT_TRUE(key.isOpen());
    EXPECT_EQ(readInt(key, "Screen Hz", 0), 3);
    EXPECT_EQ(readInt(key, "Cut", -1), -1);
    EXPECT_EQ(readInt(key, "After", -1), -1);
    EXPECT_FALSE(key.setInt("Screen Hz", 4));
    EXPECT_EQ(fileText(), text);
    EXPECT_NE(log.text().find("is larger than"), std::string::npos) << log.text();
    EXPECT_NE(log.text().find("not rewritten"), std::string::npos) << log.text();
}

TEST_F(RegistryKeyTest, FolderThatCannotBeMadeLeavesTheKeyClosedAndIsLogged)
{
    writeWholeFile(folder() + "/plain file", "x");
    SettingsFile::setFolder(heron_string((folder() + "/plain file/aurelle").c_str()));
    TempLog log;
    RegistryKey key(productKey, true);
    EXPECT_FALSE(key.isOpen());
    EXPECT_FALSE(key.setInt("Use current", 1));
    EXPECT_NE(log.text().find("cannot be made"), std::string::npos) << log.text();
}

TEST_F(RegistryKeyTest, DefaultFolderFollowsXdgConfigHome)
{
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    const std::string previous = saved != nullptr ? saved : "";
    SettingsFile::setFolder(heron_string());
    setenv("XDG_CONFIG_HOME", folder().c_str(), 1);
    EXPECT_EQ(std::string(SettingsFile::filePath().c_str()), folder() + "/aurelle/registry.conf");
    {
        RegistryKey key(productKey, true);
        EXPECT_TRUE(key.setInt("Screen Hz", 2));
    }
    EXPECT_NE(readWholeFile(folder() + "/aurelle/registry.conf").find("\"Screen Hz\" = dword:2"), std::string::npos);
    if (saved != nullptr) {
        setenv("XDG_CONFIG_HOME", previous.c_str(), 1);
    } else {
        unsetenv("XDG_CONFIG_HOME");
    }
}

TEST_F(RegistryKeyTest, TwoThreadsWritingAtOnceLoseNothingAndLeaveAWholeFile)
{
    constexpr int writes = 100;
    auto writer = [](const char* prefix) {
        RegistryKey key(productKey, true);
        for (int i = 0; i < writes; ++i) {
            EXPECT_TRUE(key.setInt((std::string(prefix) + std::to_string(i)).c_str(), i));
        }
    };
    std::thread first(writer, "first ");
    std::thread second(writer, "second ");
    RegistryKey reader(productKey, true);
    for (int i = 0; i < writes; ++i) {
        readInt(reader, "first 0", 0);
    }
    first.join();
    second.join();
    EXPECT_EQ(damagedLinesInFile(), 0u);
    for (int i = 0; i < writes; ++i) {
        EXPECT_EQ(readInt(reader, ("first " + std::to_string(i)).c_str(), -1), i);
        EXPECT_EQ(readInt(reader, ("second " + std::to_string(i)).c_str(), -1), i);
    }
}

TEST_F(RegistryKeyTest, TwoProcessesWritingAtOnceLoseNothingAndLeaveAWholeFile)
{
    constexpr int writes = 60;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        RegistryKey key(productKey, true);
        bool ok = true;
        for (int i = 0; i < writes; ++i) {
            ok = key.setString(("child " + std::to_string(i)).c_str(), std::to_string(i).c_str()) && ok;
        }
        _exit(ok ? 0 : 1);
    }
    RegistryKey key(productKey, true);
    for (int i = 0; i < writes; ++i) {
        EXPECT_TRUE(key.setString(("parent " + std::to_string(i)).c_str(), std::to_string(i).c_str()));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(damagedLinesInFile(), 0u);
    for (int i = 0; i < writes; ++i) {
        for (const char* who : {"child ", "parent "}) {
            heron_string value;
            EXPECT_TRUE(static_cast<bool>(RegStringReader(key, (who + std::to_string(i)).c_str(), &value))) << who << i;
            EXPECT_EQ(value, heron_string(std::to_string(i).c_str()));
        }
    }
}
