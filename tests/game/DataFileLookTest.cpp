// The world is built from the first member of the packed data file whose file name contains ".look".
#include "game/LookFixture.h"

#include "content/PackedFormat.h"
#include "support/LogCapture.h"
#include "tools/pack/Packer.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace
{

using Tree = std::vector<std::pair<std::string, std::string>>;

const char* const smallLook = "Level \"Only\" {\n    Zone \"Spot\" {\n        radius 5\n    }\n}\n";

class DataFileLookTest : public LookTest
{
protected:
    void SetUp() override
    {
        LookTest::SetUp();
        pelican::setCacheRoot(m_folder.path().string().c_str());
    }
    void TearDown() override
    {
        setCurrentLook(heron::counted_ptr<Look>());
        pelican::setCacheRoot(nullptr);
        LookTest::TearDown();
    }

    // Packs the files (sorted by name, as the packer orders its members) into a data file of its
    // own and returns its path.
    heron::FilePath pack(const Tree& files, const std::string& name)
    {
        const std::filesystem::path source = m_folder.path() / ("source-" + name);
        for (const auto& [member, bytes] : files) {
            writeWholeFile(source / member, bytes);
        }
        const std::filesystem::path packed = m_folder.path() / (name + ".dat");
        std::string error;
        EXPECT_TRUE(packer::packFolder(source, packed, error)) << error;
        return heron::FilePath(packed.string().c_str());
    }
};

}

TEST_F(DataFileLookTest, FirstMemberNamingLookFileBecomesWorld)
{
    struct Case
    {
        const char* name;
        Tree files;
        // The member taken, or null when the data file holds no look file.
        const char* chosen;
        // Whether the member builds a world: one not named as a look file must be a model.
        bool builds;
    };
    const std::vector<Case> cases = {
        {"plain", {{"models/ground.quill", "x"}, {"world.look", smallLook}}, "world.look", true},
        {"folder name does not count", {{"a.look/readme.txt", "x"}, {"b/world.look", smallLook}}, "world.look", true},
        {"inside the name counts", {{"aa.lookup.txt", "x"}, {"zz.look", smallLook}}, "aa.lookup.txt", false},
        {"none", {{"readme.txt", "x"}, {"look/notes.lk", smallLook}}, nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pelican::resetDataFiles();
        LogCapture log;
        const bool opened = openDataFileAndLook(pack(c.files, c.name));
        EXPECT_EQ(c.chosen != nullptr, log.contains(std::string("Data file contains: ") + (c.chosen ? c.chosen : "")));
        if (!c.builds) {
            EXPECT_FALSE(opened);
            EXPECT_EQ(currentLook(), nullptr);
            continue;
        }
        ASSERT_TRUE(opened);
        ASSERT_NE(currentLook(), nullptr);
        EXPECT_TRUE(currentLook()->readFromLookFile());
        EXPECT_EQ(currentLook()->levels().front()->name, "Only");
        EXPECT_EQ(currentLook()->refCount(), 1);
        setCurrentLook(heron::counted_ptr<Look>());
    }
}

TEST_F(DataFileLookTest, DemoDataFileOpensItsLookFile)
{
    LogCapture log;
    ASSERT_TRUE(openDataFileAndLook(heron::FilePath(AURELLE_DEMO_WORLD)));
    ASSERT_NE(currentLook(), nullptr);
    EXPECT_TRUE(log.contains("Data file contains: glasstide.look"));
    EXPECT_TRUE(currentLook()->readFromLookFile());
    EXPECT_EQ(currentLook()->levels().size(), 2u);
}

namespace
{

// Where the named member lies in the demo data file.
pelican::FileInfo demoMember(const char* name)
{
    pelican::resetDataFiles();
    pelican::registerPackedFile(heron::FilePath(AURELLE_DEMO_WORLD));
    pelican::FileInfo found;
    for (const pelican::FileInfo& member : *pelican::packedFiles().back().directory) {
        if (member.name.path.name() == name) {
            found = member;
        }
    }
    pelican::resetDataFiles();
    EXPECT_GT(found.size, 0u) << "no member " << name;
    return found;
}


// The demo data file with bytes changed through the middle third of a member.
std::string changedDemoMember(const char* name, const std::function<char(char)>& change)
{
    const pelican::FileInfo member = demoMember(name);
    std::string bytes = readWholeFile(AURELLE_DEMO_WORLD);
    for (std::uint32_t at = member.position + member.size / 3; at < member.position + member.size * 2 / 3; at += 7) {
        bytes[at] = change(bytes[at]);
    }
    return bytes;
}

}

TEST_F(DataFileLookTest, ADamagedDemoDataFileBuildsNoWorld)
{
    const std::string demo = readWholeFile(AURELLE_DEMO_WORLD);
    const auto flip = [](char c) { return char(~c); };
    // The look file's "Level" lines, and so its levels, become comments.
    const pelican::FileInfo look = demoMember("glasstide.look");
    const auto key = static_cast<char>(pelican::packed::memberKey(look.size));
    std::string text = demo.substr(look.position, look.size);
    const auto toggleScrambling = [&] {
        for (char& c : text) {
            c = static_cast<char>(c ^ key);
        }
    };
    toggleScrambling();
    for (std::size_t at = text.find("Level \""); at != std::string::npos; at = text.find("Level \"", at + 1)) {
        text[at] = 'l';
    }
    toggleScrambling();
    const std::string noLevels = demo.substr(0, look.position) + text + demo.substr(look.position + look.size);
    const char* const pastItsEnd = "damaged.dat is damaged: its members run past its end";
    const char* const worldNotBuilt = "cannot be built: the data file is damaged";
    const struct
    {
        const char* what;
        std::string bytes;
        const char* logged;
    } cases[] = {
        {"cut short", demo.substr(0, 3000), pastItsEnd},
        {"its last member cut", demo.substr(0, demo.size() - 100), pastItsEnd},
        {"world model", changedDemoMember("shallows.quill", flip), worldNotBuilt},
        {"look file without a level", noLevels, worldNotBuilt},
    };
    for (const auto& [what, bytes, logged] : cases) {
        SCOPED_TRACE(what);
        pelican::resetDataFiles();
        writeWholeFile(m_folder.path() / "damaged.dat", bytes);
        LogCapture log;
        EXPECT_FALSE(openDataFileAndLook(heron::FilePath(m_folder.file("damaged.dat").c_str())));
        EXPECT_EQ(currentLook(), nullptr);
        EXPECT_TRUE(log.contains(logged)) << log.text();
    }
}

// A model of the world that is there but damaged is reported with the reason its reader gave, and
// is not called missing.
TEST_F(DataFileLookTest, ADamagedModelIsReportedWithItsReasonAndNotAsMissing)
{
    const struct
    {
        const char* member;
        const char* logged;
    } cases[] = {
        // A model the world's model shows: the world is built without it.
        {"post.quill", "---Exref: post.quill is damaged: "},
        // The world's model itself: no world is built.
        {"shallows.quill", "Reason: models\\shallows.quill is damaged: QuillReader: "},
    };
    for (const auto& [member, logged] : cases) {
        SCOPED_TRACE(member);
        pelican::resetDataFiles();
        writeWholeFile(m_folder.path() / "damaged.dat", changedDemoMember(member, [](char c) { return char(~c); }));
        LogCapture log;
        static_cast<void>(openDataFileAndLook(heron::FilePath(m_folder.file("damaged.dat").c_str())));
        EXPECT_TRUE(log.contains(logged)) << log.text();
        EXPECT_FALSE(log.contains("not found"));
        EXPECT_FALSE(log.contains("Missing files"));
        setCurrentLook(heron::counted_ptr<Look>());
    }
}

TEST_F(DataFileLookTest, ALookFileDamagedInItsLinesStillBuildsTheWorldItDescribes)
{
    std::minstd_rand random(7);
    const auto noise = [&](char) { return char(random()); };
    writeWholeFile(m_folder.path() / "noisy.dat", changedDemoMember("glasstide.look", noise));
    LogCapture log;
    ASSERT_TRUE(openDataFileAndLook(heron::FilePath(m_folder.file("noisy.dat").c_str())));
    ASSERT_NE(currentLook(), nullptr);
    EXPECT_FALSE(currentLook()->levels().empty());
    EXPECT_EQ(currentLook()->levels().front()->name, heron_string("Shallows"));
    EXPECT_TRUE(log.contains("lines hold control bytes, read as text")) << log.text();
}

TEST_F(DataFileLookTest, TheDataFileIsSoughtInItsOwnFolderAndLoggedAsTheSystemSpellsIt)
{
    writeWholeFile(m_folder.path() / "games" / "aurelle" / "glasstide.dat", "another install");
    std::filesystem::create_directories(m_folder.path() / "Games" / "aurelle");
    const std::string own = m_folder.file("Games/aurelle/glasstide.dat");
    std::string backslashed = own;
    std::replace(backslashed.begin(), backslashed.end(), '/', '\\');

    LogCapture log;
    EXPECT_FALSE(findDataFile(own.c_str()));
    EXPECT_FALSE(findDataFile(backslashed.c_str()));
    EXPECT_EQ(log.count("looking for " + own + "\n"), 2);
}
