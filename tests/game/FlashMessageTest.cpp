#include "game/LookFixture.h"

#include "game/FlashMessage.h"

namespace
{

class FlashMessageTest : public LookTest
{
protected:
    heron::counted_ptr<Look> m_world = read("Level \"Sea\" {\n}\n");
};

}

TEST_F(FlashMessageTest, ALeadingPercentTakesTheNextCharacterAlong)
{
    const struct
    {
        const char* given;
        const char* shown;
    } cases[] = {{"%%Bo is the Maestro!", "Bo is the Maestro!"}, {"%xyz", "yz"}, {"%", ""}, {"plain", "plain"}};
    for (const auto& c : cases) {
        m_world->setFlash(c.given, 5.0);
        ASSERT_NE(m_world->flash(), nullptr);
        EXPECT_EQ(m_world->flash()->text(), c.shown) << c.given;
    }
}

TEST_F(FlashMessageTest, ASecondFlashRestartsTheClock)
{
    m_world->setFlash("one", 5.0);
    m_clock.frame(103.0);
    m_world->setFlash("two", 5.0);
    EXPECT_EQ(m_world->flash()->text(), "two");
    EXPECT_DOUBLE_EQ(m_world->flash()->startTime(), 103.0);
}

TEST_F(FlashMessageTest, TheTextSwingsAndPulsesWithinItsBounds)
{
    double lowAngle = 0.0, highAngle = 0.0, lowScale = 10.0, highScale = 0.0;
    for (double t = 0.0; t < 20.0; t += 0.01) {
        lowAngle = std::min(lowAngle, FlashMessage::angleAt(t));
        highAngle = std::max(highAngle, FlashMessage::angleAt(t));
        lowScale = std::min(lowScale, FlashMessage::scaleAt(t));
        highScale = std::max(highScale, FlashMessage::scaleAt(t));
    }
    EXPECT_NEAR(lowAngle, -10.0, 1e-3);
    EXPECT_NEAR(highAngle, 10.0, 1e-3);
    EXPECT_NEAR(lowScale, 0.5, 1e-3);
    EXPECT_NEAR(highScale, 2.5, 1e-3);
}

TEST_F(FlashMessageTest, RandomColoursAreOpaque)
{
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(randomColour() >> 24, 0xFFu);
    }
}
