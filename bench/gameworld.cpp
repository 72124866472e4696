// The demo world in the game's 3D window under a display (xvfb-run, Mesa): the time from creating
// the window to its first frame (reading the world from the data file and loading its textures
// included), then the frames per second at 800 x 600 along a fixed camera path: a circle around
// the start view, turning once in 240 frames. Usage: bench_gameworld [data file] (default: the
// data file the build makes, beside the bench folder).
#include "content/DataFiles.h"
#include "game/Look.h"
#include "game/LookWindow.h"
#include "gui/gl/GLcapabilities.h"
#include "gui/gl/GLstate.h"
#include "platform/GLFunctions.h"
#include "scene/core/Clock.h"
#include "scene/render/Texture.h"

#include <chrono>
#include <cmath>
#include <cstdio>

namespace
{

using Clock = std::chrono::steady_clock;

constexpr int frames = 240;
constexpr double pathRadius = 30.0;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// One frame painted, presented and finished by the driver.
void frame(LookWindow& window)
{
    window.swapBuffers();
    plat::gl().Finish();
}

}

int main(int argc, char** argv)
{
    if (!kestrel::getGLcapabilities().valid) {
        std::puts("no OpenGL display: run under xvfb-run");
        return 0;
    }
    heron_string path(argc > 1 ? argv[1] : pelican::dataRoot());
    if (argc <= 1) {
        path += "../glasstide.dat";
    }
    kestrel::zUp = true;
    const Clock::time_point created = Clock::now();
    LookWindow window;
    window.setSize(800, 600);
    window.create();
    if (!window.isOpen() || !openDataFileAndLook(heron::FilePath(path))) {
        std::printf("cannot open the window or the data file %s\n", path.c_str());
        return 1;
    }
    const double loaded = secondsSince(created);
    finch::Texture::loadAll();
    const double textured = secondsSince(created);
    frame(window);
    const double first = secondsSince(created);
    std::printf("window to world read %.3f s, textures loaded %.3f s, first frame %.3f s\n", loaded, textured, first);

    finch::Viewer& camera = currentLook()->camera();
    const finch::Transform start = camera.getTransform();
    const Clock::time_point began = Clock::now();
    for (int i = 0; i < frames; ++i) {
        const double angle = 2.0 * M_PI * i / frames;
        finch::Transform placement = start;
        placement.position.x += pathRadius * std::sin(angle);
        placement.position.y += pathRadius * (1.0 - std::cos(angle));
        placement.heading = std::fmod(start.heading - angle * 180.0 / M_PI + 360.0, 360.0);
        camera.setTransform(placement);
        frame(window);
    }
    const double seconds = secondsSince(began);
    std::printf("%d frames in %.3f s: %.1f frames per second (renderer %s)\n", frames, seconds, frames / seconds,
                kestrel::getGLcapabilities().renderer.c_str());
    setCurrentLook(heron::counted_ptr<Look>());
    return 0;
}
