#include "base/Debug.h"
#include "base/files/SettingsFile.h"
#include "launcher/CrashReport.h"
#include "launcher/Main.h"
#include "launcher/SingleInstance.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace game_launcher
{
namespace
{

namespace fs = std::filesystem;

TEST(StartUpTest, FailureTextNamesTheCrashedDriver)
{
    const struct
    {
        int code;
        const char* text;
    } cases[] = {
        {0, "Aurelle: Error - code 0"},
        {1, "Aurelle: Error - code 1 (sound driver crashed)"},
        {2, "Aurelle: Error - code 2 (graphics driver crashed)"},
        {317, "Aurelle: Error - code 317"},
        {-3, "Aurelle: Error - code -3"},
        {INT_MIN, "Aurelle: Error - code -2147483648"},
    };
    for (const auto& c : cases) {
        char text[failureTextSize];
        EXPECT_EQ(formatFailure(c.code, text, sizeof text), std::strlen(c.text)) << c.code;
        EXPECT_STREQ(text, c.text);
    }
}

TEST(StartUpTest, FailureTextIsCutToItsRoom)
{
    char text[8];
    EXPECT_EQ(formatFailure(2, text, sizeof text), 7u);
    EXPECT_STREQ(text, "Aurelle");
}

TEST(StartUpTest, RamIsCountedInWholeMegabytesRoundedUp)
{
    const struct
    {
        std::uint64_t bytes;
        std::uint32_t megabytes;
    } cases[] = {{0, 0}, {1, 1}, {512ull << 20, 512}, {(512ull << 20) + 1, 513}, {16ull << 30, 16384}};
    for (const auto& c : cases) {
        EXPECT_EQ(wholeMegabytes(c.bytes), c.megabytes) << c.bytes;
    }
}

TEST(StartUpTest, SecondHolderOfTheLockFindsItHeld)
{
    TempFolder folder;
    const heron_string path(folder.file("VevoDeze1").c_str());
    {
        const SingleInstance first(path);
        ASSERT_EQ(first.state(), SingleInstance::State::Taken);
        const SingleInstance second(path);
        EXPECT_EQ(second.state(), SingleInstance::State::HeldElsewhere);
    }
    // The file stays, and the lock is free again once its holder is gone.
    EXPECT_TRUE(fs::exists(folder.file("VevoDeze1")));
    EXPECT_EQ(SingleInstance(path).state(), SingleInstance::State::Taken);
}

// Copies of the program with one home share their settings and their log: whatever their runtime
// folders, only one runs. A settings folder that cannot be written leaves the runtime folder's lock.
TEST(StartUpTest, CopiesSharingASettingsFolderAreOneCopyWhateverTheirRuntimeFolders)
{
    TempFolder folder;
    heron::SettingsFile::setFolder(folder.file("settings/aurelle").c_str());
    const auto startIn = [&](const char* runtime) {
        fs::create_directories(folder.file(runtime));
        const ScopedEnv runtimeFolder("XDG_RUNTIME_DIR", folder.file(runtime));
        return std::make_unique<SingleInstance>(SingleInstance::defaultPath(), SingleInstance::sparePath());
    };
    const auto first = startIn("run-1");
    EXPECT_EQ(first->state(), SingleInstance::State::Taken);
    EXPECT_EQ(startIn("run-2")->state(), SingleInstance::State::HeldElsewhere);

    writeWholeFile(folder.path() / "plain", "x");
    heron::SettingsFile::setFolder(folder.file("plain/aurelle").c_str());
    EXPECT_EQ(startIn("run-3")->state(), SingleInstance::State::Taken);
    EXPECT_TRUE(fs::exists(folder.file("run-3/VevoDeze1")));
    heron::SettingsFile::setFolder("");
}

TEST(StartUpTest, UncreatableLockFileFailsWithItsReason)
{
    TempFolder folder;
    const SingleInstance lock(heron_string(folder.file("missing/VevoDeze1").c_str()));
    EXPECT_EQ(lock.state(), SingleInstance::State::Failed);
    EXPECT_NE(std::string(lock.error().c_str()).find("missing/VevoDeze1"), std::string::npos);
}

TEST(StartUpTest, DeleteDataRemovesLinksWithoutFollowingThem)
{
    TempFolder folder;
    fs::create_directories(folder.file("root/data/sounds"));
    fs::create_directories(folder.file("outside"));
    std::ofstream(folder.file("outside/keep.txt")) << "kept";
    std::ofstream(folder.file("root/data/sounds/a.pcm")) << "cache";
    fs::create_directory_symlink(folder.file("outside"), folder.file("root/data/link"));
    const heron_string root((folder.file("root") + "/").c_str());

    EXPECT_EQ(parseCommandLine({"-x", "-delete_data", "-delete_data"}, root), DataDeletion::Deleted);
    EXPECT_FALSE(fs::exists(folder.file("root/data")));
    EXPECT_TRUE(fs::exists(folder.file("outside/keep.txt")));
    EXPECT_TRUE(fs::exists(folder.file("root")));
}

TEST(StartUpTest, DeleteDataDeletesOnlyItsOwnFolderBesideOnesDifferingInCase)
{
    TempFolder folder;
    for (const char* file : {"Game/bin/data/own.snd", "game/bin/data/sibling.snd", "Game/bin/Data/other.snd"}) {
        writeWholeFile(folder.path() / file, "x");
    }

    EXPECT_EQ(parseCommandLine({"-delete_data"}, folder.file("Game/bin/").c_str()), DataDeletion::Deleted);
    EXPECT_FALSE(fs::exists(folder.file("Game/bin/data")));
    EXPECT_TRUE(fs::exists(folder.file("game/bin/data/sibling.snd")));
    EXPECT_TRUE(fs::exists(folder.file("Game/bin/Data/other.snd")));

    // Its own folder gone, a folder differing from it only in case is still not taken for it.
    EXPECT_EQ(parseCommandLine({"-delete_data"}, folder.file("Game/bin/").c_str()), DataDeletion::Deleted);
    EXPECT_TRUE(fs::exists(folder.file("Game/bin/Data/other.snd")));
}

TEST(StartUpTest, DeleteDataFindsTheFolderInsideARootWithoutItsTrailingSeparator)
{
    TempFolder folder;
    writeWholeFile(folder.path() / "root" / "data" / "own.snd", "x");
    writeWholeFile(folder.path() / "rootdata" / "keep.txt", "x");

    EXPECT_EQ(parseCommandLine({"-delete_data"}, folder.file("root").c_str()), DataDeletion::Deleted);
    EXPECT_FALSE(fs::exists(folder.file("root/data")));
    EXPECT_TRUE(fs::exists(folder.file("rootdata/keep.txt")));
}

TEST(StartUpTest, DeleteDataIsRefusedForARelativeRoot)
{
    TempFolder folder;
    fs::create_directories(folder.file("data"));
    const fs::path before = fs::current_path();
    fs::current_path(folder.path());
    const DataDeletion relative = parseCommandLine({"-delete_data"}, "");
    fs::current_path(before);
    EXPECT_EQ(relative, DataDeletion::Refused);
    EXPECT_TRUE(fs::exists(folder.file("data")));
}

TEST(StartUpTest, OnlyTheExactWordDeletes)
{
    TempFolder folder;
    fs::create_directories(folder.file("data"));
    const heron_string root((folder.path().string() + "/").c_str());
    EXPECT_EQ(parseCommandLine({"-DELETE_DATA", "delete_data", "-game"}, root), DataDeletion::NotAsked);
    EXPECT_TRUE(fs::exists(folder.file("data")));
}

TEST(StartUpTest, CrashWritesTheProgressCodeToTheLog)
{
    TempFolder folder;
    const std::string log = folder.file("game.log");
    EXPECT_DEATH(
        {
            const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const CrashReport report(fd);
            heron::progressCode = 2;
            std::abort();
        },
        "");
    std::ifstream in(log);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "\n\n\nAurelle: Error - code 2 (graphics driver crashed)\n");
}

}
}
