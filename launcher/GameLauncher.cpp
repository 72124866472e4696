#include "launcher/GameLauncher.h"

#include "base/Debug.h"
#include "game/GameWindow.h"
#include "game/Look.h"
#include "gui/gl/GLstate.h"
#include "gui/toolkit/Event.h"
#include "gui/toolkit/MessageBox.h"
#include "gui/toolkit/ScreenMode.h"
#include "gui/widgets/BorderLayout.h"
#include "gui/widgets/TabbedPane.h"
#include "launcher/Main.h"
#include "launcher/VideoSettings.h"
#include "launcher/panels/AvatarPanel.h"
#include "launcher/panels/TextPanels.h"
#include "launcher/panels/VideoPanel.h"
#include "launcher/panels/WelcomePanel.h"
#include "net/NetworkSettings.h"
#include "platform/DisplayConnection.h"
#include "scene/graph/LodBranch.h"
#include "sound/SoundEnvironment.h"
#include "sound/SoundFormat.h"
#include "sound/SoundSystem.h"

#include <memory>

namespace game_launcher
{

bool soundEnabled = true;
bool threadedSound = true;

namespace
{

// The progress code an exception leaves while the tabs are built.
constexpr int addingPanels = 105;
constexpr int emitterChannels = 6;
constexpr int effectChannels = 6;
// Timer-driven updates and feeder threads (the third bit has no effect).
constexpr std::uint32_t threadedSoundModel = 7;
constexpr int eventsBeforeStart = 5;
constexpr const char* refusedMode = "That video mode is not supported. Please\nreduce the settings and try again.";
constexpr const char* errorCaption = "Error:";

void applyVideoSwitches(const VideoSettings& settings)
{
    kestrel::enableFog = settings.fogEnabled;
    kestrel::useDisplayLists = settings.fullGLacceleration;
}

// Opens the sound device for the window and sets up the thread model and the two voice pools;
// without a device nothing more is done and the game runs silent. False when no device opened.
[[nodiscard]] bool setUpSound(kestrel::Window& window)
{
    egret::SoundSystem& sound = egret::SoundSystem::instance();
    if (!sound.initialize(&window)) {
        return false;
    }
    heron::debug("Setting the sound system thread model...\n");
    sound.setThreadModel(threadedSound ? threadedSoundModel : 0);
    egret::SoundEnvironment& environment = egret::SoundEnvironment::instance();
    heron::debug("Allocating 3D sound channels...\n");
    environment.allocateChannels(egret::ChannelKind::Emitter, emitterChannels, egret::mono16Format);
    heron::debug("Allocating effect sound channels...\n");
    environment.allocateChannels(egret::ChannelKind::Effect, effectChannels, egret::stereo16Format);
    return true;
}

// The tabs in their order; the panels with a "Start game" button start it through the starter.
void addTabs(kestrel::TabbedPane& tabs, GameStarter& starter)
{
    tabs.addTab("Aurelle", new WelcomePanel(starter));
    heron::debug("Welcome panel added\n");
    tabs.addTab("Options", new VideoPanel(starter));
    heron::debug("Video panel added\n");
    tabs.addTab("Problems?", new ProblemPanel);
    heron::debug("Problem panel added\n");
    tabs.addTab("Avatars", new AvatarPanel);
    tabs.addTab("Keys", new KeyboardPanel);
    heron::debug("Keys panel added\n");
    tabs.addTab("Credits", new CreditPanel);
    tabs.addTab("WWW", new WebPanel);
    heron::debug("WWW panel added\n");
}

// The mode the game window asks for: the desktop's (all -1) or the chosen one.
kestrel::ScreenMode wantedMode(const VideoSettings& settings)
{
    return settings.useCurrentMode ? kestrel::ScreenMode() : settings.chosenScreenMode;
}

}

void readUserSettings()
{
    VideoSettings& settings = launcherVideoSettings();
    settings = readVideoSettings(kestrel::getScreenMode(0));
    finch::lodFadeEnabled = true;
    applyVideoSwitches(settings);
    readNetworkSettings();
}

void writeUserSettings()
{
    // A failed write is logged by the settings store.
    static_cast<void>(writeVideoSettings(launcherVideoSettings()));
    writeNetworkSettings();
}

GameLauncher::GameLauncher(const heron::FilePath& dataFile) : m_dataFile(dataFile)
{
    heron::debug("Creating GameLauncher object\n");
    soundEnabled = true;
    threadedSound = true;
    heron::debug("Reading user settings...\n");
    readUserSettings();
    heron::debug("Creating the GUI...\n");
    addPanels();
    heron::debug("Opening the launcher window...\n");
    setTitle((heron_string("Aurelle version ") + programVersion + " *").c_str());
    {
        // Settings changed in the panels but not yet written survive a display that goes away.
        const plat::OnLostDisplay saveSettings(&writeUserSettings);
        run();
    }
    heron::debug("Writing user settings...\n");
    writeUserSettings();
    m_notices.tell();
    heron::debug("GameLauncher object created\n");
}

void GameLauncher::idle()
{
    m_notices.tell();
    AppWindow::idle();
}

bool GameLauncher::refusedWhileAGameRuns() const
{
    if (!m_gameRunning) {
        return false;
    }
    heron::debug("A game is running already: the start request is ignored\n");
    return true;
}

void GameLauncher::addPanels()
{
    try {
        setLayout(new kestrel::BorderLayout);
        kestrel::TabbedPane* const tabs = new kestrel::TabbedPane;
        add(tabs, kestrel::BorderLayout::Centre);
        heron::debug("Adding the panels...!\n");
        addTabs(*tabs, *this);
        heron::debug("Refreshing the GUI...\n");
        validate();
        heron::debug("GUI refreshed\n");
    } catch (...) {
        // Recorded for the main routine's report, which the exception goes on to.
        heron::progressCode = addingPanels;
        throw;
    }
}

void GameLauncher::handleMessage(const kestrel::ComponentMessage& message)
{
    if (message.id != startGameCommand) {
        return;
    }
    kestrel::Event event;
    for (int i = 0; i < eventsBeforeStart; ++i) {
        kestrel::getEvent(event, this);
        kestrel::dispatch(event);
    }
    startGame();
}

void GameLauncher::start()
{
    if (refusedWhileAGameRuns()) {
        return;
    }
    bool noDevice = false;
    if (soundEnabled) {
        noDevice = !setUpSound(*this);
    } else {
        heron::debug("Sound is disabled\n");
    }
    heron::debug(noDevice ? "Sound system not initialized - the game runs silent\n" : "Sound system initialized\n");
    heron::debug("Starting the game...\n");
    startGame();
}

void GameLauncher::startGame()
{
    if (refusedWhileAGameRuns()) {
        return;
    }
    const VideoSettings& settings = launcherVideoSettings();
    const kestrel::ScreenMode mode = wantedMode(settings);
    if (!mode.isCurrent() && !kestrel::testScreenMode(mode)) {
        // The mode test leaves the mode's numbers on an unended line.
        heron::debug("\nThe display refuses the video mode %s, %s, %s: the game does not start\n",
                     kestrel::resolutionNames(mode.resolution), kestrel::colourDepthNames(mode.depth),
                     kestrel::refreshRateNames(mode.refresh));
        kestrel::errorBox(refusedMode, errorCaption);
        return;
    }
    applyVideoSwitches(settings);
    m_gameRunning = true;
    auto game = std::make_unique<GameWindow>(mode, m_dataFile);
    m_gameRunning = false;
    const heron_string reason = game->failureReason();
    // The world's textures and models go while the shared GL context is surely there.
    setCurrentLook(heron::counted_ptr<Look>());
    if (reason.empty()) {
        close();
        return;
    }
    heron::debug("Game failed to start - reason = \"%s\"\n", reason.c_str());
    kestrel::errorBox(reason.c_str(), errorCaption);
    game.reset();
    redrawNow();
}

}
