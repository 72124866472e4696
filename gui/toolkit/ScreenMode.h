#pragma once

#include "base/heron_string.h"
#include "gui/paint/Rect.h"
#include "platform/Backend.h"

#include <cstdint>

namespace kestrel
{

// A display mode as three small indices; -1 in every one means the current mode.
// resolution: 0 640x480, 1 800x600, 2 1024x768, 3 1280x1024, 4 1600x1200;
// depth: 0 16 bit, 1 32 bit; refresh: 0 60 Hz, 1 75, 2 85, 3 100, 4 120.
struct ScreenMode
{
    std::int32_t resolution = -1;
    std::int32_t depth = -1;
    std::int32_t refresh = -1;

    bool isCurrent() const { return resolution == -1 && depth == -1 && refresh == -1; }
};

// One monitor: x, y, width, height with y bottom-left measured from the first monitor's height.
struct MonitorInfo
{
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    heron_string deviceName;
};

// Builds the monitor list once; later calls return at once.
void enumerateMonitors();
int monitorCount();
// The monitor's rectangle; outside the list (0, 0, screen width, screen height), read anew.
Rect monitorRect(int index);
// The monitor's device name; "Monitor" outside the list.
heron_string monitorDeviceName(int index);
// The monitor's current mode as indices; all -1 when it cannot be read.
ScreenMode getScreenMode(int monitor);
// True for the current mode; else whether the display lists a mode that fits.
bool testScreenMode(const ScreenMode& mode);
// The mode record: fields the indices leave open are 0. Logs what it sets (no line end).
plat::DisplayMode findDisplayMode(const ScreenMode& mode);

// Display names of the indices: "current", "640 x 480", ...; "..." for any other index.
const char* resolutionNames(int index);
const char* colourDepthNames(int index);
const char* refreshRateNames(int index);

// Forgets the monitor list (tests, or after the displays changed).
void forgetMonitors();

}
