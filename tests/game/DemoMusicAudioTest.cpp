// The demo world's music as OpenAL mixes it: the first level's ambient song rendered on the
// loopback device.
#include "game/DemoAudioFixture.h"

#include "music/Soundtracks.h"

#include <algorithm>
#include <cstddef>
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
};

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
