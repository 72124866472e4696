// The launcher as the main routine builds it, with a scripted user: its window, starting the
// demo world, quitting, and the starts that fail.
#include "base/Limits.h"
#include "base/files/RegistryKey.h"
#include "launcher/MainFixture.h"
#include "gui/widgets/Button.h"
#include "gui/widgets/TabbedPane.h"
#include "launcher/VideoSettings.h"
#include "net/NetworkSettings.h"
#include "platform/AudioDevice.h"
#include "platform/DisplayConnection.h"
#include "support/ComponentSearch.h"
#include "support/DesktopInput.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace game_launcher
{
namespace
{

class GameLauncherDisplayTest : public MainFixture
{
protected:
    void useDemoWorld() { std::filesystem::copy_file(AURELLE_DEMO_WORLD, m_places.dataFile.c_str()); }

    // Lines that must appear in the log in this order.
    void expectInOrder(const std::vector<std::string>& lines) const
    {
        const std::string text = log();
        std::size_t at = 0;
        for (const std::string& line : lines) {
            at = text.find(line, at);
            ASSERT_NE(at, std::string::npos) << line << "\n" << text;
        }
    }

    // Plays the demo world until a zone is entered, then has the game ended by end(). The game
    // is started as the user does, with the welcome tab's "Start game" button.
    void playUntilAZone(const std::function<void(GameWindow&)>& end)
    {
        useDemoWorld();
        bool started = false;
        WhileLauncherRuns user([&](GameLauncher& launcher) {
            if (GameWindow* const game = currentGameWindow()) {
                if (logged("entering zone")) {
                    end(*game);
                }
                return;
            }
            if (!started) {
                started = true;
                startButton(launcher).click();
            }
        });
        EXPECT_EQ(run({}), 0);
        EXPECT_TRUE(started);
    }
};

TEST_F(GameLauncherDisplayTest, LauncherOpensWithItsTitle)
{
    useDemoWorld();
    WhileLauncherRuns user([](GameLauncher& launcher) { launcher.close(); });
    EXPECT_EQ(run({}), 0);
    EXPECT_NE(std::find(m_backend.titles.begin(), m_backend.titles.end(), "Aurelle version 1.4 *"),
              m_backend.titles.end());
    expectInOrder({"Opening the launcher window...\n", "Creating GameLauncher object\n", "Reading user settings...\n",
                   "Creating the GUI...\n", "Adding the panels...!\n", "Refreshing the GUI...\n", "GUI refreshed\n",
                   "Opening the launcher window...\n", "Writing user settings...\n", "GameLauncher object created\n"});
    EXPECT_EQ(openLauncher(), nullptr);
}

TEST_F(GameLauncherDisplayTest, TabsFollowInTheirOrder)
{
    useDemoWorld();
    std::vector<std::string> labels;
    WhileLauncherRuns user([&](GameLauncher& launcher) {
        const std::vector<kestrel::TabbedPane*> panes = testing_gui::findAll<kestrel::TabbedPane>(launcher);
        labels.clear();
        if (panes.size() == 1) {
            for (int i = 0; i < panes[0]->tabCount(); ++i) {
                labels.emplace_back(panes[0]->getTab(i)->getText().c_str());
            }
        }
        launcher.close();
    });
    EXPECT_EQ(run({}), 0);
    EXPECT_EQ(labels, (std::vector<std::string>{"Aurelle", "Options", "Problems?", "Avatars", "Keys", "Credits", "WWW"}));
    expectInOrder({"Adding the panels...!\n", "Welcome panel added\n", "Video panel added\n", "Problem panel added\n",
                   "Keys panel added\n", "WWW panel added\n", "Refreshing the GUI...\n"});
}

TEST_F(GameLauncherDisplayTest, QuitKeyEndsTheGameAndTheProgram)
{
    playUntilAZone(pressQuitKey);
    expectInOrder({"Allocating 3D sound channels...\n", "Allocating effect sound channels...\n",
                   "Sound system initialized\n", "Starting to look...\n", "entering zone", "Closing the game window...\n",
                   "Writing user settings...\n", "GameLauncher object created\n"});
    EXPECT_TRUE(m_backend.boxes.empty());
    EXPECT_FALSE(logged("Game failed to start"));
}

TEST_F(GameLauncherDisplayTest, TerminationSignalEndsTheGameAndTheProgram)
{
    playUntilAZone([](GameWindow&) { std::raise(SIGTERM); });
    expectInOrder({"entering zone", "Asked to quit: closing every window\n", "Closing the game window...\n",
                   "Writing user settings...\n", "GameLauncher object created\n"});
}

// The desktop's close button and Alt+F4 are how many people leave a game.
TEST_F(GameLauncherDisplayTest, ACloseRequestOnTheGameWindowEndsTheGameAndTheProgramAsTheQuitKeyDoes)
{
    int passesAfterTheRequest = 0;
    playUntilAZone([&](GameWindow& game) {
        if (passesAfterTheRequest++ == 0) {
            // A setting changed while the game runs is written when the program ends.
            launcherVideoSettings().fogEnabled = false;
            sdlevents::push(sdlevents::window(game.nativeHandle(), SDL_WINDOWEVENT_CLOSE));
            return;
        }
        // The game went on unseen: the termination signal ends it, so that the test ends.
        if (passesAfterTheRequest == 50) {
            std::raise(SIGTERM);
        }
    });
    EXPECT_LT(passesAfterTheRequest, 50);
    expectInOrder({"entering zone", "Stop looking...\n", "Closing the game window...\n", "Writing user settings...\n",
                   "GameLauncher object created\n"});
    EXPECT_FALSE(logged("Asked to quit"));
    EXPECT_FALSE(readVideoSettings(kestrel::ScreenMode{0, 0, 0}).fogEnabled);
    EXPECT_FALSE(kestrel::anyWindowOpen());
}

TEST_F(GameLauncherDisplayTest, AStartRequestWhileAGameRunsIsIgnored)
{
    bool requested = false;
    playUntilAZone([&](GameWindow& game) {
        // The launcher stays open behind the game, where its buttons can be reached.
        if (!std::exchange(requested, true)) {
            startButton(*openLauncher()).click();
            openLauncher()->handleMessage(kestrel::ComponentMessage{nullptr, startGameCommand, 0});
        }
        pressQuitKey(game);
    });
    const std::string text = log();
    EXPECT_EQ(occurrences(text, "A game is running already: the start request is ignored\n"), 2);
    EXPECT_EQ(occurrences(text, "Creating the GameWindow\n"), 1);
    EXPECT_EQ(occurrences(text, "Sound system initialized\n"), 1);
}

TEST_F(GameLauncherDisplayTest, RefusedModeKeepsTheLauncherWithoutAGame)
{
    useDemoWorld();
    {
        heron::RegistryKey key(productRegistryKeyName(), true);
        // 1600 x 1200, larger than the virtual screen.
        ASSERT_TRUE(key.setInt("Use current", 0));
        ASSERT_TRUE(key.setInt("Screen resolution", 4));
    }
    bool started = false;
    WhileLauncherRuns user([&](GameLauncher& launcher) {
        if (!started) {
            started = true;
            launcher.startGame();
            EXPECT_TRUE(launcher.isOpen());
        }
        launcher.close();
    });
    EXPECT_EQ(run({}), 0);
    ASSERT_EQ(m_backend.boxes.size(), 1u);
    EXPECT_EQ(m_backend.boxes[0].caption, "Error:");
    EXPECT_EQ(m_backend.boxes[0].text, "That video mode is not supported. Please\nreduce the settings and try again.");
    EXPECT_TRUE(logged("\nThe display refuses the video mode 1600 x 1200, "));
    EXPECT_FALSE(logged("Creating the GameWindow"));
}

TEST_F(GameLauncherDisplayTest, SettingsChangedInTheLauncherAreWrittenAtItsEnd)
{
    useDemoWorld();
    WhileLauncherRuns user([](GameLauncher& launcher) {
        launcherVideoSettings().fogEnabled = false;
        launcherVideoSettings().chosenScreenMode.refresh = 1;
        launcher.close();
    });
    EXPECT_EQ(run({}), 0);
    const VideoSettings stored = readVideoSettings(kestrel::ScreenMode{0, 0, 0});
    EXPECT_FALSE(stored.fogEnabled);
    EXPECT_EQ(stored.chosenScreenMode.refresh, 1);
}

// What the settings store met is told once, on the launcher, though it is met again after that: a
// damaged settings file (what it holds read all the same) and where it was kept, a settings file
// too large to be read whole, and settings that cannot be saved.
TEST_F(GameLauncherDisplayTest, TheLauncherTellsOnceOfADamagedSettingsFileAndOfSettingsNotSaved)
{
    useDemoWorld();
    const std::string folder = m_folder.file("settings");
    const std::string file = folder + "/registry.conf";
    const std::string damaged = "[Software\\Pellmore Interactive Ltd\\network\n\"User name\" = sz:\"Ann\"\n";
    const struct
    {
        const char* what;
        std::function<void(int round)> arrange;
        std::string told;
    } cases[] = {
        {"a key line without its ']'", [&](int round) { writeWholeFile(file, damaged + std::string(round, '\n')); },
         "Your settings file was damaged; the old file was kept as\n" + file + ".damaged"},
        {"a file too large",
         [&](int round) { writeWholeFile(file, std::string(heron::limits::maxSettingsFileSize + round, ';') + "\n"); },
         "Your settings file is too large: the lines that fit were read,\nand changed settings are not saved to\n" + file},
        {"a folder in the settings file's place",
         [&](int) {
             std::filesystem::remove(file);
             std::filesystem::create_directory(file);
         },
         "Your settings could not be saved. game.log says why."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.arrange(0);
        m_backend.boxes.clear();
        int passes = 0;
        WhileLauncherRuns user([&](GameLauncher& launcher) {
            // Once told, the trouble is met again before the launcher closes.
            const bool told = !m_backend.boxes.empty();
            if (told) {
                c.arrange(1);
            }
            if (told || passes++ == 0) {
                launcherVideoSettings().fogEnabled = !launcherVideoSettings().fogEnabled;
                writeUserSettings();
            }
            if (told || passes > 200) {
                launcher.close();
            }
        });
        EXPECT_EQ(run({}), 0);
        ASSERT_EQ(m_backend.boxes.size(), 1u);
        EXPECT_EQ(m_backend.boxes[0].caption, "Settings:");
        EXPECT_EQ(m_backend.boxes[0].text, c.told);
    }
    // The name under the damaged key line was read (a settings file that cannot be read leaves it),
    // and the damage met again was kept though not told.
    EXPECT_EQ(NetworkSettings::userName, heron_string("Ann"));
    EXPECT_EQ(readWholeFile(file + ".damaged"), damaged + "\n");
    NetworkSettings::userName = "";
}

TEST_F(GameLauncherDisplayTest, SettingsChangedInTheLauncherAreWrittenWhenTheDisplayIsLost)
{
    useDemoWorld();
    bool hooked = false;
    VideoSettings stored;
    WhileLauncherRuns user([&](GameLauncher& launcher) {
        launcherVideoSettings().fogEnabled = false;
        const plat::LostDisplayHook hook = plat::lostDisplayHook();
        hooked = hook != nullptr;
        if (hooked) {
            hook();
        }
        stored = readVideoSettings(kestrel::ScreenMode{0, 0, 0});
        launcher.close();
    });
    EXPECT_EQ(run({}), 0);
    EXPECT_TRUE(hooked);
    EXPECT_FALSE(stored.fogEnabled);
    EXPECT_EQ(plat::lostDisplayHook(), nullptr);
}

TEST_F(GameLauncherDisplayTest, WithoutASoundDeviceTheLogSaysTheGameRunsSilent)
{
    // The sound device opens once per process: a fresh one finds none.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto startWithoutADevice = [this] {
        plat::setAudioDeviceOpener([] { return std::unique_ptr<plat::AudioDevice>(); });
        std::ofstream(m_places.dataFile.c_str()) << "not a packed file";
        bool started = false;
        WhileLauncherRuns user([&](GameLauncher& launcher) {
            if (!std::exchange(started, true)) {
                launcher.start();
            }
            launcher.close();
        });
        static_cast<void>(run({}));
        std::fputs(log().c_str(), stderr);
        std::fflush(stderr);
        // The child ends without running its fixture's destructor: its folder goes here.
        std::error_code ignored;
        std::filesystem::remove_all(m_folder.path(), ignored);
        std::_Exit(0);
    };
    EXPECT_EXIT(startWithoutADevice(), testing::ExitedWithCode(0),
                "DirectSound not available\nSound system not initialized - the game runs silent\nStarting the game");
}

TEST_F(GameLauncherDisplayTest, StartCommandStartsTheGameWithoutSettingUpSound)
{
    std::ofstream(m_places.dataFile.c_str()) << "not a packed file";
    bool sent = false;
    WhileLauncherRuns user([&](GameLauncher& launcher) {
        if (!sent) {
            sent = true;
            launcher.handleMessage(kestrel::ComponentMessage{nullptr, startGameCommand, 0});
            launcher.handleMessage(kestrel::ComponentMessage{nullptr, startGameCommand + 1, 0});
        }
        launcher.close();
    });
    EXPECT_EQ(run({}), 0);
    EXPECT_EQ(occurrences(log(), "Creating the GameWindow\n"), 1);
    EXPECT_FALSE(logged("Sound system initialized"));
}

}
}
