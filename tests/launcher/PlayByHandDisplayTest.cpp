// The shipped world played by hand, through the same start-up as the program's: the mouse's
// buttons and moves and the keys go through SDL's queue to the desktop backend, as a user's do, and
// the mix is heard on OpenAL's loopback device. Each pass of the game's loop is a frame whose time
// the script sets, so nothing depends on the machine's speed.
#include "launcher/PlayFixture.h"

#include "content/world/PelicanDB.h"
#include "game/net/AvatarSlot.h"
#include "game/Counter.h"
#include "game/DemoPlayer.h"
#include "game/Level.h"
#include "game/Look.h"
#include "game/flight/LookFly.h"
#include "game/LookLogic.h"
#include "game/net/LookNetwork.h"
#include "game/net/NetLogic.h"
#include "game/flight/Rock.h"
#include "game/Zone.h"
#include "gui/toolkit/Window.h"
#include "support/DesktopInput.h"
#include "support/Loopback.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace game_launcher
{
namespace
{

using finch::Vector3d;

// Each pass of the game's loop is a frame of this many seconds.
constexpr double frameTime = 1.0 / 30.0;
// A mix this loud is heard.
constexpr double audible = 300.0;
// How fast a glider at rest sinks while gravity is on, in units a second.
constexpr double fallSpeed = 3.0;
// Bounds on a step, in passes: only for a game that never gets there, not waits the test relies on.
constexpr int aFewSeconds = 300;
// Loading the music's samples and songs runs in real time.
constexpr int musicLoading = 3000;

// What one pass of the script sees and may use.
struct Pass
{
    Look& world;
    GameWindow& window;
    const Heard& heard;
    // The first call of the step.
    bool first;
};

// One thing the player does, called once a pass until it says it is done; at most bound passes.
struct Step
{
    std::string what;
    std::function<bool(const Pass&)> pass;
    int bound = aFewSeconds;
};

// Sums the sound heard until it reaches a length.
class Stopwatch
{
public:
    explicit Stopwatch(double seconds) : m_seconds(seconds) {}
    // Adds what was heard; true once the length is reached.
    bool add(const Heard& heard)
    {
        m_heard += heard.seconds;
        return m_heard >= m_seconds;
    }
    double heard() const { return m_heard; }

private:
    double m_seconds;
    double m_heard = 0.0;
};

class PlayByHandDisplayTest : public PlayFixture
{
protected:
    // Starts the program, presses "Start game" and, once the world plays, runs the steps one after
    // another, a frame a pass; then, after atEnd, quits the game. The step that did not finish
    // within its bound, or "" when every one did.
    std::string play(const std::vector<Step>& steps, const std::function<void()>& atEnd = {})
    {
        std::size_t next = 0;
        int passes = 0;
        std::string stuck;
        bool started = false;
        bool ended = false;
        WhileLauncherRuns user([&](GameLauncher& launcher) {
            GameWindow* const game = currentGameWindow();
            if (game == nullptr) {
                if (!std::exchange(started, true)) {
                    startButton(launcher).click();
                }
                return;
            }
            Look* const world = currentLook();
            if (ended || world == nullptr || world->logic().flight() == nullptr) {
                return;
            }
            moveSceneOn(frameTime);
            const Heard heard = listen();
            if (next < steps.size() && passes >= steps[next].bound) {
                stuck = steps[next].what;
                next = steps.size();
            }
            if (next < steps.size() && steps[next].pass(Pass{*world, *game, heard, passes++ == 0})) {
                ++next;
                passes = 0;
            }
            if (next < steps.size()) {
                return;
            }
            if (atEnd) {
                atEnd();
            }
            ended = true;
            pressQuitKey(*game);
        });
        EXPECT_EQ(run({}), 0);
        EXPECT_TRUE(ended) << log();
        EXPECT_TRUE(m_backend.boxes.empty());
        return stuck;
    }
};

// A step that does its thing in its first pass and is done once the condition holds.
Step until(std::string what, std::function<void(const Pass&)> first, std::function<bool(const Pass&)> done,
           int bound = aFewSeconds)
{
    return Step{std::move(what),
                [first = std::move(first), done = std::move(done)](const Pass& pass) {
                    if (pass.first && first) {
                        first(pass);
                    }
                    return done(pass);
                },
                bound};
}

// The player comes up to the lighthouse's ring, which takes it; on the ring itself the player, who
// is wider than the ring's hole, would be pushed off it.
Step takeARing(std::function<void()> eachPass = {})
{
    return until(
        "take a ring",
        [](const Pass& pass) {
            const Vector3d ring = zoneNamed(*pass.world.currentLevel(), "Ring").position();
            pass.world.logic().teleport(finch::Transform{ring - Vector3d(0, 3, 0)});
        },
        [eachPass = std::move(eachPass)](const Pass& pass) {
            if (eachPass) {
                eachPass();
            }
            return pass.world.ringCounter()->count() == 1;
        });
}

// What a held glider did, frame by frame, while it was flown.
struct GliderFlight
{
    // The glider's slot, valid while the game plays.
    AvatarSlot* glider = nullptr;
    double radius = 0.0;
    double startHeight = 0.0;
    double startHeading = 0.0;
    double heading = 0.0;
    Vector3d last;
    double lastSpeed = 0.0;
    // The worst of every frame: the glider's distance from the player, its speed above the zone's
    // limit, its move beyond what the speed shown and its sinking make in a frame, its climb above
    // the height it was taken at (it is flown level).
    double farthest = 0.0;
    double overLimit = 0.0;
    double overMove = 0.0;
    double climb = 0.0;
    bool dropped = false;

    void take(Look& world)
    {
        glider = world.logic().heldAvatar();
        radius = glider->radius();
        last = objectPosition(glider->object());
        startHeight = last.z;
        startHeading = glider->object().transform().getTransform().heading;
        heading = startHeading;
    }

    void check(Look& world)
    {
        const LookFly& flight = *world.logic().flight();
        dropped = dropped || world.logic().heldAvatar() != glider;
        const Vector3d at = objectPosition(glider->object());
        const double speed = std::fabs(flight.speed());
        // Above a zone's limit the flight slows down to it.
        const double limit = std::max(LookFly::speedSetting * world.logic().flySpeed(), lastSpeed);
        farthest = std::max(farthest, (at - flight.transform().position).length());
        overLimit = std::max(overLimit, speed - limit);
        const double moveShown = (std::max(speed, lastSpeed) * 1.1 + fallSpeed) * frameTime;
        overMove = std::max(overMove, (at - last).length() - moveShown);
        climb = std::max(climb, at.z - startHeight);
        heading = glider->object().transform().getTransform().heading;
        last = at;
        lastSpeed = speed;
    }
};

// Flies on for frames frames with the held glider, having done what the player does first.
Step fly(std::string what, GliderFlight& flown, std::function<void(const Pass&)> first, int frames)
{
    return Step{std::move(what), [&flown, first = std::move(first), frames, count = 0](const Pass& pass) mutable {
                    if (pass.first) {
                        count = 0;
                        first(pass);
                    }
                    flown.check(pass.world);
                    return ++count >= frames;
                }};
}

void mouse(const Pass& pass, Uint32 type, Uint8 button, Uint32 held, int dx = 0)
{
    testing_desktop::pushMouseFromCentre(pass.window, type, button, held, dx);
}

}

// Straight out from the start the player runs into the gliders and takes one; flown with the mouse,
// it turns, coasts and brakes as the player does, close ahead of the player at the speed shown,
// and does not leave the height it is flown at.
TEST_F(PlayByHandDisplayTest, AGliderTakenWithTheMouseFliesWithThePlayerAtTheSpeedShown)
{
    GliderFlight flown;
    double coasting = 0.0;
    double braked = -1.0;
    int turn = 0;
    const std::vector<Step> steps = {
        until(
            "take a glider", [](const Pass& pass) { mouse(pass, SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, SDL_BUTTON_LMASK); },
            [&](const Pass& pass) {
                if (pass.world.logic().heldAvatar() == nullptr) {
                    return false;
                }
                flown.take(pass.world);
                turn = pass.window.getBounds().width / 5;
                mouse(pass, SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 0);
                return true;
            }),
        // Banked to the right and level again, away from the shore.
        fly("bank right", flown,
            [&](const Pass& pass) {
                mouse(pass, SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, SDL_BUTTON_LMASK);
                mouse(pass, SDL_MOUSEMOTION, 0, SDL_BUTTON_LMASK, turn);
            },
            40),
        fly("bank back", flown, [&](const Pass& pass) { mouse(pass, SDL_MOUSEMOTION, 0, SDL_BUTTON_LMASK, -turn); }, 40),
        fly("fly level", flown, [&](const Pass& pass) { mouse(pass, SDL_MOUSEMOTION, 0, SDL_BUTTON_LMASK, 0); }, 30),
        fly("coast", flown, [&](const Pass& pass) { mouse(pass, SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 0); }, 15),
        fly("brake", flown,
            [&](const Pass& pass) {
                coasting = pass.world.logic().flight()->speed();
                mouse(pass, SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, SDL_BUTTON_RMASK);
            },
            30),
        fly("rest", flown, [&](const Pass& pass) { mouse(pass, SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, 0); }, 15),
        until("stop", {}, [&](const Pass& pass) {
            braked = pass.world.logic().flight()->speed();
            return true;
        }),
    };
    EXPECT_EQ(play(steps), "");
    ASSERT_NE(flown.glider, nullptr);
    EXPECT_FALSE(flown.dropped);
    EXPECT_LT(flown.farthest, 3.0 * flown.radius);
    EXPECT_LT(flown.overLimit, 1e-6);
    EXPECT_LT(flown.overMove, 0.01);
    EXPECT_LT(flown.climb, 0.5);
    EXPECT_GT(coasting, 1.0);
    EXPECT_EQ(braked, 0.0);
    EXPECT_LT(wrapHeading(flown.heading - flown.startHeading + 180.0) - 180.0, -10.0);
}

// At the start only the level's step sequencer plays; once a ring is held it plays the line for one
// ring, and its bass goes on.
TEST_F(PlayByHandDisplayTest, TheBassGoesOnOnceARingIsHeld)
{
    // The chime of the ring taken lasts 1.6 s.
    Stopwatch chimeFades(1.7);
    Stopwatch listening(2.0);
    std::vector<double> loudestEachSecond;
    std::size_t pattern = 0;
    const std::vector<Step> steps = {
        until(
            "hear the music", {}, [](const Pass& pass) { return pass.heard.level > audible; }, musicLoading),
        takeARing(),
        until("let the ring's chime fade", {}, [&](const Pass& pass) { return chimeFades.add(pass.heard); }),
        until("listen", {}, [&](const Pass& pass) {
            if (loudestEachSecond.size() <= std::size_t(listening.heard())) {
                loudestEachSecond.push_back(0.0);
            }
            loudestEachSecond.back() = std::max(loudestEachSecond.back(), pass.heard.level);
            pattern = pass.world.currentLevel()->motor.patternIndex();
            return listening.add(pass.heard);
        }),
    };
    EXPECT_EQ(play(steps), "");
    EXPECT_EQ(pattern, 1u);
    ASSERT_GE(loudestEachSecond.size(), 2u);
    for (const double loudest : loudestEachSecond) {
        EXPECT_GT(loudest, audible);
    }
}

// This player serves and another joins on the same machine; the other takes a glider, this one
// takes a ring and throws it with r through the glider. The ring goes, and reaches the other
// player, whose chime is heard.
TEST_F(PlayByHandDisplayTest, ARingThrownThroughAnotherPlayersGliderReachesThemWithAChime)
{
    kestrel::Window otherWindow;
    otherWindow.setSize(800, 600);
    heron::counted_ptr<Look> other;
    const auto otherFrame = [&] { other->logic().update(); };
    bool thrown = false;
    double chimeBefore = 0.0;
    double chimeAfter = 0.0;
    Stopwatch chimeFades(2.0);
    Stopwatch hearing(0.5);
    std::size_t ringsLeft = 99;
    bool shapeShown = false;
    const std::vector<Step> steps = {
        until(
            "serve",
            [](const Pass& pass) {
                pass.world.network().setServerPort(0);
                pass.world.network().setServing(true);
            },
            [](const Pass& pass) { return pass.world.network().listeningPort() != 0; }),
        until(
            "another player joins",
            [&](const Pass& pass) {
                other = demoplayer::start(otherWindow, false, {"Ann", 0xFF0000});
                other->network().connectTo(heron::NetAddress(loopback::address, pass.world.network().listeningPort()));
            },
            [&](const Pass&) {
                otherFrame();
                return other->network().client() != nullptr && other->network().client()->hasWorld();
            }),
        until(
            "the other player takes a glider", [&](const Pass&) { demoplayer::comeUpTo(*other, other->avatars()[2]); },
            [&](const Pass& pass) {
                otherFrame();
                return other->logic().heldAvatar() == &other->avatars()[2] && !pass.world.avatars()[2].isAvailable();
            }),
        takeARing(otherFrame),
        // The program plays one world's rocks: the other player waits while the ring flies.
        until(
            "throw the ring",
            [](const Pass& pass) {
                const Vector3d glider = objectPosition(pass.world.avatars()[2].object());
                pass.world.logic().teleport(finch::Transform{glider - Vector3d(0, 12, 0)});
                testing_desktop::pushCharacterKey(pass.window, 'r');
            },
            [&](const Pass& pass) {
                thrown = thrown || rockList().size() > 0;
                ringsLeft = pass.world.ringCounter()->count();
                return thrown && rockList().size() == 0;
            }),
        until("let the thrower's chime fade", {}, [&](const Pass& pass) {
            if (chimeFades.heard() > 1.5) {
                chimeBefore = std::max(chimeBefore, pass.heard.chime);
            }
            return chimeFades.add(pass.heard);
        }),
        until("the ring reaches the other player", {}, [&](const Pass&) {
            otherFrame();
            return other->ringCounter()->count() == 1;
        }),
        until("hear the chime", {}, [&](const Pass& pass) {
            otherFrame();
            chimeAfter = std::max(chimeAfter, pass.heard.chime);
            shapeShown = other->database()->ringCounterObject() != nullptr;
            return hearing.add(pass.heard);
        }),
    };
    // The other player leaves while the program's sound system, which its world uses, still runs.
    const auto otherLeaves = [&] {
        if (other) {
            other->logic().stop();
            other = heron::counted_ptr<Look>();
        }
    };
    EXPECT_EQ(play(steps, otherLeaves), "");
    EXPECT_TRUE(thrown);
    EXPECT_EQ(ringsLeft, 0u);
    // The holder's display has the ring's shape to draw, and its chime sounds over the music.
    EXPECT_TRUE(shapeShown);
    EXPECT_GT(chimeAfter, 3.0 * chimeBefore);
}

}
