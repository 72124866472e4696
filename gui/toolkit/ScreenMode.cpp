#include "gui/toolkit/ScreenMode.h"

#include "base/Debug.h"

#include <vector>

namespace kestrel
{

namespace
{

struct Size
{
    int width;
    int height;
};

constexpr Size resolutions[] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 1024}, {1600, 1200}};
constexpr int depths[] = {16, 32};
constexpr int refreshRates[] = {60, 75, 85, 100, 120};

const char* const resolutionText[] = {"current", "640 x 480", "800 x 600", "1024 x 768", "1280 x 1024", "1600 x 1200"};
const char* const depthText[] = {"current", "16 bit", "32 bit"};
const char* const refreshText[] = {"default", "60 Hz", "75 Hz", "85 Hz", "100 Hz", "120 Hz"};

template <std::size_t N>
const char* nameOf(const char* const (&names)[N], int index)
{
    return index >= -1 && index + 1 < static_cast<int>(N) ? names[index + 1] : "...";
}

struct Monitors
{
    bool built = false;
    std::vector<MonitorInfo> list;
};

Monitors& monitors()
{
    static Monitors instance;
    return instance;
}

Rect screenRect()
{
    plat::Box bounds;
    if (!plat::backend().displayBounds(0, bounds)) {
        return Rect{0, 0, 0, 0};
    }
    return Rect{0, 0, bounds.width, bounds.height};
}

bool currentMode(plat::DisplayMode& mode)
{
    return plat::backend().currentDisplayMode(0, mode);
}

// Whether a listed mode has the size and refresh rate asked for (0: any).
bool fits(const plat::DisplayMode& listed, const plat::DisplayMode& wanted)
{
    if (wanted.width != 0 && (listed.width != wanted.width || listed.height != wanted.height)) {
        return false;
    }
    return wanted.refreshRate == 0 || listed.refreshRate == 0 || listed.refreshRate == wanted.refreshRate;
}

}

void enumerateMonitors()
{
    Monitors& all = monitors();
    if (all.built) {
        return;
    }
    all.built = true;
    plat::Backend& backend = plat::backend();
    const int count = backend.displayCount();
    if (count >= 2) {
        int firstHeight = 0;
        for (int i = 0; i < count; ++i) {
            plat::Box bounds;
            if (!backend.displayBounds(i, bounds)) {
                break;
            }
            if (i == 0) {
                firstHeight = bounds.height;
            }
            const int y = i == 0 ? 0 : firstHeight - (bounds.y + bounds.height);
            all.list.push_back(MonitorInfo{bounds.x, y, bounds.width, bounds.height, backend.displayName(i).c_str()});
        }
        if (static_cast<int>(all.list.size()) == count) {
            return;
        }
        heron::debug("Number of monitors didn't add up!\n");
    }
    const Rect screen = screenRect();
    all.list.push_back(MonitorInfo{0, 0, screen.width, screen.height, "Monitor"});
}

int monitorCount()
{
    enumerateMonitors();
    return static_cast<int>(monitors().list.size());
}

Rect monitorRect(int index)
{
    if (index < 0 || index >= monitorCount()) {
        return screenRect();
    }
    const MonitorInfo& monitor = monitors().list[static_cast<std::size_t>(index)];
    return Rect{monitor.x, monitor.y, monitor.width, monitor.height};
}

heron_string monitorDeviceName(int index)
{
    if (index < 0 || index >= monitorCount()) {
        return heron_string("Monitor");
    }
    return monitors().list[static_cast<std::size_t>(index)].deviceName;
}

ScreenMode getScreenMode(int monitor)
{
    plat::DisplayMode mode;
    const int display = monitor >= 0 && monitor < monitorCount() ? monitor : 0;
    if (!plat::backend().currentDisplayMode(display, mode)) {
        return ScreenMode();
    }
    ScreenMode result;
    result.resolution = mode.width < 800 ? 0 : mode.width < 1024 ? 1 : mode.width < 1280 ? 2 : mode.width < 1600 ? 3 : 4;
    result.depth = mode.bitsPerPixel > 16 ? 1 : 0;
    const int hz = mode.refreshRate;
    result.refresh = hz < 75 ? 0 : hz < 85 ? 1 : hz < 100 ? 2 : hz < 120 ? 3 : 4;
    return result;
}

plat::DisplayMode findDisplayMode(const ScreenMode& mode)
{
    plat::DisplayMode record;
    plat::DisplayMode current;
    const bool haveCurrent = currentMode(current);
    if (mode.resolution != -1) {
        if (mode.resolution >= 0 && mode.resolution < 5) {
            record.width = resolutions[mode.resolution].width;
            record.height = resolutions[mode.resolution].height;
        } else {
            const Rect screen = screenRect();
            record.width = screen.width;
            record.height = screen.height;
        }
        heron::debug("  w=%d,h=%d", record.width, record.height);
    }
    if (mode.depth != -1) {
        record.bitsPerPixel = mode.depth == 0 || mode.depth == 1 ? depths[mode.depth] : haveCurrent ? current.bitsPerPixel : 16;
        heron::debug(" bpp=%d", record.bitsPerPixel);
    }
    if (mode.refresh != -1) {
        record.refreshRate = mode.refresh >= 0 && mode.refresh < 5 ? refreshRates[mode.refresh] : haveCurrent ? current.refreshRate : 60;
        heron::debug(" Hz=%d", record.refreshRate);
    }
    return record;
}

bool testScreenMode(const ScreenMode& mode)
{
    if (mode.isCurrent()) {
        return true;
    }
    const plat::DisplayMode wanted = findDisplayMode(mode);
    plat::DisplayMode current;
    if (wanted.bitsPerPixel != 0 && currentMode(current) && current.bitsPerPixel != wanted.bitsPerPixel) {
        // The X server fixes the colour depth for its whole session.
        heron::debug("\nColour depth %d bits cannot be set here; the display keeps %d bits\n", wanted.bitsPerPixel,
                     current.bitsPerPixel);
    }
    for (const plat::DisplayMode& listed : plat::backend().displayModes(0)) {
        if (fits(listed, wanted)) {
            return true;
        }
    }
    return false;
}

const char* resolutionNames(int index)
{
    return nameOf(resolutionText, index);
}

const char* colourDepthNames(int index)
{
    return nameOf(depthText, index);
}

const char* refreshRateNames(int index)
{
    return nameOf(refreshText, index);
}

void forgetMonitors()
{
    monitors() = Monitors();
}

}
