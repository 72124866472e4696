#pragma once

namespace plat
{

// Starts SDL's video on the desktop's display (X11, else Wayland when WAYLAND_DISPLAY names a
// compositor) and then ends the program should that display go away (below). SDL_VIDEODRIVER
// still names another driver when set; without it and without a display, SDL would fall back to
// drawing off screen, where nothing can be seen.
// False when no display could be opened (SDL_GetError says why). Main thread only.
[[nodiscard]] bool startDisplayVideo();

// Once the connection to the X display is lost, nothing can be drawn or read any more, and the
// program's exit handlers would wait on the dead connection for ever (at full CPU): from this
// call on, losing it logs a line, runs the lost-display hook (below) and ends the process at once
// with this status. Call after the video subsystem has started; later calls do nothing.
constexpr int lostDisplayStatus = 1;
void endProgramOnLostDisplay();

// Work that must not be lost with the display, such as writing settings kept in memory. It runs
// on the thread whose display call found the connection gone, and may only write files: any
// display or toolkit call would meet the dead connection again.
using LostDisplayHook = void (*)();

// While it lives, its hook is the lost-display hook (it runs once); the one before comes back
// when it goes. Scopes nest; main thread only.
class OnLostDisplay
{
public:
    explicit OnLostDisplay(LostDisplayHook hook);
    ~OnLostDisplay();
    OnLostDisplay(const OnLostDisplay&) = delete;
    OnLostDisplay& operator=(const OnLostDisplay&) = delete;

private:
    LostDisplayHook m_previous;
};

// The hook that losing the display would run now; null when there is none.
[[nodiscard]] LostDisplayHook lostDisplayHook();

}
