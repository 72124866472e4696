#pragma once

#include "gui/toolkit/Idler.h"
#include "gui/toolkit/Window.h"

namespace kestrel
{

// A top-level window that runs the event loop, sleeping 1 ms whenever a pass had nothing to do.
class AppWindow : public Window, public Idler
{
public:
    AppWindow() = default;

    void idle() override;
    // Called once the desktop window exists, before the first paint.
    virtual void afterCreate() {}
    // Called after the first paint, before the event loop runs.
    virtual void afterFirstPaint() {}

    // Creates the window, paints it and runs the event loop until no window is open.
    void run();
};

}
