#include "base/Debug.h"
#include "gui/widgets/TabbedPane.h"
#include "launcher/MainFixture.h"
#include "launcher/SingleInstance.h"
#include "launcher/panels/TextPanels.h"
#include "support/DesktopInput.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace game_launcher
{
namespace
{

namespace fs = std::filesystem;

using MainDisplayTest = MainFixture;

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

// Two players of different homes run one install: the log the first copy writes beside the
// program stays whole, and the second copy logs in its own cache folder.
TEST_F(MainDisplayTest, ALogAnotherRunningCopyWritesIsLeftToItAndThisCopyLogsInTheSpare)
{
    m_places.spareLogFile = m_folder.file("cache/aurelle/game.log").c_str();
    const heron::DebugLogOpening other = heron::openDebugLogFile(m_places.logFile.c_str());
    ASSERT_NE(other.file, nullptr);
    std::fputs("the other copy's log\n", other.file);
    std::fflush(other.file);
    EXPECT_NE(run({}), 0);
    EXPECT_EQ(log(), "the other copy's log\n");
    const std::string spare = readWholeFile(m_places.spareLogFile.c_str());
    EXPECT_EQ(spare.find("Another running copy writes " + m_folder.file("game.log") + ": this one logs here\n"), 0u)
        << spare;
    EXPECT_NE(spare.find("Program starting...\n"), std::string::npos) << spare;
    std::fclose(other.file);
}

TEST_F(MainDisplayTest, DeleteDataEndsBeforeTheLog)
{
    fs::create_directories(m_folder.file("data/cache"));
    EXPECT_EQ(run({"-delete_data"}), 0);
    EXPECT_FALSE(fs::exists(m_folder.file("data")));
    EXPECT_FALSE(fs::exists(m_folder.file("game.log")));
}

TEST_F(MainDisplayTest, ACutShortDataFileKeepsTheLauncherOpenWithTheReason)
{
    // The directory is whole, the look file and the models are not.
    std::ofstream(m_places.dataFile.c_str()) << readWholeFile(AURELLE_DEMO_WORLD).substr(0, 3000);
    bool started = false;
    WhileLauncherRuns user([&](GameLauncher& launcher) {
        if (!std::exchange(started, true)) {
            launcher.start();
            return;
        }
        if (GameWindow* const game = currentGameWindow()) {
            pressQuitKey(*game);
            return;
        }
        launcher.close();
    });
    EXPECT_EQ(run({}), 0);
    ASSERT_EQ(m_backend.boxes.size(), 1u);
    EXPECT_EQ(m_backend.boxes[0].text, GameWindow::dataFileError);
    EXPECT_TRUE(logged("Game failed to start - reason = \"" + std::string(GameWindow::dataFileError) + "\"\n"));
}

// The tab of the launcher with the label.
kestrel::Tab& tabLabelled(GameLauncher& launcher, const char* label)
{
    kestrel::TabbedPane& tabs = *testing_gui::findAll<kestrel::TabbedPane>(launcher).at(0);
    for (int i = 0; i < tabs.tabCount(); ++i) {
        if (tabs.getTab(i)->getText() == label) {
            return *tabs.getTab(i);
        }
    }
    throw std::logic_error("the launcher has no such tab");
}

// On a bare X server nobody hands the keyboard on when the game window goes: the launcher must
// take it, or it counts as left and drops every click.
TEST_F(MainDisplayTest, AfterAFailedStartTheLauncherAnswersClicksAndStartsTheGameOnAGoodDataFile)
{
    std::ofstream(m_places.dataFile.c_str()) << readWholeFile(AURELLE_DEMO_WORLD).substr(0, 3000);
    fs::copy_file(fs::path(AURELLE_DEMO_WORLD).parent_path() / "splash.gif", m_folder.file("splash.gif"));
    enum class Step { FailedStart, Starting, ShowCredits, BackToWelcome, StartGame, Started };
    Step step = Step::FailedStart;
    bool creditsShown = false;
    testing_desktop::DesktopClicks clicks;
    // Only a bound for a launcher that never answers, not a wait the test relies on.
    double giveUpAt = 0.0;
    WhileLauncherRuns user([&](GameLauncher& launcher) {
        if (GameWindow* const game = currentGameWindow()) {
            pressQuitKey(*game);
            return;
        }
        if (step > Step::Starting && heron::getTime() > giveUpAt) {
            launcher.close();
            return;
        }
        const kestrel::Tab& credits = tabLabelled(launcher, "Credits");
        const kestrel::Tab& welcome = tabLabelled(launcher, "Aurelle");
        switch (step) {
        case Step::FailedStart:
            step = Step::Starting;
            launcher.start();
            giveUpAt = heron::getTime() + 30.0;
            step = Step::ShowCredits;
            return;
        case Step::Starting:
            // A game being made runs the loop too: the user waits for its end.
            return;
        case Step::ShowCredits:
            creditsShown = testing_gui::findAll<CreditPanel>(launcher).at(0)->isShowing();
            if (creditsShown) {
                step = Step::BackToWelcome;
                return;
            }
            clicks.step(credits);
            return;
        case Step::BackToWelcome:
            if (startButton(launcher).isShowing()) {
                fs::copy_file(AURELLE_DEMO_WORLD, m_places.dataFile.c_str(), fs::copy_options::overwrite_existing);
                step = Step::StartGame;
                return;
            }
            clicks.step(welcome);
            return;
        case Step::StartGame:
            step = clicks.step(startButton(launcher)) ? Step::Started : step;
            return;
        case Step::Started:
            return;
        }
    });
    EXPECT_EQ(run({}), 0);
    EXPECT_TRUE(creditsShown);
    EXPECT_EQ(step, Step::Started);
    ASSERT_EQ(m_backend.boxes.size(), 1u);
    EXPECT_EQ(m_backend.boxes[0].text, GameWindow::dataFileError);
    const std::string text = log();
    EXPECT_EQ(occurrences(text, "Creating the GameWindow\n"), 2);
    EXPECT_EQ(occurrences(text, "Closing the game window...\n"), 1);
    // Nothing reaches a window after it is gone.
    EXPECT_EQ(text.find("not found!"), std::string::npos);
    // The damaged file's directory is gone with it: the retry's loading screen has its picture.
    EXPECT_EQ(text.find("splash.gif not found"), std::string::npos);
}

TEST_F(MainDisplayTest, AFailureEscapingTheLauncherIsReportedOnceAndEndsTheRunWithAFailureStatus)
{
    std::ofstream(m_places.dataFile.c_str()) << "not a packed file";
    WhileLauncherRuns user([](GameLauncher&) {
        heron::setProgress(2);
        throw std::runtime_error("a panel's fault");
    });
    int status = 0;
    EXPECT_NO_THROW(status = run({}));
    heron::setProgress(0);
    EXPECT_NE(status, 0);
    const std::string report = "Aurelle: Error - code 2 (graphics driver crashed)";
    EXPECT_EQ(m_errors, std::vector<std::string>{report});
    EXPECT_EQ(occurrences(log(), "\n\n\n" + report + "\n"), 1);
    EXPECT_EQ(openLauncher(), nullptr);
}

TEST_F(MainDisplayTest, DamagedDataFileShowsTheGameWindowsReason)
{
    std::ofstream(m_places.dataFile.c_str()) << "not a packed file";
    int starts = 0;
    bool starting = false;
    WhileLauncherRuns user([&](GameLauncher& launcher) {
        // A game being made runs the loop too: the user waits for its end.
        if (starting) {
            return;
        }
        // Started twice: the launcher stays open after each failure, then the user closes it.
        if (++starts <= 2) {
            starting = true;
            launcher.start();
            starting = false;
            return;
        }
        launcher.close();
    });
    EXPECT_EQ(run({}), 0);
    ASSERT_EQ(m_backend.boxes.size(), 2u);
    for (const RecordingBackend::Box& box : m_backend.boxes) {
        EXPECT_EQ(box.caption, "Error:");
        EXPECT_EQ(box.text, GameWindow::dataFileError);
    }
    const std::string text = log();
    EXPECT_NE(text.find("Game failed to start - reason = \"" + m_backend.boxes[0].text + "\"\n"), std::string::npos);
    // Each start made a game window of its own.
    EXPECT_EQ(occurrences(text, "Creating the GameWindow\n"), 2);
    EXPECT_NE(text.find("Writing user settings...\nGameLauncher object created\n"), std::string::npos);
}

}
}
