#include "platform/EventTranslator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

namespace
{

using plat::EventTranslator;
using plat::InputEvent;
using plat::InputKind;

constexpr plat::WindowId window = 7;
constexpr int windowHeight = 100;

SDL_Event keyEvent(Uint32 type, SDL_Keycode sym, Uint16 mod = KMOD_NONE)
{
    SDL_Event event = {};
    event.type = type;
    event.key.windowID = window;
    event.key.keysym.sym = sym;
    event.key.keysym.mod = mod;
    return event;
}

SDL_Event textEvent(const char* utf8)
{
    SDL_Event event = {};
    event.type = SDL_TEXTINPUT;
    event.text.windowID = window;
    SDL_strlcpy(event.text.text, utf8, sizeof event.text.text);
    return event;
}

SDL_Event windowEvent(Uint8 what, plat::WindowId id)
{
    SDL_Event event = {};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = id;
    event.window.event = what;
    return event;
}

class Translator : public ::testing::Test
{
protected:
    std::vector<InputEvent> feed(std::initializer_list<SDL_Event> events)
    {
        std::vector<InputEvent> out;
        for (const SDL_Event& event : events) {
            translator.translate(event, plat::InputState(), out);
        }
        return out;
    }

    EventTranslator translator{[](plat::WindowId) { return windowHeight; }};
};

TEST_F(Translator, SpecialKeysCarryTheToolkitCodes)
{
    const struct
    {
        SDL_Keycode sym;
        int code;
    } table[] = {
        {SDLK_BACKSPACE, 8}, {SDLK_TAB, 9},       {SDLK_RETURN, 13},  {SDLK_KP_ENTER, 13}, {SDLK_ESCAPE, 27},
        {SDLK_LEFT, 256},    {SDLK_RIGHT, 257},   {SDLK_UP, 258},     {SDLK_DOWN, 259},    {SDLK_INSERT, 260},
        {SDLK_DELETE, 261},  {SDLK_HOME, 262},    {SDLK_END, 263},    {SDLK_PAGEUP, 264},  {SDLK_PAGEDOWN, 265},
        {SDLK_F1, 266},      {SDLK_F10, 275},     {SDLK_F12, 277},
    };
    for (const auto& row : table) {
        const std::vector<InputEvent> out = feed({keyEvent(SDL_KEYDOWN, row.sym)});
        ASSERT_EQ(out.size(), 1u) << row.code;
        EXPECT_EQ(out[0].kind, InputKind::Key);
        EXPECT_EQ(out[0].key, row.code);
        EXPECT_EQ(out[0].window, window);
    }
    EXPECT_TRUE(feed({keyEvent(SDL_KEYDOWN, SDLK_a), keyEvent(SDL_KEYUP, SDLK_TAB)}).empty());
}

TEST_F(Translator, TheKeypadMovesWithNumLockOffAndTypesDigitsWithItOn)
{
    const struct
    {
        SDL_Keycode sym;
        int code;
    } table[] = {
        {SDLK_KP_4, 256}, {SDLK_KP_6, 257}, {SDLK_KP_8, 258}, {SDLK_KP_2, 259}, {SDLK_KP_0, 260},
        {SDLK_KP_PERIOD, 261}, {SDLK_KP_7, 262}, {SDLK_KP_1, 263}, {SDLK_KP_9, 264}, {SDLK_KP_3, 265},
    };
    for (const auto& row : table) {
        const std::vector<InputEvent> off = feed({keyEvent(SDL_KEYDOWN, row.sym)});
        ASSERT_EQ(off.size(), 1u) << row.code;
        EXPECT_EQ(off[0].key, row.code);
    }
    const std::vector<InputEvent> on = feed({keyEvent(SDL_KEYDOWN, SDLK_KP_4, KMOD_NUM), textEvent("4")});
    ASSERT_EQ(on.size(), 1u);
    EXPECT_EQ(on[0].key, '4');
}

TEST_F(Translator, ControlLettersBecomeControlCharactersAndTheirTextIsDropped)
{
    const std::vector<InputEvent> out = feed({keyEvent(SDL_KEYDOWN, SDLK_a, KMOD_LCTRL), textEvent("a"),
                                              keyEvent(SDL_KEYDOWN, SDLK_z, KMOD_RCTRL)});
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].key, 1);
    EXPECT_EQ(out[1].key, 26);
}

TEST_F(Translator, AltCombinationsAreSystemKeysAndALoneAltIsMinusOne)
{
    std::vector<InputEvent> out = feed({keyEvent(SDL_KEYDOWN, SDLK_LALT), keyEvent(SDL_KEYDOWN, SDLK_f, KMOD_LALT),
                                        textEvent("f"), keyEvent(SDL_KEYUP, SDLK_f, KMOD_LALT),
                                        keyEvent(SDL_KEYUP, SDLK_LALT)});
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].kind, InputKind::AltKey);
    EXPECT_EQ(out[0].key, 'f');

    out = feed({keyEvent(SDL_KEYDOWN, SDLK_F4, KMOD_LALT), keyEvent(SDL_KEYDOWN, SDLK_7, KMOD_RALT),
                keyEvent(SDL_KEYDOWN, SDLK_SPACE, KMOD_LALT), textEvent(" ")});
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].key, 269);
    EXPECT_EQ(out[1].key, '7');

    out = feed({keyEvent(SDL_KEYDOWN, SDLK_RALT), keyEvent(SDL_KEYUP, SDLK_RALT)});
    translator.endBatch(window, out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].kind, InputKind::Key);
    EXPECT_EQ(out[0].key, -1);
    EXPECT_FALSE(out[0].readModifiers);
}

TEST_F(Translator, AltGrTypesItsCharacterWhileAltWithTheKeysOwnTextStaysACombination)
{
    const struct
    {
        SDL_Keycode sym;
        const char* text;       // null: no text follows
        bool shift;
        InputKind kind;
        int key;
    } cases[] = {
        {SDLK_q, "@", false, InputKind::Key, '@'},
        {SDLK_e, "\xE2\x82\xAC", false, InputKind::Key, 0x80},
        {SDLK_f, "F", true, InputKind::AltKey, 'f'},
        {SDLK_1, "!", true, InputKind::AltKey, '1'},
        {SDLK_g, nullptr, false, InputKind::AltKey, 'g'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sym);
        plat::InputState state;
        state.leftShift = c.shift;
        state.alt = true;
        std::vector<InputEvent> out;
        translator.translate(keyEvent(SDL_KEYDOWN, c.sym, KMOD_RALT), state, out);
        if (c.text) {
            translator.translate(textEvent(c.text), state, out);
        }
        translator.endBatch(window, out);
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0].kind, c.kind);
        EXPECT_EQ(out[0].key, c.key);
    }
}

TEST_F(Translator, AnAltCombinationWithoutTextIsReportedBeforeTheNextEvent)
{
    std::vector<InputEvent> out;
    translator.translate(keyEvent(SDL_KEYDOWN, SDLK_x, KMOD_LALT), plat::InputState(), out);
    EXPECT_TRUE(out.empty());
    translator.translate(keyEvent(SDL_KEYDOWN, SDLK_TAB), plat::InputState(), out);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].kind, InputKind::AltKey);
    EXPECT_EQ(out[0].key, 'x');
    EXPECT_EQ(out[1].key, plat::keys::tab);
}

TEST_F(Translator, AnAltReleasedAsTheFocusLeavesIsNoLoneAlt)
{
    // Alt+Tab to another program: SDL releases Alt as the focus goes.
    std::vector<InputEvent> out = feed({windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED, window)});
    translator.endBatch(window, out);
    out = feed({keyEvent(SDL_KEYDOWN, SDLK_LALT), keyEvent(SDL_KEYUP, SDLK_LALT),
                windowEvent(SDL_WINDOWEVENT_FOCUS_LOST, window)});
    translator.endBatch(0, out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].kind, InputKind::Deactivated);

    out = feed({keyEvent(SDL_KEYDOWN, SDLK_LALT), keyEvent(SDL_KEYUP, SDLK_LALT)});
    translator.endBatch(0, out);
    EXPECT_TRUE(out.empty());

    out = feed({keyEvent(SDL_KEYDOWN, SDLK_LALT), keyEvent(SDL_KEYUP, SDLK_LALT), keyEvent(SDL_KEYDOWN, SDLK_TAB)});
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].key, plat::keys::altAlone);
    EXPECT_EQ(out[1].key, plat::keys::tab);
}

TEST_F(Translator, AQuitFromTheSessionOrASignalIsAQuitRequest)
{
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    const std::vector<InputEvent> out = feed({quit});
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].kind, InputKind::QuitRequest);
    EXPECT_EQ(out[0].window, 0u);
}

TEST_F(Translator, TextArrivesAsWindows1252Bytes)
{
    const std::vector<InputEvent> out = feed({textEvent("a\xC3\xA9\xE2\x82\xAC")});
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].key, 'a');
    EXPECT_EQ(out[1].key, 0xE9);
    EXPECT_EQ(out[2].key, 0x80);

    SDL_Event full = textEvent("");
    std::fill(std::begin(full.text.text), std::end(full.text.text), 'x');
    EXPECT_EQ(feed({full}).size(), sizeof full.text.text);
}

TEST_F(Translator, MouseYCountsUpFromTheBottomRowAndWheelNotchesAre120)
{
    SDL_Event motion = {};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.windowID = window;
    motion.motion.x = 5;
    motion.motion.y = 0;
    SDL_Event press = {};
    press.type = SDL_MOUSEBUTTONDOWN;
    press.button.windowID = window;
    press.button.button = SDL_BUTTON_RIGHT;
    press.button.x = 3;
    press.button.y = windowHeight - 1;
    SDL_Event wheel = {};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.windowID = window;
    wheel.wheel.y = -2;
    const std::vector<InputEvent> out = feed({motion, press, wheel});
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].y, windowHeight - 1);
    EXPECT_EQ(out[1].kind, InputKind::ButtonPress);
    EXPECT_EQ(out[1].button, plat::MouseButton::Right);
    EXPECT_EQ(out[1].y, 0);
    EXPECT_EQ(out[2].wheelDelta, -240);
}

TEST_F(Translator, ActivationFollowsTheApplicationNotTheWindow)
{
    std::vector<InputEvent> out = feed({windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED, 1)});
    translator.endBatch(1, out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].kind, InputKind::Activated);

    out = feed({windowEvent(SDL_WINDOWEVENT_FOCUS_LOST, 1), windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED, 2)});
    translator.endBatch(2, out);
    EXPECT_TRUE(out.empty());

    out = feed({windowEvent(SDL_WINDOWEVENT_FOCUS_LOST, 2)});
    translator.endBatch(0, out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].kind, InputKind::Deactivated);
    EXPECT_EQ(out[0].window, 2u);
}

}
