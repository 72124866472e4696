#include "game/LookFixture.h"

#include "game/FlashMessage.h"
#include "net/NetworkSettings.h"
#include "game/OverlayConsole.h"
#include "gui/toolkit/Event.h"
#include "support/LogCapture.h"

#include <string>

namespace
{

using kestrel::Event;
namespace keys = kestrel::keycodes;

class OverlayConsoleTest : public LookTest
{
protected:
    void SetUp() override
    {
        LookTest::SetUp();
        OverlayConsole::reset();
        NetworkSettings::userName = "Ann";
        NetworkSettings::userColor = 0x00FF00;
    }
    void TearDown() override
    {
        OverlayConsole::reset();
        setCurrentLook(heron::counted_ptr<Look>());
        Look::collectAll = false;
        LookTest::TearDown();
    }

    static bool press(int key)
    {
        Event event(Event::Key);
        event.key = key;
        return OverlayConsole::handleKey(event);
    }
    static void type(const std::string& text)
    {
        for (const char c : text) {
            press(static_cast<unsigned char>(c));
        }
    }
    // Opens typing, types the line and sends it.
    static void say(const std::string& text)
    {
        press('m');
        type(text);
        press(keys::enter);
    }

    Look& world(const char* text)
    {
        setCurrentLook(read(text));
        return *currentLook();
    }
};

const char* const ringWorld = R"(Data {
    counter "rings" {
        isRing 1
    }
}
Level "Sea" {
    Zone "Bay" {
        radius 10
    }
}
)";

}

TEST_F(OverlayConsoleTest, MOpensTheConsoleAndStartsTypingWithoutTypingItsLetter)
{
    EXPECT_TRUE(press('m'));
    EXPECT_TRUE(OverlayConsole::isOpen());
    EXPECT_TRUE(OverlayConsole::isTyping());
    EXPECT_EQ(OverlayConsole::typedText(), "");
    type("hi");
    EXPECT_EQ(OverlayConsole::typedText(), "hi");
}

TEST_F(OverlayConsoleTest, KeysAreSwallowedWhileTypingWithTheConsoleClosed)
{
    press('m');
    EXPECT_TRUE(press(keys::tab));
    EXPECT_FALSE(OverlayConsole::isOpen());
    EXPECT_TRUE(press('x'));
    EXPECT_TRUE(press(keys::f1));
    EXPECT_EQ(OverlayConsole::typedText(), "");
    press(keys::tab);
    type("y");
    EXPECT_EQ(OverlayConsole::typedText(), "y");
}

TEST_F(OverlayConsoleTest, KeysReachTheFlightWhileNotTyping)
{
    const int keysForFlight[] = {'g', '1', keys::escape, keys::f1, keys::enter};
    for (const int key : keysForFlight) {
        EXPECT_FALSE(press(key)) << key;
    }
    press(keys::tab);
    for (const int key : keysForFlight) {
        EXPECT_FALSE(press(key)) << key;
    }
}

TEST_F(OverlayConsoleTest, EscapeClearsTheTextThenEndsTyping)
{
    press('m');
    type("abc");
    press(keys::escape);
    EXPECT_TRUE(OverlayConsole::isTyping());
    EXPECT_EQ(OverlayConsole::typedText(), "");
    press(keys::escape);
    EXPECT_FALSE(OverlayConsole::isTyping());
    EXPECT_TRUE(OverlayConsole::isOpen());
}

TEST_F(OverlayConsoleTest, AnEnteredLineBecomesAChatLineInTheUsersColour)
{
    say("hello");
    const ConsoleLine& line = OverlayConsole::line(0);
    EXPECT_EQ(line.text, "[Ann] hello");
    ASSERT_EQ(line.colours.size(), 11u);
    EXPECT_EQ(line.colours[0], 0x00FF00u);
    EXPECT_EQ(line.colours[5], 0x00FF00u);
    EXPECT_EQ(line.colours[6], 0xFFFFFFu);
    EXPECT_FALSE(OverlayConsole::isTyping());
    EXPECT_EQ(OverlayConsole::typedText(), "");
}

TEST_F(OverlayConsoleTest, AnUnknownCommandIsSentAsChat)
{
    say("=dance");
    EXPECT_EQ(OverlayConsole::line(0).text, "[Ann] =dance");
}

TEST_F(OverlayConsoleTest, FidgetTogglesTheCollectAllOverrideWithoutAChatLine)
{
    say("=fidget");
    EXPECT_TRUE(Look::collectAll);
    EXPECT_EQ(OverlayConsole::line(0).text, "");
    say("=fidget");
    EXPECT_FALSE(Look::collectAll);
}

TEST_F(OverlayConsoleTest, RingCommandsSetTheRingCounterSize)
{
    Look& look = world(ringWorld);
    Counter& rings = *look.ringCounter();
    rings.collected.assign(7, nullptr);
    const struct
    {
        const char* command;
        std::size_t size;
    } cases[] = {{"=ruk4", 6}, {"=ruk5", 8}, {"=ruk4", 6}};
    for (const auto& c : cases) {
        say(c.command);
        EXPECT_EQ(rings.count(), c.size) << c.command;
    }
}

TEST_F(OverlayConsoleTest, RingCommandsWithoutARingCounterChangeNothing)
{
    world("Level \"Sea\" {\n}\n");
    say("=ruk5");
    EXPECT_EQ(OverlayConsole::line(0).text, "");
    EXPECT_FALSE(OverlayConsole::isTyping());
}

TEST_F(OverlayConsoleTest, TheNinthLinePushesOutTheOldest)
{
    for (int i = 0; i < 9; ++i) {
        OverlayConsole::showMessage(heron_string(std::to_string(i).c_str()), {});
    }
    EXPECT_EQ(OverlayConsole::line(0).text, "8");
    EXPECT_EQ(OverlayConsole::line(7).text, "1");
}

TEST_F(OverlayConsoleTest, ColoursNotOnePerCharacterAreDropped)
{
    const struct
    {
        std::size_t colours;
        std::size_t kept;
    } cases[] = {{3, 3}, {2, 0}, {1000, 0}, {0, 0}};
    for (const auto& c : cases) {
        OverlayConsole::showMessage("abc", std::vector<std::uint32_t>(c.colours, 0x123456));
        EXPECT_EQ(OverlayConsole::line(0).colours.size(), c.kept) << c.colours;
    }
}

TEST_F(OverlayConsoleTest, ADoublePercentMessageBecomesTheFlash)
{
    Look& look = world(ringWorld);
    LogCapture log;
    OverlayConsole::showMessage("%%Ann is the Maestro!", {});
    ASSERT_NE(look.flash(), nullptr);
    EXPECT_EQ(look.flash()->text(), "Ann is the Maestro!");
    EXPECT_TRUE(log.contains("Flash \"%%Ann is the Maestro!\""));
    EXPECT_EQ(OverlayConsole::line(0).text, "");
}
