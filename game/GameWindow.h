#pragma once

#include "base/FilePath.h"
#include "base/counted_ptr.h"
#include "base/heron_string.h"
#include "game/LoaderScreen.h"
#include "game/LookWindow.h"
#include "gui/toolkit/ScreenMode.h"
#include "gui/widgets/ProgressCallbacks.h"

#include <memory>

namespace finch
{
class Texture;
}

// The whole run of a game: its construction sets the display mode, shows the loading screen,
// creates the window, binds GL, reads the world from the data file while the event loop keeps the
// window answering, loads the textures, and then runs the game's own event loop until the player
// quits. On return failureReason() is empty when the game ran and ended normally. Main thread
// only.
class GameWindow : public LookWindow, public kestrel::ProgressCallbacks
{
public:
    static constexpr const char* badVideoMode = "Bad video mode!";
    static constexpr const char* driverError = "Graphics card driver error!";
    static constexpr const char* dataFileError = "Error in data file - please reinstall!";
    static constexpr const char* readException = "Exception during file read!";
    static constexpr const char* textureCrash = "Video driver crashed while loading textures";

    // Plays on the data file beside the program.
    explicit GameWindow(const kestrel::ScreenMode& mode);
    // Plays on the data file at dataFile.
    GameWindow(const kestrel::ScreenMode& mode, const heron::FilePath& dataFile);
    ~GameWindow() override;

    const heron_string& failureReason() const { return m_failureReason; }

    // Keeps the windows answering during a long load; never asks it to stop.
    bool progress() override;
    // Every event of the window while the game loop runs: steering, then the flight.
    void handleEvent(kestrel::Event& event);
    void handleMouse(kestrel::Event& event) override { handleEvent(event); }
    bool handleWheel(kestrel::Event& event) override;
    void handleKey(kestrel::Event& event) override { handleEvent(event); }
    void paintGL(kestrel::ImageBody& target) override;
    // The desktop's close request (the close button, Alt+F4) ends the game as the quit key does:
    // the window stays until the launcher deletes it after the game.
    void closeRequested() override;

private:
    // Stops looking and sets the quit flag, which ends the event loop (or keeps a loading game
    // from entering it).
    void quit();
    void run(const kestrel::ScreenMode& mode, const heron::FilePath& dataFile);
    // Sets the mode, reads the loading screen's splash picture from beside the data file, creates
    // the window and binds GL.
    bool open(const kestrel::ScreenMode& mode, const heron::FilePath& dataFile);
    bool loadWorld(const heron::FilePath& dataFile);
    bool loadTextures();
    void play();

    heron_string m_failureReason;
    bool m_quit = false;
    bool m_loopRunning = false;
    bool m_loading = true;
    LoaderScreen m_loader;
    heron::counted_ptr<finch::Texture> m_loadingTexture;
};

// The game window from the end of its loading until its event loop ends; null otherwise.
GameWindow* currentGameWindow();
