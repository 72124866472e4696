#include "launcher/ProgramIcon.h"

#include <gtest/gtest.h>

namespace game_launcher
{
namespace
{

TEST(ProgramIconTest, IconIsAnOpaqueDiscOnTransparentCorners)
{
    const kestrel::Image icon = programIcon();
    ASSERT_EQ(icon.width(), 48);
    ASSERT_EQ(icon.height(), 48);
    const struct
    {
        int x;
        int y;
        std::uint32_t alpha;
    } points[] = {{0, 0, 0}, {47, 0, 0}, {0, 47, 0}, {47, 47, 0}, {24, 24, 0xFF}, {24, 2, 0xFF}, {2, 24, 0xFF}};
    for (const auto& p : points) {
        EXPECT_EQ(*icon.pixelAt(p.x, p.y) >> 24, p.alpha) << p.x << ", " << p.y;
    }
}

}
}
