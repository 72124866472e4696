#include "game/GameWindow.h"

#include "base/Debug.h"
#include "base/ReadError.h"
#include "content/DataFiles.h"
#include "game/Look.h"
#include "game/flight/LookFly.h"
#include "game/LookLogic.h"
#include "game/OverlayConsole.h"
#include "game/WorldRendering.h"
#include "gui/gl/GLcapabilities.h"
#include "gui/gl/GLclient.h"
#include "gui/gl/GLstate.h"
#include "gui/paint/Image.h"
#include "gui/toolkit/Cursor.h"
#include "gui/toolkit/Event.h"
#include "platform/Backend.h"
#include "scene/render/Texture.h"

#include <exception>

namespace
{

constexpr int startWidth = 800;
constexpr int startHeight = 600;
constexpr int gameWindowType = 3;
// The drivers of boards whose renderer names hold this cannot take display lists and BGRA uploads.
constexpr const char* plainGLRenderer = "TNT";

// The GL layer's fast paths off for renderers that cannot take them; the GL layer logs its probes.
void prepareGL()
{
    if (kestrel::getGLcapabilities().renderer.find_first_of(plainGLRenderer) != heron_string::npos) {
        kestrel::useDisplayLists = false;
        heron::debug("fullGLacceleration set to false\n");
    }
    kestrel::glLogging = true;
}

GameWindow*& gameWindowSlot()
{
    static GameWindow* window = nullptr;
    return window;
}

heron::FilePath dataFileBesideProgram()
{
    return heron::FilePath(dataFilePath());
}

// Events that take up looking again after it stopped.
bool resumesLooking(std::uint32_t type)
{
    return type == kestrel::Event::MouseMove || type == kestrel::Event::LeftPress ||
           type == kestrel::Event::MiddlePress || type == kestrel::Event::RightPress || type == kestrel::Event::Key;
}

}

GameWindow* currentGameWindow()
{
    return gameWindowSlot();
}

GameWindow::GameWindow(const kestrel::ScreenMode& mode) : GameWindow(mode, dataFileBesideProgram())
{
}

GameWindow::GameWindow(const kestrel::ScreenMode& mode, const heron::FilePath& dataFile)
{
    heron::debug("Creating the GameWindow\n");
    LookFly::gravityOn = true;
    LookFly::speedSetting = 5.0f;
    LookWindow::aspectScale = 1.2;
    setTitle("Aurelle");
    setSize(startWidth, startHeight);
    setCursor(kestrel::Cursor::standard(kestrel::Cursor::hourglass));
    setWindowType(gameWindowType);
    prepareGL();
    run(mode, dataFile);
}

GameWindow::~GameWindow()
{
    stopLooking();
    if (gameWindowSlot() == this) {
        gameWindowSlot() = nullptr;
    }
    restoreDisplayMode();
}

void GameWindow::run(const kestrel::ScreenMode& mode, const heron::FilePath& dataFile)
{
    if (!open(mode, dataFile) || !loadWorld(dataFile)) {
        return;
    }
    heron::debug("gw 5....\n");
    heron::debug("*\n");
    if (!loadTextures()) {
        return;
    }
    heron::debug("gw 6....\n");
    heron::debug("gw 7....\n");
    m_loading = false;
    // Its GL texture goes now, while the shared context is surely alive.
    m_loadingTexture.reset();
    play();
}

bool GameWindow::open(const kestrel::ScreenMode& mode, const heron::FilePath& dataFile)
{
    heron::debug("gw 1....\n");
    if (!mode.isCurrent() && !setScreenMode(mode)) {
        m_failureReason = badVideoMode;
        return false;
    }
    heron::debug("gw 2....\n");
    heron::FilePath splash = dataFile;
    splash.setName(LoaderScreen::splashFileName);
    m_loader.readSplash(splash);
    heron::debug("gw 3....\n");
    create();
    plat::backend().sleepMs(1000);
    heron::debug("gw 4....\n");
    heron::debug("Calling bindGL()\n");
    if (!isOpen() || !bindGL(*this)) {
        m_failureReason = driverError;
        restoreDisplayMode();
        return false;
    }
    repaint();
    kestrel::runUntilIdle();
    return true;
}

bool GameWindow::loadWorld(const heron::FilePath& dataFile)
{
    pelican::setPumpMessages();
    bool loaded = false;
    try {
        loaded = openDataFileAndLook(dataFile);
        if (!loaded) {
            m_failureReason = dataFileError;
        }
    } catch (const std::exception& error) {
        // Nothing read from the data file may end the program: the launcher shows the reason.
        heron::debug("GameWindow - %s\n", error.what());
        m_failureReason = readException;
        loaded = false;
    }
    pelican::clearPumpMessages();
    if (!loaded) {
        // The next start reads its splash picture beside the data file, not through the
        // directory of the file that failed.
        pelican::forgetPackedFile(dataFile);
    }
    return loaded;
}

bool GameWindow::loadTextures()
{
    try {
        finch::Texture::loadAll(this);
    } catch (const std::exception& error) {
        heron::debug("GameWindow - %s\n", error.what());
        m_failureReason = textureCrash;
        return false;
    }
    return true;
}

void GameWindow::play()
{
    setSelfPainted(1);
    heron::debug("Resetting the game logic...\n");
    gameWindowSlot() = this;
    if (Look* const world = currentLook()) {
        world->logic().reset();
    }
    heron::debug("Starting to look...\n");
    startLooking();
    heron::debug("Entering the event loop...\n");
    m_loopRunning = true;
    // The quit flag stays as it is: a close request during the loading set it, and then the game
    // ends without a frame.
    kestrel::Event event;
    // getEvent answers false once no window is open; an empty queue gives an event of no type.
    while (!m_quit && kestrel::getEvent(event, this)) {
        if (event.type != kestrel::Event::None) {
            kestrel::dispatch(event);
        }
    }
    heron::debug("Closing the game window...\n");
    m_loopRunning = false;
    stopLooking();
    releaseWorldRendering();
    gameWindowSlot() = nullptr;
    restoreDisplayMode();
}

bool GameWindow::progress()
{
    kestrel::runUntilIdle();
    return false;
}

bool GameWindow::handleWheel(kestrel::Event& event)
{
    handleEvent(event);
    return true;
}

void GameWindow::handleEvent(kestrel::Event& event)
{
    if (!m_loopRunning) {
        return;
    }
    Look* const world = currentLook();
    if (!isLooking()) {
        if (resumesLooking(event.type) && !m_quit) {
            startLooking();
        }
        return;
    }
    steer(event);
    LookFly* const flight = world != nullptr ? world->logic().flight() : nullptr;
    if (event.type == kestrel::Event::Key && OverlayConsole::handleKey(event)) {
        return;
    }
    if (flight != nullptr && !flight->handleEvent(event)) {
        quit();
    }
}

void GameWindow::closeRequested()
{
    quit();
}

void GameWindow::quit()
{
    stopLooking();
    m_quit = true;
}

void GameWindow::paintGL(kestrel::ImageBody& target)
{
    if (!m_loading) {
        LookWindow::paintGL(target);
        return;
    }
    // The loading screen as one textured quad over the window.
    if (!m_loadingTexture) {
        m_loadingTexture = heron::counted_ptr<finch::Texture>(new finch::Texture);
    }
    m_loadingTexture->setImage(m_loader.picture(target.width(), target.height()));
    kestrel::GLclient::setPixelProjection(target);
    kestrel::disableState(kestrel::GLStateId::DepthTest);
    kestrel::disableState(kestrel::GLStateId::Lighting);
    kestrel::enableState(kestrel::GLStateId::Texture2D);
    m_loadingTexture->draw2D(0.0f, 0.0f);
}
