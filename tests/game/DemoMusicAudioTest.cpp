// The demo world's music as OpenAL mixes it: the first level's ambient song and its step
// sequencer rendered on the loopback device.
#include "game/DemoAudioFixture.h"

#include "game/Counter.h"
#include "game/Level.h"
#include "game/Zone.h"
#include "music/Soundtracks.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace
{

class DemoMusicTest : public DemoAudioTest
{
protected:
    // The seconds whose loudest tenth is below a level no music of the world falls to.
    static int silentSeconds(const std::vector<double>& levels)
    {
        int silent = 0;
        for (std::size_t second = 0; second * 10 < levels.size(); ++second) {
            const auto tenths = levels.begin() + static_cast<std::ptrdiff_t>(second * 10);
            silent += *std::max_element(tenths, tenths + 10) < 100.0 ? 1 : 0;
        }
        return silent;
    }

    // A game frame a tenth of a second after the last; the current level's sequencer sample is
    // loaded here rather than waiting for its worker.
    void gameFrame()
    {
        m_now += 0.1;
        m_clock.frame(m_now);
        world->logic().update();
        world->currentLevel()->motor.loadSample();
    }

    double m_now = 100.0;
};

// The notes of the shore's chords that neither the reef's song nor its bass line plays, and the
// low drone of the reef's song, which no other music of the world plays.
constexpr std::array<double, 6> shoreOnlyNotes = {87.3, 146.8, 246.9, 370.0, 392.0, 493.9};
constexpr double reefDrone = 55.0;
// The top note of the shore's first chord, which the first level's bass line does not play.
constexpr double shoreOpeningNote = 392.0;

// The loudest of those notes of the shore's chords.
double shoreNotesLevel(const std::vector<std::int16_t>& mix)
{
    double loudest = 0.0;
    for (const double note : shoreOnlyNotes) {
        loudest = std::max(loudest, plat::toneLevel(mix, note));
    }
    return loudest;
}

}

TEST_F(DemoMusicTest, FirstLevelsAmbientSongSoundsForAMinute)
{
    Level& shallows = *world->levels().front();
    Soundtracks ambient;
    ambient.play(&zoneNamed(shallows, "Shallows").ambientSong, 0.0);
    // The first second goes to filling the stream ahead of the device.
    const auto onward = [&] { ambient.update(true, 0.0); };
    renderTenths(10, onward);
    EXPECT_EQ(silentSeconds(renderTenths(600, onward)), 0);
    ambient.stop();
}

// Every game begins in the open water with the level's song: the first, started as the game window
// starts it, and a fresh one that F1 starts while the player is still in the open water. The
// shore's first chord sounds over the bass line in the first two seconds of each.
TEST_F(DemoMusicTest, EveryGameStartsWithTheLevelsSong)
{
    LookLogic& logic = world->logic();
    logic.reset();
    logic.start();
    const auto frames = [&] { gameFrame(); };
    Zone* const openWater = &zoneNamed(*world->currentLevel(), "Open water");
    const auto opening = [&] {
        gameFrame();
        EXPECT_EQ(logic.currentZone(), openWater);
        return plat::toneLevel(recordTenths(20, frames), shoreOpeningNote);
    };
    EXPECT_GT(opening(), 300.0) << "first game";
    renderTenths(10, frames);
    ASSERT_EQ(logic.currentZone(), openWater);
    world->resetGame(true);
    EXPECT_GT(opening(), 300.0) << "fresh game";
    logic.stop();
}

// Once the player holds a ring the level's sequencer plays its line for one ring: the bass goes on.
TEST_F(DemoMusicTest, FirstLevelsBassLineGoesOnOnceARingIsHeld)
{
    LookLogic& logic = world->logic();
    logic.start();
    // High above the sea, outside every zone, no zone's song plays: only the sequencer sounds.
    logic.teleport(finch::Transform{finch::Vector3d(0, 0, 2000)});
    Level& shallows = *world->currentLevel();
    Zone& ring = zoneNamed(shallows, "Ring");
    ring.trigger.fire(*world, &ring, &logic);
    ASSERT_EQ(world->ringCounter()->count(), 1u);
    const auto frame = [&] { gameFrame(); };
    renderTenths(10, frame);
    EXPECT_EQ(shallows.motor.patternIndex(), 1u);
    EXPECT_EQ(silentSeconds(renderTenths(50, frame)), 0);
    logic.stop();
}

// Through the tide gate the player reaches the reef, whose own song takes over from the shore's:
// its low drone is heard and the shore's chords are gone.
TEST_F(DemoMusicTest, ReefPlaysItsOwnSongInPlaceOfTheShores)
{
    LookLogic& logic = world->logic();
    logic.start();
    // Over the open sea, where only the zone of the whole first level plays its song.
    logic.teleport(finch::Transform{finch::Vector3d(120, -60, 40)});
    double now = 100.0;
    const auto frame = [&] {
        now += 0.1;
        m_clock.frame(now);
        logic.update();
    };
    renderTenths(30, frame);
    const std::vector<std::int16_t> shallows = recordTenths(20, frame);

    Level* const reef = world->levelNamed("Glass Reef");
    logic.teleport(finch::Transform{zoneNamed(*world->currentLevel(), "Tide gate").position()});
    for (int tenth = 0; tenth < 30 && world->currentLevel() != reef; ++tenth) {
        renderTenths(1, frame);
    }
    ASSERT_EQ(world->currentLevel(), reef);
    // Long enough for the shore's song to fade out.
    renderTenths(50, frame);
    const std::vector<std::int16_t> inReef = recordTenths(20, frame);
    EXPECT_LT(shoreNotesLevel(inReef), 0.1 * shoreNotesLevel(shallows));
    EXPECT_GT(plat::toneLevel(inReef, reefDrone), 10.0 * plat::toneLevel(shallows, reefDrone));
    logic.stop();
}
