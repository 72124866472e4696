// One play-through of the shipped world: the program starts as the user starts it, "Start game" is
// pressed, and a scripted player visits every zone of both levels, looking at each one and
// listening to the mix on OpenAL's loopback device. The scene's time runs only when the script
// moves it, so every zone has settled when it is looked at, whatever the machine's speed.
#include "launcher/PlayFixture.h"

#include "game/Level.h"
#include "game/Look.h"
#include "game/flight/LookFly.h"
#include "game/LookLogic.h"
#include "game/net/LookNetwork.h"
#include "game/Zone.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace game_launcher
{
namespace
{

constexpr int width = 160;
constexpr int height = 120;
// Each pass of the loop moves the scene's time on by this much.
constexpr double step = 0.25;
// Long enough for every zone's fog, sky and sun to finish changing.
constexpr double settle = 6.0;
// The pitch the player looks up at the sky with.
constexpr double lookingUp = 45.0;
// A mix this loud is heard.
constexpr double audible = 300.0;

struct Colour
{
    float r, g, b;
};

// What a player should get in one zone.
struct Visit
{
    const char* level;
    const char* zone;
    // Where the player is put (on the zone itself when unset) and where it looks.
    std::optional<finch::Vector3d> at = {};
    double heading = 0.0;
    double pitch = -15.0;
    // The zone's own fog and sky (horizon, top), when it changes them.
    std::optional<Colour> fog = {};
    std::optional<std::pair<Colour, Colour>> sky = {};
    bool stars = false;
    // What the player does once the zone has settled and has been looked at, and what it does
    // before it goes on.
    std::function<void(Look&)> act = {};
    std::function<void(Look&)> leave = {};
};

// What the script saw and heard in one zone: the view ahead once settled and again after the
// player acted, and the sky above.
struct Seen
{
    kestrel::Image ground;
    kestrel::Image sky;
    // A moment after the act, and a while after it.
    kestrel::Image acted;
    kestrel::Image groundAfter;
    double musicLevel = 0.0;
    // Loudness of the mix's higher notes, where the one-shot sounds lie and the music does not, and
    // of the ring's chime.
    double brightBefore = 0.0;
    double brightAfter = 0.0;
    double chimeBefore = 0.0;
    double chimeAfter = 0.0;
    bool entered = false;
};

void press(Look& world, int key)
{
    kestrel::Event event(kestrel::Event::Key);
    event.key = key;
    world.logic().flight()->handleEvent(event);
}

std::uint32_t packed(const Colour& c)
{
    const auto channel = [](float v) { return std::uint32_t(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); };
    return channel(c.r) << 16 | channel(c.g) << 8 | channel(c.b);
}

int channelDistance(std::uint32_t a, std::uint32_t b)
{
    int most = 0;
    for (int shift : {0, 8, 16}) {
        most = std::max(most, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
    }
    return most;
}

// How many colours the rows [from, to) hold.
int distinctColours(const kestrel::Image& image, int from, int to)
{
    std::set<std::uint32_t> colours;
    for (int y = from; y < to; ++y) {
        for (int x = 0; x < image.width(); ++x) {
            colours.insert(*image.pixelAt(x, y) & 0xFFFFFF);
        }
    }
    return int(colours.size());
}

// Pixels within a few steps of the colour on every channel.
int pixelsNear(const kestrel::Image& image, std::uint32_t colour, int tolerance)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += channelDistance(*image.pixelAt(x, y) & 0xFFFFFF, colour) <= tolerance ? 1 : 0;
        }
    }
    return count;
}

int brightness(std::uint32_t pixel)
{
    return int((pixel >> 16) & 0xFF) + int((pixel >> 8) & 0xFF) + int(pixel & 0xFF);
}

// Points of light: pixels clearly brighter than the sky two pixels away on every side.
int starPixels(const kestrel::Image& image)
{
    const auto at = [&](int x, int y) { return brightness(*image.pixelAt(x, y)); };
    int count = 0;
    for (int y = 2; y + 2 < image.height(); ++y) {
        for (int x = 2; x + 2 < image.width(); ++x) {
            const int here = at(x, y) - 60;
            count += here > at(x - 2, y) && here > at(x + 2, y) && here > at(x, y - 2) && here > at(x, y + 2);
        }
    }
    return count;
}

// Pixels that differ clearly between two frames.
int changedPixels(const kestrel::Image& a, const kestrel::Image& b)
{
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            count += channelDistance(*a.pixelAt(x, y), *b.pixelAt(x, y)) > 24 ? 1 : 0;
        }
    }
    return count;
}

// How far a colour lies from the colours between the sky's horizon and its top.
int fromSkyGradient(std::uint32_t pixel, const std::pair<Colour, Colour>& sky)
{
    int best = 255;
    for (int i = 0; i <= 20; ++i) {
        const float t = float(i) / 20.0f;
        const Colour mixed{sky.first.r + (sky.second.r - sky.first.r) * t, sky.first.g + (sky.second.g - sky.first.g) * t,
                           sky.first.b + (sky.second.b - sky.first.b) * t};
        best = std::min(best, channelDistance(pixel & 0xFFFFFF, packed(mixed)));
    }
    return best;
}

// The path through the world in the order it is flown. Places are chosen high enough above the
// sea that its far part lies in the fog; the ring, the rock pile, the gliders, the pen and the
// gates hold no fog or sky of their own.
std::vector<Visit> path()
{
    const auto enter = [](Look& world) { press(world, kestrel::keycodes::enter); };
    const std::pair<Colour, Colour> duskSky{{0.98f, 0.66f, 0.42f}, {0.18f, 0.22f, 0.45f}};
    const std::pair<Colour, Colour> nightSky{{0.1f, 0.25f, 0.3f}, {0.02f, 0.04f, 0.12f}};
    return {
        {.level = "Shallows", .zone = "Open water", .at = finch::Vector3d(0, -150, 50), .fog = Colour{0.8f, 0.6f, 0.52f},
         .sky = std::pair{Colour{0.95f, 0.62f, 0.45f}, Colour{0.1f, 0.12f, 0.32f}}, .stars = true},
        {.level = "Shallows", .zone = "Shallows", .at = finch::Vector3d(120, -60, 40), .heading = 300,
         .fog = Colour{0.86f, 0.62f, 0.45f}, .sky = duskSky},
        {.level = "Shallows", .zone = "Shore", .at = finch::Vector3d(-40, -45, 40), .fog = Colour{0.95f, 0.6f, 0.35f}},
        // The lamp turns at the top of the tower ahead.
        {.level = "Shallows", .zone = "Lighthouse", .at = finch::Vector3d(30, -5, 20), .pitch = -5.0,
         .fog = Colour{0.7f, 0.55f, 0.5f}, .sky = std::pair{Colour{0.8f, 0.45f, 0.35f}, Colour{0.1f, 0.1f, 0.3f}}},
        // The big rock is taken along and Enter sets it down; then, a little way off, a rock from the
        // pile is thrown ahead.
        {.level = "Shallows", .zone = "Rock pile", .act = enter},
        {.level = "Shallows", .zone = "Rock pile", .at = finch::Vector3d(38, 5, 5), .pitch = -10.0,
         .act = [](Look& world) { press(world, ' '); }},
        // The ring is taken by flying through it and thrown again with r.
        {.level = "Shallows", .zone = "Ring", .act = [](Look& world) { press(world, 'r'); }},
        // Each glider is taken by coming near; Enter lets it go.
        {.level = "Shallows", .zone = "Red glider", .leave = enter},
        {.level = "Shallows", .zone = "Yellow glider", .leave = enter},
        {.level = "Shallows", .zone = "Green glider", .leave = enter},
        {.level = "Shallows", .zone = "Violet glider", .leave = enter},
        // A ring sent by another player reaches this one.
        {.level = "Shallows", .zone = "Glider pen", .act = [](Look& world) { world.network().receiveRing(); }},
        {.level = "Shallows", .zone = "Tide gate"},
        // The reef's entry, where the fish swim ahead, then high over the reef in its fog.
        {.level = "Glass Reef", .zone = "Reef", .at = finch::Vector3d(60, 140, 3), .heading = 180, .pitch = 0.0,
         .sky = nightSky, .stars = true},
        {.level = "Glass Reef", .zone = "Reef", .at = finch::Vector3d(60, 100, 20), .heading = 180,
         .fog = Colour{0.2f, 0.5f, 0.45f}},
        {.level = "Glass Reef", .zone = "Deep channel", .at = finch::Vector3d(0, 60, -1), .heading = 180},
        {.level = "Glass Reef", .zone = "Reef edge"},
    };
}

using PlayThroughDisplayTest = PlayFixture;

kestrel::Image frame(GameWindow& game)
{
    kestrel::Image image(width, height);
    EXPECT_TRUE(kestrel::renderToImage(image, game));
    return image;
}

// Runs the visits one after another, a pass of the game's loop at a time: once the music is heard,
// the player arrives in each zone and waits for it to settle, looks ahead, looks up, acts, listens,
// looks ahead again and leaves.
class Script
{
public:
    Script(std::vector<Visit> visits, std::function<Heard()> listen, std::function<kestrel::Image()> grab)
        : m_visits(std::move(visits)), m_listen(std::move(listen)), m_grab(std::move(grab)), m_seen(m_visits.size())
    {
    }

    // One pass: moves time on and does what the visit asks at this point; true when done.
    bool pass(Look& world)
    {
        if (m_index >= m_visits.size()) {
            return true;
        }
        const Heard heard = m_listen();
        if (!m_musicStarted) {
            waitForMusic(world, heard);
            return false;
        }
        const Visit& visit = m_visits[m_index];
        Seen& seen = m_seen[m_index];
        if (m_passes == 0) {
            EXPECT_EQ(world.currentLevel(), world.levelNamed(visit.level)) << "visiting " << visit.zone;
            arrive(world, visit, visit.pitch);
        }
        moveSceneOn(step);
        ++m_passes;
        seen.entered = seen.entered || enteredZone(world, visit.zone);
        seen.musicLevel = std::max(seen.musicLevel, heard.level);
        if (m_passes <= settlePasses) {
            // The second half only: what the last zone's act set off has ended by then.
            if (m_passes > settlePasses / 2) {
                seen.brightBefore = std::max(seen.brightBefore, heard.bright);
                seen.chimeBefore = std::max(seen.chimeBefore, heard.chime);
            }
            return false;
        }
        afterSettling(world, visit, seen, heard);
        return false;
    }

    bool musicStarted() const { return m_musicStarted; }
    const std::vector<Seen>& seen() const { return m_seen; }

private:
    static constexpr int settlePasses = int(settle / step);
    // The music starts once its samples and songs are loaded and its streams filled.
    static constexpr int musicStartPasses = 3000;

    // Gravity goes off ('g'), so that the player stays where each visit puts it; then the script
    // waits for the level's music to begin.
    void waitForMusic(Look& world, const Heard& heard)
    {
        if (m_passes++ == 0) {
            press(world, 'g');
        }
        m_musicStarted = heard.level > audible;
        if (m_musicStarted || m_passes > musicStartPasses) {
            m_passes = 0;
            m_index = m_musicStarted ? 0 : m_visits.size();
        }
    }

    void afterSettling(Look& world, const Visit& visit, Seen& seen, const Heard& heard)
    {
        switch (m_passes - settlePasses) {
        case 1:
            seen.ground = m_grab();
            arrive(world, visit, lookingUp);
            return;
        case 3:
            seen.sky = m_grab();
            arrive(world, visit, visit.pitch);
            if (visit.act) {
                visit.act(world);
            }
            return;
        case 4:
            seen.acted = m_grab();
            hearAfter(seen, heard);
            return;
        case 8:
            seen.groundAfter = m_grab();
            if (visit.leave) {
                visit.leave(world);
            }
            ++m_index;
            m_passes = 0;
            return;
        default:
            if (m_passes - settlePasses > 3) {
                hearAfter(seen, heard);
            }
        }
    }

    static void hearAfter(Seen& seen, const Heard& heard)
    {
        seen.brightAfter = std::max(seen.brightAfter, heard.bright);
        seen.chimeAfter = std::max(seen.chimeAfter, heard.chime);
    }

    static bool enteredZone(Look& world, const char* name)
    {
        const Zone* const zone = world.logic().currentZone();
        return zone != nullptr && zone->name == name;
    }

    // Puts the player at the visit's place, or on the zone itself, looking at the pitch given; once
    // a gate has taken the player to another level, it stays where that level's entry put it.
    static void arrive(Look& world, const Visit& visit, double pitch)
    {
        Level* const level = world.levelNamed(visit.level);
        if (world.currentLevel() != level) {
            return;
        }
        finch::Transform placement;
        placement.position = visit.at ? *visit.at : zoneNamed(*level, visit.zone).position();
        placement.heading = visit.heading;
        placement.pitch = pitch;
        world.logic().teleport(placement);
    }

    std::vector<Visit> m_visits;
    std::function<Heard()> m_listen;
    std::function<kestrel::Image()> m_grab;
    std::vector<Seen> m_seen;
    bool m_musicStarted = false;
    std::size_t m_index = 0;
    int m_passes = 0;
};

}

TEST_F(PlayThroughDisplayTest, EveryZoneOfBothLevelsShowsAndSoundsAsItShould)
{
    const std::vector<Visit> visits = path();
    GameWindow* playing = nullptr;
    Script script(
        visits, [this] { return listen(); }, [&] { return frame(*playing); });
    bool started = false;
    bool ended = false;
    WhileLauncherRuns user([&](GameLauncher& launcher) {
        playing = currentGameWindow();
        if (playing == nullptr) {
            if (!std::exchange(started, true)) {
                startButton(launcher).click();
            }
            return;
        }
        Look* const world = currentLook();
        if (world != nullptr && !ended && script.pass(*world)) {
            ended = true;
            pressQuitKey(*playing);
        }
    });
    EXPECT_EQ(run({}), 0);
    ASSERT_TRUE(ended) << log();
    EXPECT_TRUE(m_backend.boxes.empty());

    ASSERT_TRUE(script.musicStarted()) << "the music never started";
    std::map<std::string, double> levelMusic;
    for (std::size_t i = 0; i < visits.size(); ++i) {
        const Visit& visit = visits[i];
        const Seen& seen = script.seen()[i];
        SCOPED_TRACE(visit.zone);
        EXPECT_TRUE(seen.entered);
        ASSERT_EQ(seen.ground.width(), width);
        // The sea, its bed and the islands below the horizon, in many shades.
        EXPECT_GT(distinctColours(seen.ground, 0, height / 2), 20);
        if (visit.fog) {
            // The far sea fades into the zone's fog.
            EXPECT_GT(pixelsNear(seen.ground, packed(*visit.fog), 10), 20);
        }
        if (visit.sky) {
            EXPECT_LT(fromSkyGradient(*seen.sky.pixelAt(width / 2, height - 2), *visit.sky), 32);
        }
        if (visit.stars) {
            EXPECT_GT(starPixels(seen.sky), 3);
        }
        levelMusic[visit.level] = std::max(levelMusic[visit.level], seen.musicLevel);
    }
    // Each level's music is heard; it follows the zones and the player's speed, so it may rest a
    // while in a zone.
    for (const auto& [level, loudest] : levelMusic) {
        EXPECT_GT(loudest, audible) << level;
    }
    const auto seenIn = [&](const char* zone) -> const Seen& {
        for (std::size_t i = 0; i < visits.size(); ++i) {
            if (std::string(visits[i].zone) == zone) {
                return script.seen()[i];
            }
        }
        throw std::logic_error(zone);
    };
    // The lighthouse's lamp turns and the reef's fish swim while the player stays put.
    for (const char* zone : {"Lighthouse", "Reef"}) {
        EXPECT_GT(changedPixels(seenIn(zone).ground, seenIn(zone).groundAfter), 20) << zone;
    }
    // Rocks fly from the pile.
    EXPECT_GT(changedPixels(seenIn("Rock pile").ground, seenIn("Rock pile").acted), 20);
    // The thrown ring is heard over the music, and so is the chime of the ring from afar.
    EXPECT_GT(seenIn("Ring").brightAfter, seenIn("Ring").brightBefore * 1.5);
    EXPECT_GT(seenIn("Glider pen").chimeAfter, seenIn("Glider pen").chimeBefore * 3.0);
    EXPECT_TRUE(logged("Going to level Glass Reef"));
}

}
