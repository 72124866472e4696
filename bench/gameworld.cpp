// The demo world in the game window, started the way the program starts it when "Start game" is
// pressed (xvfb-run, Mesa): the time from the window's opening to reading the world, loading its
// textures and drawing the first frame; then the start view at 800 x 600 and at 1280 x 1024, drawn
// by the game and by a minimal GL program that draws the same triangles, colours, textures and fog
// (captured once from the game's own drawing of the frame), one vertex buffer object per texture.
// The game runs as the shipped program runs it, with the launcher's default settings, but silent.
// Each size prints both frame times (draw, present, finish), their ratio with its spread over the
// rounds, and how many pixels of the two pictures differ.
// Usage: bench_gameworld [data file [picture folder]] (default: the data file the build makes,
// beside the bench folder; with a picture folder, both pictures of each size are written there as
// PPM files).
#include "base/files/SettingsFile.h"
#include "content/DataFiles.h"
#include "game/EngineSetup.h"
#include "game/GameWindow.h"
#include "game/Look.h"
#include "gui/gl/GLcapabilities.h"
#include "gui/paint/Image.h"
#include "launcher/GameLauncher.h"
#include "platform/GLFunctions.h"
#include "tests/game/GameLoopSteps.h"
#include "tests/support/StaticScene.h"

#include "FrameCapture.h"
#include "TimedTurns.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

namespace
{

using Clock = std::chrono::steady_clock;

constexpr int pairsPerRound = 8;
// The game's loop passes before the start view is measured: the logic has run and placed the world.
constexpr int settlePasses = 3;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The moments of the game's start, seen from its loop: the window open with GL bound, the world read,
// its textures loaded (the game plays).
class StartTimes : public kestrel::Updatable
{
public:
    StartTimes() : m_start(Clock::now()) { startUpdating(this); }
    ~StartTimes() override { stopUpdating(this); }

    bool update() override
    {
        if (!m_open) {
            m_open = secondsSince(m_start);
        }
        if (!m_read && currentLook() != nullptr) {
            m_read = secondsSince(m_start);
        }
        if (!m_playing && currentGameWindow() != nullptr) {
            m_playing = secondsSince(m_start);
            stopUpdating(this);
        }
        return false;
    }
    // The line of the load times, with the first frame drawn firstFrame seconds after playing.
    void print(double firstFrame) const
    {
        std::printf("window to world read %.3f s, textures loaded %.3f s, first frame %.3f s\n",
                    m_read.value_or(0.0) - m_open.value_or(0.0), m_playing.value_or(0.0) - m_open.value_or(0.0),
                    m_playing.value_or(0.0) - m_open.value_or(0.0) + firstFrame);
    }

private:
    Clock::time_point m_start;
    std::optional<double> m_open;
    std::optional<double> m_read;
    std::optional<double> m_playing;
};

// One frame of the game: painted, presented and finished by the driver; its seconds.
double gameFrame(GameWindow& window)
{
    const Clock::time_point start = Clock::now();
    window.swapBuffers();
    plat::gl().Finish();
    return secondsSince(start);
}

// The game's picture of its next frame, painted but not presented.
std::vector<std::uint32_t> gamePicture(GameWindow& window)
{
    const kestrel::Rect bounds = window.getBounds();
    if (!window.bindGL(window)) {
        return {};
    }
    plat::gl().Viewport(0, 0, bounds.width, bounds.height);
    kestrel::ImageBody target(bounds.width, bounds.height, false);
    window.paintGL(target);
    return staticscene::readFrame(bounds.width, bounds.height);
}

void writePicture(const std::string& folder, const char* name, int width, int height,
                  const std::vector<std::uint32_t>& pixels)
{
    if (folder.empty() || pixels.size() != std::size_t(width) * std::size_t(height)) {
        return;
    }
    const std::string path = folder + "/" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        std::printf("cannot write %s\n", path.c_str());
        return;
    }
    std::fprintf(file, "P6\n%d %d\n255\n", width, height);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)];
            const unsigned char rgb[3] = {static_cast<unsigned char>(p), static_cast<unsigned char>(p >> 8),
                                          static_cast<unsigned char>(p >> 16)};
            std::fwrite(rgb, 1, 3, file);
        }
    }
    std::fclose(file);
}

// The start view at width x height: captured from the game's frame, drawn by both, compared and timed.
void compareAt(GameWindow& window, int width, int height, const std::string& pictures)
{
    window.setSize(width, height);
    gameFrame(window);
    gameFrame(window);
    const std::optional<gameframe::CapturedFrame> captured = gameframe::capture([&] { return gamePicture(window); });
    if (!captured) {
        std::printf("%d x %d: the game's frame could not be captured\n", width, height);
        return;
    }
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    writePicture(pictures, ("game-" + size + ".ppm").c_str(), width, height, captured->pixels);
    gameframe::MinimalProgram minimal(captured->frame);
    const auto minimalFrame = [&] {
        minimal.begin();
        const Clock::time_point start = Clock::now();
        minimal.draw();
        plat::swapGLWindow(window.nativeHandle());
        plat::gl().Finish();
        const double seconds = secondsSince(start);
        minimal.end();
        return seconds;
    };
    minimal.begin();
    minimal.draw();
    const std::vector<std::uint32_t> minimalPixels = staticscene::readFrame(width, height);
    minimal.end();
    writePicture(pictures, ("minimal-" + size + ".ppm").c_str(), width, height, minimalPixels);
    using timedturns::median;
    const timedturns::Rounds rounds =
        timedturns::timeInTurns([&] { return gameFrame(window); }, minimalFrame, pairsPerRound);
    const std::vector<double>& ratios = rounds.ratios;
    std::printf("start view %d x %d: game %.2f ms, minimal %.2f ms, ratio %.2f (rounds %.2f-%.2f), "
                "pictures differ in %d of %d pixels; %s\n",
                width, height, median(rounds.engine) * 1e3, median(rounds.minimal) * 1e3, median(ratios),
                *std::min_element(ratios.begin(), ratios.end()), *std::max_element(ratios.begin(), ratios.end()),
                staticscene::differingPixels(captured->pixels, minimalPixels), width * height,
                captured->frame.summary().c_str());
    std::fflush(stdout);
}

// The launcher's settings as a fresh installation has them: its defaults, read from an empty folder,
// which goes again once read.
void useFreshSettings()
{
    char folder[] = "/tmp/bench-gameworld-XXXXXX";
    const bool made = mkdtemp(folder) != nullptr;
    if (made) {
        heron::SettingsFile::setFolder(folder);
    }
    game_launcher::readUserSettings();
    if (made) {
        rmdir(folder);
    }
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
    const std::string pictures = argc > 2 ? argv[2] : "";
    // What the main routine does before the launcher opens, and the launcher before the game starts.
    setUpEngine();
    useFreshSettings();
    int passes = 0;
    const StartTimes times;
    gameloop::WhilePlaying measure([&](GameWindow& window) {
        if (++passes == 1) {
            times.print(gameFrame(window));
        }
        if (passes != settlePasses) {
            return;
        }
        compareAt(window, 800, 600, pictures);
        compareAt(window, 1280, 1024, pictures);
        std::printf("renderer %s\n", kestrel::getGLcapabilities().renderer.c_str());
        gameloop::quit(window);
    });
    GameWindow game{kestrel::ScreenMode(), heron::FilePath(path)};
    if (!game.failureReason().empty()) {
        std::printf("the game did not start on %s: %s\n", path.c_str(), game.failureReason().c_str());
        return 1;
    }
    return 0;
}
