// A ring passed between two players of the demo world over loopback: one holds a glider, the other
// takes a ring and throws it through the glider; the ring reaches the holder, whose game chimes.
// The program's sound system plays on a fake device that keeps what each voice was given.
#include "game/DemoNetFixture.h"

#include "base/ByteBuffer.h"
#include "content/SoundCache.h"
#include "content/world/PelicanDB.h"
#include "content/world/PelicanObject.h"
#include "game/Counter.h"
#include "game/flight/Rock.h"
#include "game/Zone.h"
#include "gui/toolkit/Event.h"
#include "sound/SoundEnvironment.h"
#include "sound/SoundFormat.h"
#include "sound/SoundSystem.h"
#include "support/FakeAudio.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace
{

// The launcher's effect voices.
constexpr int effectVoices = 6;

// The device outlives the program's sound system, which lasts to the end of the program.
plat::FakeAudio& device()
{
    static plat::FakeAudio audio;
    return audio;
}

class DemoRingTest : public DemoNetTest
{
protected:
    void SetUp() override
    {
        device();
        egret::SoundSystem& sound = egret::SoundSystem::instance();
        ASSERT_TRUE(sound.initialize(nullptr));
        sound.setThreadModel(0);
        firstVoice = device().bufferCount();
        egret::SoundEnvironment::instance().allocateChannels(egret::ChannelKind::Effect, effectVoices, egret::stereo16Format);
        // The voices take their buffers on the device at the first pass.
        sound.update();
        ASSERT_EQ(device().bufferCount(), firstVoice + effectVoices);
        DemoNetTest::SetUp();
    }

    // The effect voices started so far, in the order they were made.
    std::vector<plat::FakeAudio::Buffer> startedVoices() const
    {
        std::vector<plat::FakeAudio::Buffer> started;
        for (int i = firstVoice; i < firstVoice + effectVoices; ++i) {
            plat::FakeAudio::Buffer voice = device().buffer(i);
            if (voice.starts > 0) {
                started.push_back(std::move(voice));
            }
        }
        return started;
    }

    // Whether a voice was given the chime of a caught ring, from its start.
    static bool holdsTheChime(const plat::FakeAudio::Buffer& voice)
    {
        const heron::counted_ptr<heron::ByteBuffer> chime = egret::readAllSamples(pelican::getSound("sounds\\chime.wav"));
        const std::size_t compared = std::min<std::size_t>(4096, voice.ring.size());
        return chime && chime->size() >= compared && std::equal(voice.ring.begin(), voice.ring.begin() + compared, chime->data());
    }

    // The world's player flies into the lighthouse ring and takes it.
    bool takeARing(Look& world)
    {
        Zone& ring = zoneNamed(*world.currentLevel(), "Ring");
        world.logic().teleport(finch::Transform{ring.position()});
        return until([&] { return world.ringCounter()->count() == 1; });
    }

    // The thrower, twelve units behind the glider as it sees it, throws its ring with r; only the
    // thrower's frames run while the ring flies, since the program's one list of rocks serves a
    // program that plays one world. True once the ring has flown out.
    bool throwThrough(Look& thrower, const AvatarSlot& glider)
    {
        thrower.logic().teleport(finch::Transform{objectPosition(glider.object()) - finch::Vector3d(0, 12, 0)});
        frame();
        kestrel::Event r(kestrel::Event::Key);
        r.key = 'r';
        thrower.logic().flight()->handleEvent(r);
        if (rockList().size() != 1) {
            return false;
        }
        for (int i = 0; i < 600 && rockList().size() > 0; ++i) {
            m_now += 1.0 / 60.0;
            networkSeconds() += 1.0 / 60.0;
            m_clock.frame(m_now);
            thrower.logic().update();
        }
        return rockList().size() == 0;
    }

    int firstVoice = 0;
};

}

TEST_F(DemoRingTest, RingThrownThroughAHeldGliderReachesTheHolderWithAChime)
{
    AvatarSlot& glider = client->avatars()[2];
    comeUpTo(*client, glider);
    ASSERT_TRUE(until([&] { return client->logic().heldAvatar() == &glider && !server->avatars()[2].isAvailable(); }));
    ASSERT_TRUE(takeARing(*server));
    const std::size_t before = startedVoices().size();

    ASSERT_TRUE(throwThrough(*server, server->avatars()[2]));
    // The thrower's ring is gone, back to its place, and rang out; the throw has its own sound.
    EXPECT_EQ(server->ringCounter()->count(), 0u);
    EXPECT_TRUE(zoneNamed(*server->currentLevel(), "Ring").object->isActive());
    ASSERT_EQ(startedVoices().size(), before + 2);
    EXPECT_TRUE(holdsTheChime(startedVoices().back()));

    ASSERT_TRUE(until([&] { return client->ringCounter()->count() == 1; }));
    // The holder's display has the ring's shape to draw, and its own chime has started.
    EXPECT_NE(client->database()->ringCounterObject(), nullptr);
    ASSERT_EQ(startedVoices().size(), before + 3);
    EXPECT_TRUE(holdsTheChime(startedVoices().back()));
}
