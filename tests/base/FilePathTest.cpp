#include "base/FilePath.h"

#include "base/DataDest.h"
#include "base/DataSource.h"
#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"

#include "support/TempLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <tuple>

using heron::FilePath;

namespace
{

namespace fs = std::filesystem;

// The system's own form of a disk path under the temp folder.
FilePath own(const TempFolder& folder, const std::string& rest)
{
    return FilePath((folder.path().string() + "/" + rest).c_str());
}

}

TEST(FilePath, NormalisesAndSplitsIntoParts)
{
    struct Case
    {
        const char* text;
        const char* path;
        const char* directory;
        const char* name;
        const char* extension;
    };
    const Case cases[] = {
        {"C:/Data/Song.OGG", "c:\\data\\song.ogg", "c:\\data\\", "song.ogg", ".ogg"},
        {"readme", "readme", "", "readme", ""},
        {"c:\\my.dir\\file", "c:\\my.dir\\file", "c:\\my.dir\\", "file", ""},
        {"c:\\a\\\\b", "c:\\a\\b", "c:\\a\\", "b", ""},
        {"c:\\a\\\\\\\\b.x.y", "c:\\a\\b.x.y", "c:\\a\\", "b.x.y", ".y"},
        {"\\\\Server\\share\\x", "\\\\server\\share\\x", "\\\\server\\share\\", "x", ""},
        {"/home//User/", "\\home\\user\\", "\\home\\user\\", "", ""},
        {"", "", "", "", ""},
    };
    for (const Case& c : cases) {
        const FilePath path(c.text);
        EXPECT_STREQ(path.c_str(), c.path) << c.text;
        EXPECT_STREQ(path.directory().c_str(), c.directory) << c.text;
        EXPECT_STREQ(path.name().c_str(), c.name) << c.text;
        EXPECT_STREQ(path.extension().c_str(), c.extension) << c.text;
    }
    EXPECT_STREQ(FilePath(static_cast<const char*>(nullptr)).c_str(), "");
    EXPECT_STREQ(FilePath(heron_string("A\xC4/B")).c_str(), "a\xC4\\b");
}

TEST(FilePath, DoubledSeparatorsMergeInOnePassWithABoundedLog)
{
    const TempLog log;
    EXPECT_STREQ(FilePath("c:\\a\\\\b").c_str(), "c:\\a\\b");
    EXPECT_STREQ(FilePath("\\\\net\\x").c_str(), "\\\\net\\x");
    EXPECT_EQ(log.text(), "Erasing at 5\n");
    const std::string separators(200000, '/');
    EXPECT_STREQ(FilePath(("c:" + separators + "x" + separators + "y").c_str()).c_str(), "c:\\x\\y");
    const std::string text = log.text();
    EXPECT_EQ(text.rfind("Erasing at 5\nErasing at 3\n", 0), 0u) << text.substr(0, 100);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 18);
    EXPECT_TRUE(log.contains("399982 more doubled separators merged\n")) << text;
}

TEST(FilePath, EditsReplaceOnePartAndRefreshTheCache)
{
    struct Case
    {
        const char* start;
        std::function<void(FilePath&)> edit;
        const char* path;
        const char* directory;
        const char* extension;
    };
    const Case cases[] = {
        {"c:\\cache\\a.wav", [](FilePath& p) { p.setExtension(".snd"); }, "c:\\cache\\a.snd", "c:\\cache\\", ".snd"},
        {"c:\\cache\\a", [](FilePath& p) { p.setExtension(".snd"); }, "c:\\cache\\a", "c:\\cache\\", ""},
        {"c:\\in\\x.gif", [](FilePath& p) { p.setDirectory("D:/Out"); }, "d:\\out\\x.gif", "d:\\out\\", ".gif"},
        {"c:\\in\\x.gif", [](FilePath& p) { p.setDirectory("e:\\"); p.setName("Y.GIF"); }, "e:\\Y.GIF", "e:\\", ".GIF"},
        {"c:\\data\\m.mdl", [](FilePath& p) { p.intoSubdirectory("Cache"); },
            "c:\\data\\cache\\m.mdl", "c:\\data\\cache\\", ".mdl"},
        {"c:\\old\\sub\\f.txt", [](FilePath& p) { p.replacePrefix("C:/Old", "D:\\New"); },
            "d:\\new\\sub\\f.txt", "d:\\new\\sub\\", ".txt"},
        {"c:\\old\\sub\\f.txt", [](FilePath& p) { p.replacePrefix("c:\\new", "x:\\"); },
            "c:\\old\\sub\\f.txt", "c:\\old\\sub\\", ".txt"},
    };
    for (const Case& c : cases) {
        FilePath path(c.start);
        // Fills the cached parts the edit must refresh.
        path.name();
        path.directory();
        c.edit(path);
        EXPECT_STREQ(path.c_str(), c.path) << c.start;
        EXPECT_STREQ(path.directory().c_str(), c.directory) << c.start;
        EXPECT_STREQ(path.extension().c_str(), c.extension) << c.start;
    }
    EXPECT_TRUE(FilePath("a\\b") < FilePath("a\\c"));
    EXPECT_FALSE(FilePath("A/B") != FilePath("a\\b"));
    EXPECT_TRUE(FilePath("a") != FilePath("b"));
}

TEST(FilePath, EditsKeepTheSpellingOfThePartsTheyKeep)
{
    struct Case
    {
        const char* start;
        std::function<void(FilePath&)> edit;
        const char* spelling;
    };
    const Case cases[] = {
        {"/Home/Games/A.Wav", [](FilePath& p) { p.setExtension(".snd"); }, "\\Home\\Games\\A.snd"},
        {"/Home/Games/A.Wav", [](FilePath& p) { p.setDirectory("/Tmp/Out"); }, "\\Tmp\\Out\\A.Wav"},
        {"/Home/Games/A.Wav", [](FilePath& p) { p.setName("B.Ogg"); }, "\\Home\\Games\\B.Ogg"},
        {"/Home/Games/A.Wav", [](FilePath& p) { p.intoSubdirectory("Cache"); }, "\\Home\\Games\\Cache\\A.Wav"},
        {"/Home/Games/A.Wav", [](FilePath& p) { p.replacePrefix("/home/games", "/Tmp/New"); }, "\\Tmp\\New\\A.Wav"},
    };
    for (const Case& c : cases) {
        FilePath path(c.start);
        c.edit(path);
        EXPECT_STREQ(path.spelling().c_str(), c.spelling) << c.start;
        EXPECT_EQ(heron::compareNoCase(path.str(), path.spelling()), 0) << c.start;
    }
    EXPECT_STREQ(FilePath("/Home/Games/A.Wav").spelledDirectory().c_str(), "\\Home\\Games\\");
}

TEST(FilePath, FolderNamesJoinWithOneSeparator)
{
    EXPECT_STREQ(heron::joinPath("/tmp/Root", "data\\").c_str(), "/tmp/Root/data\\");
    EXPECT_STREQ(heron::joinPath("c:\\root", "data").c_str(), "c:\\root\\data");
    EXPECT_STREQ(heron::joinPath("/tmp/Root/", "data").c_str(), "/tmp/Root/data");
    EXPECT_STREQ(heron::joinPath("c:\\root\\", "data").c_str(), "c:\\root\\data");
    EXPECT_STREQ(heron::joinPath("", "data").c_str(), "data");
}

TEST(FilePath, StreamsAsItsTextAndReadsBackNormalised)
{
    for (const int mode : {0, 3, 4}) {
        heron::MemoryDataDest sink;
        sink.setStringMode(mode);
        sink.writePath(FilePath("c:\\data\\song.ogg")).writeString(heron_string("C:/Other//File.TXT"));
        heron::MemoryDataSource source(sink.data(), sink.size(), false);
        source.setStringMode(mode);
        FilePath first;
        FilePath second;
        source.readPath(first).readPath(second);
        EXPECT_TRUE(source.isOK()) << mode;
        EXPECT_EQ(first, FilePath("c:\\data\\song.ogg")) << mode;
        EXPECT_EQ(second, FilePath("c:\\other\\file.txt")) << mode;
        EXPECT_STREQ(second.extension().c_str(), ".txt") << mode;
    }

    const unsigned char tooShort[] = {10, 'a', 'b'};
    heron::MemoryDataSource source(tooShort, sizeof tooShort, false);
    FilePath kept("c:\\kept");
    source.readPath(kept);
    EXPECT_TRUE(source.hasError());
    EXPECT_STREQ(kept.c_str(), "c:\\kept");
}

TEST(FilePath, FindsMixedCaseNamesOnDisk)
{
    const TempFolder folder;
    writeWholeFile(folder.path() / "Tunes" / "Song.OGG", "12345");
    fs::create_directories(folder.path() / "Tunes" / "SubDir");

    const FilePath song = own(folder, "TUNES/song.ogg");
    EXPECT_EQ(std::string(song.diskPath().c_str()), (folder.path() / "Tunes" / "Song.OGG").string());
    const heron::FileStatus status = song.stat();
    EXPECT_EQ(std::make_tuple(status.exists, status.isDirectory, status.readable, status.size),
              std::make_tuple(true, false, true, 5u));
    EXPECT_GT(status.modificationTime, 0u);

    EXPECT_TRUE(own(folder, "tunes/subdir/").stat().isDirectory);
    EXPECT_TRUE(own(folder, "tunes/x").directoryExists());
    EXPECT_TRUE(FilePath("c:\\x.txt").directoryExists());
    EXPECT_TRUE(FilePath("\\x.txt").directoryExists());
    EXPECT_FALSE(FilePath("").directoryExists());
    EXPECT_FALSE(own(folder, "nothing/x").directoryExists());

    const FilePath missing = own(folder, "Tunes/New/File.txt");
    EXPECT_EQ(std::string(missing.diskPath().c_str()), (folder.path() / "Tunes" / "New" / "File.txt").string());
    const heron::FileStatus none = missing.stat();
    EXPECT_EQ(std::make_tuple(none.exists, none.size, none.modificationTime), std::make_tuple(false, 0u, 0u));
}

TEST(FilePath, DiskAccessNeverTakesAFolderWhoseNameDiffersOnlyInCaseForAnExistingOne)
{
    const TempFolder folder;
    writeWholeFile(folder.path() / "Games" / "aurelle" / "own.txt", "own");
    writeWholeFile(folder.path() / "games" / "aurelle" / "glasstide.dat", "other");
    writeWholeFile(folder.path() / "Music" / "song.txt", "upper");
    writeWholeFile(folder.path() / "music" / "song.txt", "lower");

    EXPECT_FALSE(own(folder, "Games/aurelle/glasstide.dat").stat().exists);
    EXPECT_EQ(own(folder, "Games/aurelle/own.txt").stat().size, 3u);
    EXPECT_EQ(std::string(own(folder, "Music/song.txt").diskPath().c_str()),
              (folder.path() / "Music" / "song.txt").string());
    EXPECT_EQ(std::string(own(folder, "music/song.txt").diskPath().c_str()),
              (folder.path() / "music" / "song.txt").string());
    std::vector<heron_string> names;
    heron::listDirectory(own(folder, "Games/aurelle/"), names);
    EXPECT_EQ(names, (std::vector<heron_string>{"own.txt"}));
    // A name spelled in neither case falls back to one of them, as names stored in data files do.
    EXPECT_TRUE(own(folder, "MUSIC/Song.TXT").stat().exists);
    EXPECT_FALSE(own(folder, "MUSIC/Song.TXT").stat(heron::CaseMatch::Exact).exists);
}

TEST(FilePath, AFolderWhoseNameHoldsABackslashIsReachable)
{
    const TempFolder folder;
    const fs::path odd = folder.path() / "Odd\\Name";
    writeWholeFile(odd / "File.txt", "12345");

    const FilePath file = own(folder, "Odd\\Name/File.txt");
    EXPECT_EQ(std::string(file.diskPath().c_str()), (odd / "File.txt").string());
    EXPECT_EQ(file.stat().size, 5u);
    EXPECT_EQ(std::string(own(folder, "Odd\\Name/New/x.bin").diskPath(heron::CaseMatch::Exact).c_str()),
              (odd / "New" / "x.bin").string());

    std::vector<heron_string> names;
    heron::listDirectory(own(folder, "Odd\\Name/"), names);
    EXPECT_EQ(names, (std::vector<heron_string>{"File.txt"}));
    EXPECT_TRUE(own(folder, "Odd\\Name/Sub/x.bin").createDirectories());
    EXPECT_TRUE(fs::is_directory(odd / "Sub"));
    EXPECT_TRUE(heron::deletePath(own(folder, "Odd\\Name/File.txt"), false));
    EXPECT_FALSE(fs::exists(odd / "File.txt"));
}

TEST(FilePath, ListsTheFolderOfTheDirectoryPartSorted)
{
    const TempFolder folder;
    for (const char* name : {"b.txt", "A.txt", "c", ".hidden"}) {
        writeWholeFile(folder.path() / "Tunes" / name, "x");
    }
    fs::create_directories(folder.path() / "Tunes" / "Sub");

    std::vector<heron_string> names{"stale"};
    heron::listDirectory(own(folder, "tunes/song.ogg"), names);
    EXPECT_EQ(names, (std::vector<heron_string>{"A.txt", "Sub", "b.txt", "c"}));

    heron::listDirectory(own(folder, "missing/"), names);
    EXPECT_TRUE(names.empty());
}

TEST(FilePath, CreatesMissingFoldersAlongThePathSpelledAsGiven)
{
    const TempFolder folder;
    fs::create_directories(folder.path() / "Cache");
    const FilePath target = own(folder, "cache/one/two/file.dat");
    EXPECT_FALSE(target.directoryExists());
    EXPECT_TRUE(target.createDirectories());
    EXPECT_TRUE(target.directoryExists());
    EXPECT_TRUE(fs::is_directory(folder.path() / "cache" / "one" / "two"));
    EXPECT_TRUE(fs::is_empty(folder.path() / "Cache"));
    EXPECT_TRUE(target.createDirectories());
    EXPECT_TRUE(FilePath("nofolder.txt").createDirectories());

    writeWholeFile(folder.path() / "plain", "x");
    EXPECT_FALSE(own(folder, "plain/sub/file").createDirectories());
}

TEST(FilePath, DeletesAFolderTreeNamedByItsExactSpellingButNotWhatLinksPointTo)
{
    const TempFolder folder;
    const fs::path data = folder.path() / "Cache" / "Data";
    writeWholeFile(data / "one.bin", "1");
    writeWholeFile(data / ".dotfile", "2");
    writeWholeFile(data / "Sub" / "two.bin", "3");
    writeWholeFile(folder.path() / "Outside" / "keep.txt", "keep");
    fs::create_directory_symlink(folder.path() / "Outside", data / "Link");

    EXPECT_FALSE(heron::deletePath(own(folder, "cache/data"), true));
    EXPECT_TRUE(fs::exists(data / "one.bin"));

    const FilePath path = own(folder, "Cache/Data");
    EXPECT_FALSE(heron::deletePath(path, false));
    EXPECT_TRUE(fs::exists(data / "one.bin"));

    EXPECT_TRUE(heron::deletePath(path, true));
    EXPECT_FALSE(fs::exists(data));
    EXPECT_TRUE(fs::exists(folder.path() / "Outside" / "keep.txt"));
    EXPECT_TRUE(fs::exists(folder.path() / "Cache"));

    writeWholeFile(folder.path() / "File.TXT", "x");
    EXPECT_FALSE(heron::deletePath(own(folder, "file.txt"), false));
    EXPECT_TRUE(heron::deletePath(own(folder, "File.TXT"), false));
    EXPECT_FALSE(fs::exists(folder.path() / "File.TXT"));
    EXPECT_FALSE(heron::deletePath(own(folder, "File.TXT"), false));
    EXPECT_FALSE(heron::deletePath(FilePath(""), true));
}
