#include "content/DataFiles.h"
#include "content/LoadNotice.h"
#include "content/DataFileFixture.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>
#include <tuple>
#include <utime.h>

using namespace datafiletest;

namespace
{

std::string resolved(const char* name, std::int32_t category)
{
    pelican::DataFileName record(name, category);
    return pelican::resolveDataFile(record).c_str();
}

std::vector<std::string> texts(const std::vector<heron_string>& names)
{
    std::vector<std::string> result;
    for (const heron_string& name : names) {
        result.emplace_back(name.c_str());
    }
    return result;
}

std::vector<std::string> listed(pelican::FileList list)
{
    std::vector<std::string> names;
    for (const pelican::DataFileName& record : pelican::listedFiles(list)) {
        names.push_back(std::string(record.path.c_str()) + "#" + std::to_string(record.category));
    }
    return names;
}

}

class SearchFolders : public DataFileTest
{
protected:
    void SetUp() override
    {
        DataFileTest::SetUp();
        writeTree(m_folder.path(), {{"Textures/sand.gif", "own"},
                                    {"Common/sand.gif", "common"},
                                    {"Common/deep/bubble.wav", "bubble"},
                                    {"Later/bubble.wav", "later"}});
    }

    std::string folder(const char* name) const { return path(name).string(); }
    std::string expected(const char* name) const { return systemPath(path(name)).spelling().c_str(); }
};

TEST_F(SearchFolders, NamesResolveAsGivenThenUnderTheirCategoryThenUnderTheCommonFolders)
{
    pelican::addSearchFolder(folder("Common").c_str(), pelican::commonCategory);
    pelican::addSearchFolder(folder("Textures").c_str(), pelican::texturesCategory);
    pelican::addSearchFolder(folder("Later").c_str(), pelican::commonCategory);
    EXPECT_EQ(resolved(path("Common/sand.gif").c_str(), pelican::texturesCategory), expected("Common/sand.gif"));
    EXPECT_EQ(resolved("sand.gif", pelican::texturesCategory), expected("Textures/sand.gif"));
    EXPECT_EQ(resolved("sand.gif", pelican::soundsCategory), expected("Common/sand.gif"));
    EXPECT_EQ(resolved("models/sand.gif", pelican::soundsCategory), expected("Common/sand.gif"));
    EXPECT_EQ(resolved("deep\\bubble.wav", pelican::soundsCategory), expected("Common/deep/bubble.wav"));
    EXPECT_EQ(resolved("bubble.wav", pelican::soundsCategory), expected("Later/bubble.wav"));
    EXPECT_EQ(resolved("nowhere.wav", pelican::soundsCategory), "");
    EXPECT_EQ(readDataFile("deep/bubble.wav", pelican::soundsCategory), "bubble");
    EXPECT_EQ(readDataFile("nowhere.wav", pelican::soundsCategory), "<none>");
}

TEST_F(SearchFolders, AFolderIsAddedOnceWhateverItsTrailingSeparator)
{
    pelican::addSearchFolder("models/", pelican::databasesCategory);
    pelican::addSearchFolder("models", pelican::databasesCategory);
    pelican::addSearchFolder("models\\", pelican::databasesCategory);
    pelican::addSearchFolder("", pelican::databasesCategory);
    pelican::addSearchFolder("Models", pelican::databasesCategory);
    EXPECT_EQ(texts(pelican::searchFolders(pelican::databasesCategory)), (std::vector<std::string>{"models", "Models"}));
}

TEST_F(SearchFolders, PopRestoresTheTableAsItWasPushedAndDoesNothingOnAnEmptyStack)
{
    pelican::popSearchFolders();
    pelican::addSearchFolder(folder("Textures").c_str(), pelican::texturesCategory);
    pelican::pushSearchFolders();
    pelican::pushSearchFolders();
    pelican::addSearchFolder(folder("Common").c_str(), pelican::commonCategory);
    EXPECT_EQ(resolved("deep/bubble.wav", pelican::soundsCategory), expected("Common/deep/bubble.wav"));
    pelican::popSearchFolders();
    EXPECT_EQ(resolved("deep/bubble.wav", pelican::soundsCategory), "");
    pelican::addSearchFolder(folder("Later").c_str(), pelican::texturesCategory);
    pelican::popSearchFolders();
    pelican::popSearchFolders();
    EXPECT_EQ(texts(pelican::searchFolders(pelican::texturesCategory)), (std::vector<std::string>{folder("Textures")}));
    EXPECT_TRUE(pelican::searchFolders(pelican::commonCategory).empty());
}

TEST_F(SearchFolders, FolderListingsComeFromTheDiskOrFromTheMembersDirectlyInTheFolder)
{
    writeTree(m_folder.path(), {{"Textures/Cycle/b.gif", ""}, {"Textures/Cycle/A.gif", ""}, {"Textures/Cycle/.x", ""}});
    pelican::addSearchFolder(folder("Textures").c_str(), pelican::texturesCategory);
    const pelican::DataFileName cycle("cycle\\", pelican::texturesCategory);
    EXPECT_EQ(texts(pelican::findDataFolder(cycle)), (std::vector<std::string>{"A.gif", "b.gif"}));

    packAndRegister({{"tex/cycle/b.gif", ""}, {"tex/cycle/a.gif", ""}, {"tex/cycle/sub/c.gif", ""}, {"tex/d.gif", ""}});
    EXPECT_EQ(texts(pelican::findDataFolder(pelican::DataFileName("tex/cycle/"))),
              (std::vector<std::string>{"a.gif", "b.gif"}));
    EXPECT_TRUE(pelican::folderExists(pelican::DataFileName("tex\\cy")));
    EXPECT_TRUE(pelican::findDataFolder(pelican::DataFileName("nowhere/")).empty());
    EXPECT_TRUE(m_log.contains("---Failed to find folder: nowhere\\\n"));
    EXPECT_EQ(listed(pelican::FileList::Missing), (std::vector<std::string>{"nowhere\\#9"}));
}

TEST_F(SearchFolders, SizeAndTimeOfFilesOnDisk)
{
    const utimbuf times{1000000000, 1000000000};
    ASSERT_EQ(::utime(path("Textures/sand.gif").c_str(), &times), 0);
    const pelican::DataFileName sand(systemPath(path("Textures/sand.gif")));
    EXPECT_EQ(pelican::dataFileTime(sand), 1000000000u);
    EXPECT_EQ(pelican::dataFileSize(sand), 3u);
    EXPECT_EQ(pelican::dataFileTime(pelican::DataFileName("missing.gif")), 0u);
    EXPECT_EQ(pelican::dataFileSize(pelican::DataFileName("missing.gif")), 0u);
}

using FileLists = DataFileTest;

TEST_F(FileLists, EachFileAndCategoryIsNotedAndLoggedOnce)
{
    const pelican::DataFileName chime("sounds/chime.wav", pelican::soundsCategory);
    pelican::noteFile(pelican::FileList::Used, chime, "Sound file %s read OK (100%%)\n");
    pelican::noteFile(pelican::FileList::Used, chime, "Sound file %s read OK (100%%)\n");
    pelican::noteFile(pelican::FileList::Used, pelican::DataFileName("sounds/chime.wav"), nullptr);
    pelican::noteFile(pelican::FileList::Missing, chime, "---Couldn't find sound file %s\n");
    EXPECT_EQ(m_log.count("Sound file sounds\\chime.wav read OK (100%)\n"), 1);
    EXPECT_EQ(m_log.count("---Couldn't find sound file sounds\\chime.wav\n"), 1);
    EXPECT_EQ(listed(pelican::FileList::Used),
              (std::vector<std::string>{"sounds\\chime.wav#1", "sounds\\chime.wav#9"}));
    EXPECT_EQ(listed(pelican::FileList::Missing), (std::vector<std::string>{"sounds\\chime.wav#1"}));
    pelican::clearFileLists();
    EXPECT_TRUE(listed(pelican::FileList::Used).empty() && listed(pelican::FileList::Missing).empty());
    pelican::noteFile(pelican::FileList::Used, chime, "Sound file %s read OK (100%%)\n");
    EXPECT_EQ(m_log.count("Sound file sounds\\chime.wav read OK (100%)\n"), 2);
}

TEST(LoadNotice, TheListenerHearsEveryLoadAndWhetherItWasDone)
{
    using Heard = std::tuple<pelican::LoadKind, std::string, bool>;
    struct Recorder : pelican::LoadListener
    {
        void loaded(pelican::LoadKind kind, const heron_string& item, bool done) override
        {
            heard.emplace_back(kind, item.c_str(), done);
        }
        std::vector<Heard> heard;
    } recorder;
    { pelican::LoadNotice unheard(pelican::LoadKind::Sound, "before"); }
    pelican::setLoadListener(&recorder);
    pelican::LoadNotice(pelican::LoadKind::Image, "sand.gif").done();
    { pelican::LoadNotice notFound(pelican::LoadKind::Sound, "missing.wav"); }
    try {
        pelican::LoadNotice failed(pelican::LoadKind::ModelDatabase, "rock.quill");
        throw std::runtime_error("damaged");
    } catch (const std::runtime_error&) {
    }
    pelican::setLoadListener(nullptr);
    EXPECT_EQ(recorder.heard, (std::vector<Heard>{{pelican::LoadKind::Image, "sand.gif", true},
                                                  {pelican::LoadKind::Sound, "missing.wav", false},
                                                  {pelican::LoadKind::ModelDatabase, "rock.quill", false}}));
}

TEST_F(FileLists, OpeningAndNotingFromSeveralThreadsAtOnceReadsEveryMemberWhole)
{
    Tree files;
    for (int i = 0; i < 8; ++i) {
        files.emplace_back("m" + std::to_string(i) + ".bin", std::string(1000 + 7919 * i, char('a' + i)));
    }
    packAndRegister(files);
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 20; ++round) {
                const auto& [name, bytes] = files[(t + round) % files.size()];
                wrong += readDataFile(name.c_str()) != bytes;
                pelican::noteFile(pelican::FileList::Used, pelican::DataFileName(name.c_str()), "used %s\n");
                pelican::addSearchFolder(("folder" + std::to_string(round)).c_str(), t);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(pelican::listedFiles(pelican::FileList::Used).size(), files.size());
}
