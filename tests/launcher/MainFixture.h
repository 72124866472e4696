#pragma once

#include "base/files/SettingsFile.h"
#include "content/DataFiles.h"
#include "game/GameWindow.h"
#include "gui/toolkit/Event.h"
#include "gui/toolkit/Updatable.h"
#include "gui/toolkit/Window.h"
#include "gui/widgets/Button.h"
#include "launcher/GameLauncher.h"
#include "launcher/Main.h"
#include "support/ComponentSearch.h"
#include "support/GLTestSupport.h"
#include "support/RecordingBackend.h"
#include "support/TempFolder.h"

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace game_launcher
{

// The open launcher window, null when there is none.
inline GameLauncher* openLauncher()
{
    GameLauncher* found = nullptr;
    kestrel::forEachWindow([&](kestrel::Window& window) {
        if (auto* const launcher = dynamic_cast<GameLauncher*>(&window); launcher && launcher->isOpen()) {
            found = launcher;
        }
        return false;
    });
    return found;
}

// Runs a step on every pass of the event loop (the launcher's and the game's) while a launcher
// window is open: the user's part in a scripted run.
class WhileLauncherRuns : public kestrel::Updatable
{
public:
    explicit WhileLauncherRuns(std::function<void(GameLauncher&)> step) : m_step(std::move(step))
    {
        startUpdating(this);
    }
    ~WhileLauncherRuns() override { stopUpdating(this); }

    bool update() override
    {
        if (GameLauncher* const launcher = openLauncher()) {
            m_step(*launcher);
        }
        return false;
    }

private:
    std::function<void(GameLauncher&)> m_step;
};

// How often part occurs in text.
inline int occurrences(const std::string& text, const std::string& part)
{
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

// The welcome tab's "Start game" button, which the user presses to start the game.
inline kestrel::Button& startButton(GameLauncher& launcher)
{
    for (kestrel::Button* const button : testing_gui::findAll<kestrel::Button>(launcher)) {
        if (button->getText() == "Start game") {
            return *button;
        }
    }
    throw std::logic_error("the launcher has no \"Start game\" button");
}

// The player presses the game's quit key.
inline void pressQuitKey(GameWindow& game)
{
    kestrel::Event key(kestrel::Event::Key, &game);
    key.key = kestrel::keycodes::f1 + 3;
    game.handleEvent(key);
}

// The main routine with its lock, log, data file, caches and settings in a temporary folder,
// recording the error boxes it and the toolkit would show; sound goes to OpenAL's null output.
class MainFixture : public GLDisplayTest
{
protected:
    MainFixture()
    {
        m_places.lockFile = m_folder.file("VevoDeze1").c_str();
        m_places.logFile = m_folder.file("game.log").c_str();
        m_places.dataFile = m_folder.file("glasstide.dat").c_str();
        m_places.cacheRoot = (m_folder.path().string() + "/").c_str();
        m_places.showError = [this](const char* text) { m_errors.emplace_back(text); };
        heron::SettingsFile::setFolder(m_folder.file("settings").c_str());
        pelican::resetDataFiles();
        pelican::setCacheRoot(m_places.cacheRoot.c_str());
    }
    ~MainFixture() override
    {
        pelican::resetDataFiles();
        pelican::setCacheRoot(nullptr);
        heron::SettingsFile::setFolder("");
    }

    int run(const std::vector<heron_string>& words) { return runMain(words, m_places); }

    std::string log() const { return readWholeFile(m_folder.file("game.log")); }
    bool logged(const std::string& part) const { return log().find(part) != std::string::npos; }

    ScopedEnv m_silent{"ALSOFT_DRIVERS", "null"};
    TempFolder m_folder;
    MainPlaces m_places;
    std::vector<std::string> m_errors;
    RecordingBackend m_backend;
};

}
