// A world with more avatar zones than motion samples can number.
#include "game/AvatarObjects.h"
#include "game/LookFixture.h"

#include "support/LogCapture.h"

#include <string>

TEST_F(LookTest, AvatarsBeyondAByteOfIndicesAreLeftOut)
{
    constexpr int zoneCount = 300;
    std::string text = "Level \"Sea\" {\nisStartupLevel 1\n";
    for (int i = 0; i < zoneCount; ++i) {
        text += "Zone \"A" + std::to_string(i) + "\" {\nisAnAvatar 1\nradius 5\n}\n";
    }
    text += "}\n";
    const heron::counted_ptr<Look> world = read(text);
    AvatarObjects objects;
    for (const auto& zone : world->levels().front()->zones()) {
        zone->object = objects.objects[0];
    }
    const LogCapture log;
    world->avatars().buildAvatarSlots(*world);

    const AvatarSlots& slots = world->avatars();
    ASSERT_EQ(slots.size(), 256u);
    for (std::size_t i = 0; i < slots.size(); ++i) {
        ASSERT_EQ(slots[i].index(), i);
    }
    EXPECT_EQ(slots.at(256), nullptr);
    EXPECT_EQ(log.count("left out"), zoneCount - 256);
}
