#include "tools/demo/SplashPicture.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace demo
{

namespace
{

constexpr int width = 640;
constexpr int height = 480;
constexpr int horizon = 200;
constexpr int sunX = 320;
constexpr int sunY = 236;
constexpr int sunRadius = 34;
// Gradients go in steps, which keeps the colour count low.
constexpr int skySteps = 40;
constexpr int seaSteps = 20;

struct Colour
{
    double r;
    double g;
    double b;
};

constexpr Colour skyTop{0.10, 0.12, 0.30};
constexpr Colour skyHorizon{0.98, 0.66, 0.42};
constexpr Colour seaHorizon{0.22, 0.30, 0.36};
constexpr Colour seaBottom{0.04, 0.09, 0.13};
constexpr Colour sun{1.0, 0.88, 0.64};

std::uint32_t packed(const Colour& c)
{
    const auto byte = [](double v) { return static_cast<std::uint32_t>(std::clamp(v, 0.0, 1.0) * 255.0 + 0.5); };
    return 0xFF000000u | byte(c.r) << 16 | byte(c.g) << 8 | byte(c.b);
}

// The colour steps of the way from a to b at t in [0, 1].
Colour stepped(const Colour& a, const Colour& b, double t, int steps)
{
    const double s = std::floor(std::clamp(t, 0.0, 1.0) * steps) / steps;
    return {a.r + (b.r - a.r) * s, a.g + (b.g - a.g) * s, a.b + (b.b - a.b) * s};
}

Colour skyAt(int x, int y)
{
    const double dx = x - sunX;
    const double dy = y - sunY;
    if (dx * dx + dy * dy <= sunRadius * sunRadius) {
        return sun;
    }
    // Eased, so that the warm band stays low over the horizon.
    const double t = std::pow(static_cast<double>(y - horizon) / (height - horizon), 0.6);
    return stepped(skyHorizon, skyTop, t, skySteps);
}

Colour seaAt(int x, int y)
{
    // Short glints under the sun, fewer and narrower toward the viewer.
    const double depth = static_cast<double>(horizon - y) / horizon;
    const double reach = sunRadius * (1.2 - depth);
    if (y % 6 == 0 && std::abs(x - sunX) < reach && (x / 9 + y / 6) % 3 != 0) {
        return sun;
    }
    return stepped(seaHorizon, seaBottom, depth, seaSteps);
}

}

kestrel::Image splashImage()
{
    kestrel::Image image(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            *image.pixelAt(x, y) = packed(y >= horizon ? skyAt(x, y) : seaAt(x, y));
        }
    }
    return image;
}

}
