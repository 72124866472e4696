// The player's mouse buttons as the desktop hands them over: the game window plays the demo world,
// and presses and releases that come through SDL's queue steer the flight's speed.
#include "game/GameDisplayTest.h"
#include "game/GameLoopSteps.h"
#include "game/GameWindow.h"
#include "game/Look.h"
#include "game/flight/LookFly.h"
#include "game/LookLogic.h"
#include "support/ManualSceneClock.h"
#include "support/DesktopInput.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace
{

class MouseFlightDisplayTest : public GameDisplayTest
{
};

// Each pass of the game's loop is a frame of this many seconds.
constexpr double frameTime = 1.0 / 60.0;

// What the player does, and how many frames it then waits.
struct Step
{
    std::function<void(GameWindow&)> act;
    int frames;
};

// Plays the demo world with the player turned to the open sea, runs the steps one after another,
// and gives the flight's speed at the end of each.
std::vector<double> speedsAfter(const std::vector<Step>& steps)
{
    ManualSceneClock clock(1000.0);
    double now = 1000.0;
    std::vector<double> speeds;
    std::size_t next = 0;
    int waiting = 0;
    gameloop::WhilePlaying script([&](GameWindow& window) {
        Look* const world = currentLook();
        if (world == nullptr || world->logic().flight() == nullptr) {
            return;
        }
        now += frameTime;
        clock.setTime(now);
        if (next == 0 && waiting == 0) {
            world->logic().teleport(finch::Transform{finch::Vector3d(0, -90, 8), 0.0, 0.0, 180.0});
            waiting = 5;
            next = 1;
        }
        if (--waiting > 0) {
            return;
        }
        if (next > 1) {
            speeds.push_back(world->logic().flight()->speed());
        }
        if (next > steps.size()) {
            gameloop::quit(window);
            return;
        }
        steps[next - 1].act(window);
        waiting = steps[next - 1].frames;
        ++next;
    });
    GameWindow window(kestrel::ScreenMode(), heron::FilePath(AURELLE_DEMO_WORLD));
    EXPECT_EQ(window.failureReason(), "");
    return speeds;
}

void nothing(GameWindow&)
{
}

}

TEST_F(MouseFlightDisplayTest, ButtonsPressedAndReleasedOnTheDesktopSpeedUpStopAndReverseTheFlight)
{
    const std::vector<double> speeds = speedsAfter({
        {[](GameWindow& w) { testing_desktop::pushMouseFromCentre(w, SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, SDL_BUTTON_LMASK); }, 60},
        {[](GameWindow& w) {
             testing_desktop::pushMouseFromCentre(w, SDL_MOUSEMOTION, 0, SDL_BUTTON_LMASK, 1);
             testing_desktop::pushMouseFromCentre(w, SDL_MOUSEMOTION, 0, SDL_BUTTON_LMASK, 2);
         },
         30},
        {[](GameWindow& w) { testing_desktop::pushMouseFromCentre(w, SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 0, 2); }, 3},
        {nothing, 30},
        {[](GameWindow& w) { testing_desktop::pushMouseFromCentre(w, SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, SDL_BUTTON_RMASK, 2); }, 60},
        {[](GameWindow& w) { testing_desktop::pushMouseFromCentre(w, SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, 0, 2); }, 3},
        {[](GameWindow& w) { testing_desktop::pushMouseFromCentre(w, SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, SDL_BUTTON_RMASK, 2); }, 60},
        {[](GameWindow& w) { testing_desktop::pushMouseFromCentre(w, SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, 0, 2); }, 3},
        {nothing, 30},
    });
    ASSERT_EQ(speeds.size(), 9u);
    // A press with the mouse still speeds the flight up, and it goes on while the mouse moves.
    EXPECT_GT(speeds[0], 5.0);
    EXPECT_GT(speeds[1], speeds[0]);
    // Released, the flight coasts at the speed it had.
    EXPECT_GT(speeds[2], 0.0);
    EXPECT_EQ(speeds[3], speeds[2]);
    // The right button brakes to a stop; pressed again from standstill it flies backwards, and
    // released it stops building up speed.
    EXPECT_EQ(speeds[4], 0.0);
    EXPECT_EQ(speeds[5], 0.0);
    EXPECT_LT(speeds[6], -1.0);
    EXPECT_EQ(speeds[8], speeds[7]);
}
