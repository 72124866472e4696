#pragma once

#include "base/counted_ptr.h"
#include "gui/gl/glFont.h"
#include "gui/toolkit/Cursor.h"
#include "gui/toolkit/Idler.h"
#include "gui/toolkit/Updatable.h"
#include "scene/window/FinchWindow.h"

#include <array>
#include <memory>

// The 3D window of the game: while looking, every pass of the event loop ticks the scene clock,
// runs one logic step and repaints; the paint draws the world, the help line while paused and
// the console. The mouse steers from the window's centre, and the cursor shows which way.
// Main thread only.
class LookWindow : public finch::FinchWindow, public kestrel::Idler, public kestrel::Updatable
{
public:
    explicit LookWindow(kestrel::Window* parent = nullptr);
    ~LookWindow() override;

    void startLooking();
    void stopLooking();
    bool isLooking() const { return m_looking; }

    bool update() override;
    void idle() override;
    void paintGL(kestrel::ImageBody& target) override;
    // On a mouse move, shows the cursor of the mouse's sector about the window's centre; other
    // events leave the cursor as it is.
    void steer(const kestrel::Event& event);
    // The cursor steer chose last: -1 the centre cross, else the sector 0..7.
    int steeringCursor() const { return m_shownCursor; }

    // The camera's aspect factor the paint uses.
    static double aspectScale;

private:
    void makeCursors();

    // The centre cross, then the arrows of the sectors 0..7.
    std::array<heron::counted_ptr<kestrel::Cursor>, 9> m_cursors;
    int m_shownCursor = -1;
    bool m_looking = false;
    std::unique_ptr<kestrel::glFont> m_helpFont;
};

// The steering sector of the mouse at (dx, dy) from the window's centre (bottom-left origin):
// -1 inside the dead circle of 0.1 x the window's width, else the 45-degree sector 0..7 counted
// counter-clockwise from the one centred on +x.
int steeringSector(int dx, int dy, int windowWidth);
