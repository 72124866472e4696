#include "game/AvatarObjects.h"
#include "game/LookFixture.h"

#include <cmath>

namespace
{

const char* const avatarZones = R"(Level "Sea" {
    isStartupLevel 1
    Zone "Ann" {
        isAnAvatar 1
        seizeObject 1
        radius 5
    }
    Zone "Bob" {
        isAnAvatar 1
        radius 5
    }
    Zone "Plain" {
        radius 5
    }
}
Level "Sky" {
}
)";

// Ann's avatar at the origin, Bob's at x = 4, and a zone that is no avatar with an object too.
class AvatarSlotTest : public LookTest
{
protected:
    void SetUp() override
    {
        LookTest::SetUp();
        world = read(avatarZones);
        const auto& zones = world->levelNamed("Sea")->zones();
        zones[0]->object = objects.objects[0];
        zones[1]->object = objects.objects[1];
        zones[2]->object = plain.objects[0];
        world->avatars().buildAvatarSlots(*world);
    }

    AvatarSlot& ann() { return world->avatars()[0]; }
    AvatarSlot& bob() { return world->avatars()[1]; }

    AvatarObjects objects{4.0};
    AvatarObjects plain;
    heron::counted_ptr<Look> world;
};

}

TEST_F(AvatarSlotTest, SlotsAreTheAvatarZonesWithObjectsInOrder)
{
    const AvatarSlots& slots = world->avatars();
    ASSERT_EQ(slots.size(), 2u);
    EXPECT_EQ(ann().name(), "/objects/ann$0");
    EXPECT_EQ(bob().index(), 1);
    EXPECT_EQ(slots.named("/objects/bob$0"), &bob());
    EXPECT_EQ(slots.at(2), nullptr);
    EXPECT_FALSE(ann().zone().seizeObject);
    // A world whose avatar zones have no objects has no slots.
    EXPECT_TRUE(read(avatarZones, "bare.look")->avatars().empty());
}

TEST_F(AvatarSlotTest, NearestAvatarIsTheFirstOfTheFreeOnesInReach)
{
    const struct
    {
        const char* what;
        double x;
        void (*change)(AvatarSlot& ann, Level* sky);
        int expected; // -1: none
    } cases[] = {
        {"equal distances", 2.0, [](AvatarSlot&, Level*) {}, 0},
        {"nearer", 3.0, [](AvatarSlot&, Level*) {}, 1},
        {"out of reach", 20.0, [](AvatarSlot&, Level*) {}, -1},
        {"unavailable", 2.0, [](AvatarSlot& a, Level*) { a.setAvailable(false); }, 1},
        {"held here", 2.0, [](AvatarSlot& a, Level*) { a.markTaken(); }, 1},
        {"on another level", 2.0, [](AvatarSlot& a, Level* sky) { a.setLevel(sky); }, 1},
    };
    for (const auto& each : cases) {
        world->avatars().resetAvatarSlots();
        each.change(ann(), world->levelNamed("Sky"));
        AvatarSlot* const found = world->avatars().nearestAvatar(world->levelNamed("Sea"), {each.x, 0.0, 0.0});
        EXPECT_EQ(found, each.expected < 0 ? nullptr : &world->avatars()[std::size_t(each.expected)]) << each.what;
    }
}

TEST_F(AvatarSlotTest, AvatarShowsOnlyOnTheViewersLevelWhenNotHeld)
{
    ann().markTaken();
    bob().setLevel(world->levelNamed("Sky"));
    AvatarSlot other(*world, *world->levelNamed("Sea"), *world->levelNamed("Sea")->zones()[2], 2);
    for (AvatarSlot* slot : {&ann(), &bob(), &other}) {
        slot->updateVisibility();
    }
    EXPECT_FALSE(ann().isVisible());
    EXPECT_FALSE(ann().object().isActive());
    EXPECT_FALSE(bob().isVisible());
    EXPECT_TRUE(other.isVisible());
    EXPECT_TRUE(other.object().isActive());
}

TEST_F(AvatarSlotTest, SamplePlacesTheAvatarAtItsHomeScale)
{
    finch::Matrix doubled;
    doubled.setTranslation({0.0, 0.0, 0.0});
    doubled.preScale({2.0, 2.0, 2.0});
    objects.objects[0]->setTransform(doubled);
    world->avatars().buildAvatarSlots(*world);
    const MotionSample sample{0, 0.0f, 1.0f, 2.0f, 3.0f, 10.0f, 20.0f, 30.0f};
    ann().placeFromSample(sample);
    const finch::Transform placed = ann().object().transform().getTransform();
    EXPECT_NEAR(placed.scale.x, 2.0, 1e-9);
    const MotionSample back = ann().sample();
    for (auto [got, want] : {std::pair{back.x, 1.0f}, {back.y, 2.0f}, {back.z, 3.0f}, {back.roll, 10.0f},
                             {back.pitch, 20.0f}, {back.heading, 30.0f}}) {
        EXPECT_NEAR(got, want, 1e-4);
    }
    ann().reset();
    EXPECT_NEAR(objectPosition(ann().object()).x, 0.0, 1e-9);
}
