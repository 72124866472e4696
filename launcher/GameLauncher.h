#pragma once

#include "base/FilePath.h"
#include "gui/toolkit/AppWindow.h"
#include "gui/toolkit/Component.h"
#include "launcher/GameStarter.h"
#include "launcher/SettingsNotices.h"

#include <cstdint>

namespace game_launcher
{

// Set when the launcher is built and changed by nothing else: starting the game sets up sound
// only while soundEnabled is on, and lets the sound system run its own threads while
// threadedSound is on.
extern bool soundEnabled;
extern bool threadedSound;

// The command a panel sends the launcher to start the game without setting up sound again.
constexpr std::uint32_t startGameCommand = 123;

// Reads the video settings into launcherVideoSettings() (the GL layer's fog and display-list
// switches follow them, the scene's level-of-detail fading is switched on), then the network
// settings.
void readUserSettings();
// Writes the video settings, then the network settings.
void writeUserSettings();

// The launcher's window. Its construction is the whole launcher: it reads the settings, builds
// the tabs, runs the event loop until no window is open (every game started from it runs inside)
// and writes the settings back. A damaged settings file and settings that could not be saved are
// told once each, while the launcher is open or after its last write. As the panels' game starter it plays the data file given.
// Main thread only.
class GameLauncher : public kestrel::AppWindow, public kestrel::MessageDest, public GameStarter
{
public:
    explicit GameLauncher(const heron::FilePath& dataFile);

    // startGameCommand: handles the next five events (pending input and paints), then
    // startGame(); other messages are ignored.
    void handleMessage(const kestrel::ComponentMessage& message) override;
    // Tells the player what the settings store met (a damaged file, settings not saved), then
    // sleeps as the application window does.
    void idle() override;
    // Sets up sound while soundEnabled is on (a device that cannot be opened leaves the game
    // silent), then startGame().
    void start() override;
    // Tests the chosen mode unless the desktop's is kept (a refused mode gets an error box), then
    // runs the game window. A game that cannot start logs and shows its reason and the launcher
    // stays; after a game that ran, the launcher closes. While a game runs (the launcher stays
    // reachable behind it), this and start() log and ignore the request: a game never nests in
    // another.
    void startGame();

private:
    void addPanels();
    // True, after a log line, while a game runs.
    bool refusedWhileAGameRuns() const;

    heron::FilePath m_dataFile;
    bool m_gameRunning = false;
    SettingsNotices m_notices;
};

}
