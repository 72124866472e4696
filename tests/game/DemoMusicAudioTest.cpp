// The demo world's music as OpenAL mixes it: the first level's ambient song rendered on the
// loopback device.
#include "game/LookFixture.h"

#include "music/Soundtracks.h"
#include "sound/SoundSystem.h"
#include "sound/SoundSystemInternals.h"
#include "support/LoopbackAudio.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <vector>

namespace
{

constexpr int tenthOfASecond = plat::LoopbackAudio::rate / 10;

// The sound system's clock, set by hand. The program's sound system outlives the test, so its clock
// must not read the fixture.
double now = 0.0;

class DemoMusicTest : public LookTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(loopback.isOpen()) << "OpenAL offers no loopback device";
        plat::setAudioDeviceOpener([this] { return std::unique_ptr<plat::AudioDevice>(loopback.takeDevice()); });
        egret::SoundSystem& system = egret::SoundSystem::instance();
        ASSERT_TRUE(system.initialize(nullptr));
        system.setThreadModel(0);
        system.internals().setClock([] { return now; });
        LookTest::SetUp();
        pelican::setCacheRoot(m_folder.path().string().c_str());
        pelican::registerPackedFile(heron::FilePath(AURELLE_DEMO_WORLD));
        world = heron::counted_ptr<Look>(new Look(heron::FilePath("glasstide.look")));
    }

    void TearDown() override
    {
        plat::setAudioDeviceOpener({});
        LookTest::TearDown();
    }

    // The level of each tenth of a second of seconds of sound, as the game's frames would make it.
    std::vector<double> render(int seconds, Soundtracks& ambient)
    {
        std::vector<double> levels;
        for (int tenth = 0; tenth < seconds * 10; ++tenth) {
            levels.push_back(plat::channelLevel(loopback.render(tenthOfASecond), 0));
            now += 0.1;
            egret::SoundSystem::instance().update();
            ambient.update(true, 0.0);
        }
        return levels;
    }

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

    plat::LoopbackAudio loopback;
    heron::counted_ptr<Look> world;
};

}

TEST_F(DemoMusicTest, FirstLevelsAmbientSongSoundsForAMinute)
{
    Level& shallows = *world->levels().front();
    Soundtracks ambient;
    ambient.play(&zoneNamed(shallows, "Shallows").ambientSong, 0.0);
    // The first second goes to filling the stream ahead of the device.
    render(1, ambient);
    EXPECT_EQ(silentSeconds(render(60, ambient)), 0);
    ambient.stop();
}
