#include "game/Listener.h"

#include <gtest/gtest.h>

TEST(ListenerTest, ListenerFollowsTheViewAndItsMotion)
{
    struct Frame
    {
        finch::Vector3d eye;
        double heading;
        double dt;
        egret::SoundVector velocity;
        egret::SoundVector front;
    };
    // The first placing has no motion; a frame of no time keeps the motion of before.
    const Frame frames[] = {
        {{10, 0, 0}, 0.0, 0.1, {0, 0, 0}, {0, 1, 0}},
        {{10, 2, 0}, 0.0, 0.1, {0, 20, 0}, {0, 1, 0}},
        {{10, 2, 1}, 90.0, 0.0, {0, 20, 0}, {-1, 0, 0}},
        {{10, 2, 2}, 90.0, 0.5, {0, 0, 2}, {-1, 0, 0}},
    };
    finch::Viewer view;
    std::optional<finch::Vector3d> lastEye;
    finch::Vector3d velocity;
    for (const Frame& f : frames) {
        SCOPED_TRACE(f.eye.z);
        view.setTransform(finch::Transform{f.eye, 0.0, 0.0, f.heading});
        const egret::Placement placed = listenerAt(view, f.dt, lastEye, velocity);
        EXPECT_FLOAT_EQ(placed.position.x, static_cast<float>(f.eye.x));
        EXPECT_FLOAT_EQ(placed.position.y, static_cast<float>(f.eye.y));
        EXPECT_FLOAT_EQ(placed.position.z, static_cast<float>(f.eye.z));
        EXPECT_NEAR(placed.velocity.x, f.velocity.x, 1e-4);
        EXPECT_NEAR(placed.velocity.y, f.velocity.y, 1e-4);
        EXPECT_NEAR(placed.velocity.z, f.velocity.z, 1e-4);
        EXPECT_NEAR(placed.front.x, f.front.x, 1e-6);
        EXPECT_NEAR(placed.front.y, f.front.y, 1e-6);
        EXPECT_NEAR(placed.top.z, 1.0f, 1e-6);
    }
}
