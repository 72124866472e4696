#include "game/LookWindow.h"

#include "base/Debug.h"
#include "game/Look.h"
#include "game/LookLogic.h"
#include "game/OverlayConsole.h"
#include "gui/gl/GLclient.h"
#include "gui/gl/GLstate.h"
#include "gui/paint/Image.h"
#include "gui/toolkit/Event.h"
#include "platform/Backend.h"
#include "scene/core/Clock.h"

#include <cmath>

double LookWindow::aspectScale = 1.2;

namespace
{

constexpr const char* helpLine = "F1 - Reset game,  F4 - Quit game,  Esc - Continue";
constexpr double deadZoneShare = 0.1;
constexpr double sectorDegrees = 45.0;

// Arrow pictures: '#' black, '+' white, 'x' the hot spot (drawn white). Pointing right, up and
// right, and up; the other five sectors mirror them.
const char* const arrowRight[] = {
    "                ", "          #     ", "          ##    ", "          #+#   ", "  #########++#  ",
    "  #+++++++x+++# ", "  #+++++++++++# ", "  #########++#  ", "          #+#   ", "          ##    ",
    "          #     ", nullptr};
const char* const arrowUpRight[] = {
    "                ", "       #######x ", "        #+++++# ", "         #++++# ", "        #+++++# ",
    "       #+++#++# ", "      #+++# #+# ", "     #+++#   ## ", "    #+++#       ", "   #+++#        ",
    "    #+#         ", "     #          ", nullptr};
const char* const arrowUp[] = {
    "       x        ", "      #+#       ", "     #+++#      ", "    #+++++#     ", "   ####+####    ",
    "      #+#       ", "      #+#       ", "      #+#       ", "      #+#       ", "      #+#       ",
    "      ###       ", nullptr};
const char* const cross[] = {
    "       #        ", "       #        ", "       #        ", "                ", "###   x   ###   ",
    "                ", "       #        ", "       #        ", "       #        ", nullptr};

heron::counted_ptr<kestrel::Cursor> cursorOf(const char* const* rows, bool mirror, bool flip)
{
    return heron::counted_ptr<kestrel::Cursor>(new kestrel::Cursor(rows, mirror, flip, '+', 'x', '+'));
}

}

int steeringSector(int dx, int dy, int windowWidth)
{
    const double dead = deadZoneShare * windowWidth;
    if (static_cast<double>(dx) * dx + static_cast<double>(dy) * dy < dead * dead) {
        return -1;
    }
    double angle = std::atan2(static_cast<double>(dy), static_cast<double>(dx)) * 180.0 / M_PI;
    if (angle < 0.0) {
        angle += 360.0;
    }
    return static_cast<int>(std::floor((angle + sectorDegrees / 2.0) / sectorDegrees)) % 8;
}

LookWindow::LookWindow(kestrel::Window* parent) : FinchWindow(parent)
{
    setTitle("Aurelle game window");
}

LookWindow::~LookWindow()
{
    kestrel::Updatable::stopUpdating(this);
}

void LookWindow::makeCursors()
{
    if (m_cursors[0]) {
        return;
    }
    m_cursors = {cursorOf(cross, false, false),       cursorOf(arrowRight, false, false),
                 cursorOf(arrowUpRight, false, false), cursorOf(arrowUp, false, false),
                 cursorOf(arrowUpRight, true, false),  cursorOf(arrowRight, true, false),
                 cursorOf(arrowUpRight, true, true),   cursorOf(arrowUp, false, true),
                 cursorOf(arrowUpRight, false, true)};
}

void LookWindow::startLooking()
{
    Look* const world = currentLook();
    if (world == nullptr) {
        return;
    }
    heron::debug("Start looking...\n");
    m_looking = true;
    world->logic().start(this);
    heron::debug("Logic started...\n");
    finch::Clock::tick();
    finch::Clock::tick();
    makeCursors();
    m_shownCursor = -1;
    setCursor(m_cursors[0]);
    setFocus();
    // Steering reads the pointer's offset from the centre: the pointer stays in the window, moving.
    plat::backend().grabMouse(nativeHandle(), true);
    kestrel::setKeyboardFocus(this);
    kestrel::Updatable::startUpdating(this);
}

void LookWindow::stopLooking()
{
    if (!m_looking) {
        return;
    }
    releaseFocus();
    plat::backend().grabMouse(nativeHandle(), false);
    setCursor(heron::counted_ptr<kestrel::Cursor>());
    kestrel::Updatable::stopUpdating(this);
    m_looking = false;
    if (Look* const world = currentLook()) {
        world->logic().stop();
    }
    heron::debug("Stop looking...\n");
}

bool LookWindow::update()
{
    Look* const world = currentLook();
    if (m_looking && world != nullptr) {
        finch::Clock::tick();
        if (!world->logic().update()) {
            stopLooking();
        }
    }
    repaint();
    return true;
}

void LookWindow::idle()
{
    kestrel::idleSleep();
}

void LookWindow::steer(const kestrel::Event& event)
{
    // Only a mouse move tells where the pointer is; keys and clicks carry no position.
    if (event.type != kestrel::Event::MouseMove) {
        return;
    }
    const int dx = event.x - bounds.width / 2;
    const int dy = event.y - bounds.height / 2;
    m_shownCursor = steeringSector(dx, dy, bounds.width);
    makeCursors();
    setCursor(m_cursors[static_cast<std::size_t>(m_shownCursor + 1)]);
}

void LookWindow::paintGL(kestrel::ImageBody& target)
{
    Look* const world = currentLook();
    if (world == nullptr) {
        return;
    }
    world->camera().setAspectScale(static_cast<float>(aspectScale));
    world->render(target);
    kestrel::GLclient::setPixelProjection(target);
    kestrel::disableState(kestrel::GLStateId::DepthTest);
    if (world->logic().isPaused()) {
        if (!m_helpFont) {
            m_helpFont = std::make_unique<kestrel::glFont>(
                kestrel::FontKey{kestrel::FontKey::sansSerifFace, 20, 0}, 32, 126, false);
        }
        const int width = m_helpFont->textWidth(helpLine);
        m_helpFont->drawText(target, (target.width() - width) / 2, target.height() / 2, helpLine, 0xFFFFFFFFu);
    }
    static_cast<void>(OverlayConsole::draw(target));
    kestrel::enableState(kestrel::GLStateId::Texture2D);
    kestrel::enableState(kestrel::GLStateId::DepthTest);
}
