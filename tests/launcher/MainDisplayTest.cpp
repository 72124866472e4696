#include "launcher/Main.h"
#include "launcher/SingleInstance.h"
#include "support/GLTestSupport.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace game_launcher
{
namespace
{

namespace fs = std::filesystem;

// The main routine with its lock, log, data file and cache in a temporary folder, recording the
// error boxes it would show.
class MainDisplayTest : public GLDisplayTest
{
protected:
    MainDisplayTest()
    {
        m_places.lockFile = m_folder.file("VevoDeze1").c_str();
        m_places.logFile = m_folder.file("game.log").c_str();
        m_places.dataFile = m_folder.file("glasstide.dat").c_str();
        m_places.cacheRoot = (m_folder.path().string() + "/").c_str();
        m_places.showError = [this](const char* text) { m_errors.emplace_back(text); };
    }

    int run(const std::vector<heron_string>& words) { return runMain(words, m_places); }

    std::string log() const
    {
        std::ifstream in(m_folder.file("game.log"));
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    TempFolder m_folder;
    MainPlaces m_places;
    std::vector<std::string> m_errors;
};

TEST_F(MainDisplayTest, SecondCopyEndsSilently)
{
    const SingleInstance first(m_places.lockFile);
    ASSERT_EQ(first.state(), SingleInstance::State::Taken);
    EXPECT_EQ(run({}), 0);
    EXPECT_FALSE(fs::exists(m_folder.file("game.log")));
    EXPECT_TRUE(m_errors.empty());
}

TEST_F(MainDisplayTest, MissingDataFileFailsAfterTheBanner)
{
    EXPECT_NE(run({}), 0);
    ASSERT_EQ(m_errors.size(), 1u);
    EXPECT_EQ(m_errors[0], "Can't find the data file - please reinstall Aurelle");
    const std::string text = log();
    const char* const lines[] = {
        "\n\n\n\n\n--------------------\nProgram starting...\nProgram version is: 1.4\nOS = ",
        "\nCPUs = ",
        "Mb\n",
        "Looking for files...\n",
        "Data file not found!\n",
    };
    std::size_t at = 0;
    for (const char* line : lines) {
        at = text.find(line, at);
        EXPECT_NE(at, std::string::npos) << line;
    }
    EXPECT_EQ(text.find("Opening the launcher window"), std::string::npos);
}

TEST_F(MainDisplayTest, DeleteDataEndsBeforeTheLog)
{
    fs::create_directories(m_folder.file("data/cache"));
    EXPECT_EQ(run({"-delete_data"}), 0);
    EXPECT_FALSE(fs::exists(m_folder.file("data")));
    EXPECT_FALSE(fs::exists(m_folder.file("game.log")));
}

TEST_F(MainDisplayTest, DamagedDataFileShowsTheGameWindowsReason)
{
    // Named after "-game", so the missing file beside the program is not looked for.
    const std::string named = m_folder.file("other.dat");
    std::ofstream(named) << "not a packed file";
    EXPECT_NE(run({"-game", named.c_str()}), 0);
    ASSERT_EQ(m_errors.size(), 1u);
    EXPECT_NE(log().find("Game failed to start - reason = \"" + m_errors[0] + "\"\n"), std::string::npos);
}

}
}
