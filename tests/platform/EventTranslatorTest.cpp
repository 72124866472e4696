#include "platform/EventTranslator.h"
#include "support/SdlEvents.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <utility>

namespace
{

using plat::EventTranslator;
using plat::InputEvent;
using plat::InputKind;
using Keys = std::vector<std::pair<InputKind, int>>;

constexpr plat::WindowId window = 7;
constexpr int windowHeight = 100;

SDL_Event down(SDL_Keycode sym, Uint16 mod = KMOD_NONE)
{
    return sdlevents::key(window, SDL_KEYDOWN, sym, mod);
}

SDL_Event up(SDL_Keycode sym, Uint16 mod = KMOD_NONE)
{
    return sdlevents::key(window, SDL_KEYUP, sym, mod);
}

SDL_Event textEvent(const char* utf8)
{
    return sdlevents::text(window, utf8);
}

SDL_Event windowEvent(Uint8 what, plat::WindowId id)
{
    return sdlevents::window(id, SDL_WindowEventID(what));
}

Keys keysOf(const std::vector<InputEvent>& events)
{
    Keys out;
    for (const InputEvent& event : events) {
        out.emplace_back(event.kind, event.key);
    }
    return out;
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

    // Feeds the events, ends the batch with the focus on `focused` and returns what came out.
    std::vector<InputEvent> batch(std::initializer_list<SDL_Event> events, plat::WindowId focused = window)
    {
        std::vector<InputEvent> out = feed(events);
        translator.endBatch(focused, out);
        return out;
    }

    EventTranslator translator{[](plat::WindowId) { return windowHeight; }};
};

TEST_F(Translator, SpecialKeysCarryTheToolkitCodesAndTheKeypadMovesWithNumLockOff)
{
    const struct
    {
        SDL_Keycode sym;
        int code;
    } table[] = {
        {SDLK_BACKSPACE, 8}, {SDLK_TAB, 9},         {SDLK_RETURN, 13},  {SDLK_KP_ENTER, 13}, {SDLK_ESCAPE, 27},
        {SDLK_LEFT, 256},    {SDLK_RIGHT, 257},     {SDLK_UP, 258},     {SDLK_DOWN, 259},    {SDLK_INSERT, 260},
        {SDLK_DELETE, 261},  {SDLK_HOME, 262},      {SDLK_END, 263},    {SDLK_PAGEUP, 264},  {SDLK_PAGEDOWN, 265},
        {SDLK_F1, 266},      {SDLK_F10, 275},       {SDLK_F12, 277},    {SDLK_KP_4, 256},    {SDLK_KP_6, 257},
        {SDLK_KP_8, 258},    {SDLK_KP_2, 259},      {SDLK_KP_0, 260},   {SDLK_KP_PERIOD, 261}, {SDLK_KP_7, 262},
        {SDLK_KP_1, 263},    {SDLK_KP_9, 264},      {SDLK_KP_3, 265},
    };
    for (const auto& row : table) {
        const std::vector<InputEvent> out = feed({down(row.sym)});
        ASSERT_EQ(keysOf(out), (Keys{{InputKind::Key, row.code}}));
        EXPECT_EQ(out[0].window, window);
    }
}

TEST_F(Translator, KeySequencesGiveTheirToolkitKeysAndAltGrTypesItsCharacter)
{
    const plat::InputState none;
    plat::InputState altGr;
    altGr.alt = true;
    plat::InputState altGrShift = altGr;
    altGrShift.leftShift = true;
    struct Case
    {
        const char* what;
        plat::InputState state;
        std::vector<SDL_Event> events;
        Keys expected;
    };
    const Case cases[] = {
        {"letters arrive as text and releases give nothing", none, {down(SDLK_a), up(SDLK_TAB)}, {}},
        {"the keypad types digits with Num Lock on", none, {down(SDLK_KP_4, KMOD_NUM), textEvent("4")},
         {{InputKind::Key, '4'}}},
        {"control letters become control characters and their text is dropped", none,
         {down(SDLK_a, KMOD_LCTRL), textEvent("a"), down(SDLK_z, KMOD_RCTRL)},
         {{InputKind::Key, 1}, {InputKind::Key, 26}}},
        {"an Alt combination is a system key", none,
         {down(SDLK_LALT), down(SDLK_f, KMOD_LALT), textEvent("f"), up(SDLK_f, KMOD_LALT), up(SDLK_LALT)},
         {{InputKind::AltKey, 'f'}}},
        {"Alt with a function key or a digit too, and the text of Alt+Space is dropped", none,
         {down(SDLK_F4, KMOD_LALT), down(SDLK_7, KMOD_RALT), down(SDLK_SPACE, KMOD_LALT), textEvent(" ")},
         {{InputKind::AltKey, 269}, {InputKind::AltKey, '7'}}},
        {"an Alt combination without text is reported before the next key", none,
         {down(SDLK_x, KMOD_LALT), down(SDLK_TAB)}, {{InputKind::AltKey, 'x'}, {InputKind::Key, plat::keys::tab}}},
        {"a lone Alt is -1", none, {down(SDLK_RALT), up(SDLK_RALT)}, {{InputKind::Key, plat::keys::altAlone}}},
        // The euro sign is 0x80 in Windows-1252.
        {"text arrives as Windows-1252 bytes", none, {textEvent("a\xC3\xA9\xE2\x82\xAC")},
         {{InputKind::Key, 'a'}, {InputKind::Key, 0xE9}, {InputKind::Key, 0x80}}},
        {"AltGr types its character", altGr, {down(SDLK_q, KMOD_RALT), textEvent("@")}, {{InputKind::Key, '@'}}},
        {"AltGr types the euro sign", altGr, {down(SDLK_e, KMOD_RALT), textEvent("\xE2\x82\xAC")},
         {{InputKind::Key, 0x80}}},
        {"Alt with the key's own shifted letter stays a combination", altGrShift,
         {down(SDLK_f, KMOD_RALT), textEvent("F")}, {{InputKind::AltKey, 'f'}}},
        {"Alt with the key's own shifted digit stays a combination", altGrShift,
         {down(SDLK_1, KMOD_RALT), textEvent("!")}, {{InputKind::AltKey, '1'}}},
        {"AltGr without text stays a combination", altGr, {down(SDLK_g, KMOD_RALT)}, {{InputKind::AltKey, 'g'}}},
    };
    for (const Case& c : cases) {
        EventTranslator fresh{[](plat::WindowId) { return windowHeight; }};
        std::vector<InputEvent> out;
        for (const SDL_Event& event : c.events) {
            fresh.translate(event, c.state, out);
        }
        fresh.endBatch(window, out);
        EXPECT_EQ(keysOf(out), c.expected) << c.what;
        EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](const InputEvent& e) {
            return e.readModifiers == (e.key != plat::keys::altAlone);
        })) << c.what;
    }
    // A full text buffer has no terminating zero.
    SDL_Event full = textEvent("");
    std::fill(std::begin(full.text.text), std::end(full.text.text), 'x');
    EXPECT_EQ(feed({full}).size(), sizeof full.text.text);
}

TEST_F(Translator, AnAltReleasedAsTheFocusLeavesIsNoLoneAlt)
{
    // Alt+Tab to another program: SDL releases Alt as the focus goes.
    batch({windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED, window)});
    const std::vector<InputEvent> out =
        batch({down(SDLK_LALT), up(SDLK_LALT), windowEvent(SDL_WINDOWEVENT_FOCUS_LOST, window)}, 0);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].kind, InputKind::Deactivated);
    EXPECT_TRUE(batch({down(SDLK_LALT), up(SDLK_LALT)}, 0).empty());
    EXPECT_EQ(keysOf(feed({down(SDLK_LALT), up(SDLK_LALT), down(SDLK_TAB)})),
              (Keys{{InputKind::Key, plat::keys::altAlone}, {InputKind::Key, plat::keys::tab}}));
}

TEST_F(Translator, ActivationFollowsTheApplicationNotTheWindowAndAQuitIsAQuitRequest)
{
    EXPECT_EQ(keysOf(batch({windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED, 1)}, 1)), (Keys{{InputKind::Activated, 0}}));
    EXPECT_TRUE(
        batch({windowEvent(SDL_WINDOWEVENT_FOCUS_LOST, 1), windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED, 2)}, 2).empty());
    const std::vector<InputEvent> lost = batch({windowEvent(SDL_WINDOWEVENT_FOCUS_LOST, 2)}, 0);
    ASSERT_EQ(lost.size(), 1u);
    EXPECT_EQ(std::pair(lost[0].kind, lost[0].window), std::pair(InputKind::Deactivated, plat::WindowId{2}));

    const std::vector<InputEvent> out = feed({SDL_Event{.type = SDL_QUIT}});
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(std::pair(out[0].kind, out[0].window), std::pair(InputKind::QuitRequest, plat::WindowId{0}));
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
    EXPECT_EQ(std::tuple(out[0].y, out[1].kind, out[1].button, out[1].y, out[2].wheelDelta),
              std::tuple(windowHeight - 1, InputKind::ButtonPress, plat::MouseButton::Right, 0, -240));
}

}
