#include "platform/EventTranslator.h"

#include "platform/Windows1252.h"

#include <cstring>
#include <string_view>
#include <utility>

namespace plat
{

namespace
{

struct KeyPair
{
    SDL_Keycode sdl;
    int code;
};

constexpr KeyPair specialKeys[] = {
    {SDLK_TAB, keys::tab},           {SDLK_RETURN, keys::enter},      {SDLK_KP_ENTER, keys::enter},
    {SDLK_ESCAPE, keys::escape},     {SDLK_BACKSPACE, keys::backspace}, {SDLK_INSERT, keys::insert},
    {SDLK_DELETE, keys::deleteKey},  {SDLK_HOME, keys::home},         {SDLK_END, keys::end},
    {SDLK_PAGEUP, keys::pageUp},     {SDLK_PAGEDOWN, keys::pageDown}, {SDLK_LEFT, keys::left},
    {SDLK_RIGHT, keys::right},       {SDLK_UP, keys::up},             {SDLK_DOWN, keys::down},
    {SDLK_F1, keys::f1},             {SDLK_F2, keys::f1 + 1},         {SDLK_F3, keys::f1 + 2},
    {SDLK_F4, keys::f1 + 3},         {SDLK_F5, keys::f1 + 4},         {SDLK_F6, keys::f1 + 5},
    {SDLK_F7, keys::f1 + 6},         {SDLK_F8, keys::f1 + 7},         {SDLK_F9, keys::f1 + 8},
    {SDLK_F10, keys::f10},           {SDLK_F11, keys::f1 + 10},       {SDLK_F12, keys::f12},
};

// With Num Lock off the keypad moves the cursor; with it on, its digits arrive as text.
constexpr KeyPair keypadNavigation[] = {
    {SDLK_KP_4, keys::left},   {SDLK_KP_6, keys::right},    {SDLK_KP_8, keys::up},      {SDLK_KP_2, keys::down},
    {SDLK_KP_0, keys::insert}, {SDLK_KP_PERIOD, keys::deleteKey}, {SDLK_KP_7, keys::home}, {SDLK_KP_1, keys::end},
    {SDLK_KP_9, keys::pageUp}, {SDLK_KP_3, keys::pageDown},
};

template <std::size_t N>
int codeIn(const KeyPair (&table)[N], SDL_Keycode key)
{
    for (const KeyPair& pair : table) {
        if (pair.sdl == key) {
            return pair.code;
        }
    }
    return 0;
}

bool isAltKey(SDL_Keycode key)
{
    return key == SDLK_LALT || key == SDLK_RALT;
}

// The code an Alt combination carries: F1..F12, a lower-case letter or a digit; 0 for none.
int altCombinationCode(SDL_Keycode key)
{
    if (key >= SDLK_F1 && key <= SDLK_F12) {
        return specialKeyCode(key);
    }
    if ((key >= SDLK_a && key <= SDLK_z) || (key >= SDLK_0 && key <= SDLK_9)) {
        return static_cast<int>(key);
    }
    return 0;
}

void readButtons(Uint32 buttons, InputState& state)
{
    state.left = (buttons & SDL_BUTTON_LMASK) != 0;
    state.middle = (buttons & SDL_BUTTON_MMASK) != 0;
    state.right = (buttons & SDL_BUTTON_RMASK) != 0;
}

void readModifiers(Uint16 modifiers, InputState& state)
{
    state.leftShift = (modifiers & KMOD_LSHIFT) != 0;
    state.rightShift = (modifiers & KMOD_RSHIFT) != 0;
    state.leftControl = (modifiers & KMOD_LCTRL) != 0;
    state.rightControl = (modifiers & KMOD_RCTRL) != 0;
    state.alt = (modifiers & KMOD_ALT) != 0;
}

void setButton(Uint8 button, bool pressed, InputState& state)
{
    switch (button) {
    case SDL_BUTTON_LEFT:
        state.left = pressed;
        return;
    case SDL_BUTTON_MIDDLE:
        state.middle = pressed;
        return;
    case SDL_BUTTON_RIGHT:
        state.right = pressed;
        return;
    default:
        return;
    }
}

InputEvent makeEvent(InputKind kind, WindowId window, const InputState& state)
{
    InputEvent event;
    event.kind = kind;
    event.window = window;
    event.state = state;
    return event;
}

}

int specialKeyCode(SDL_Keycode key)
{
    return codeIn(specialKeys, key);
}

InputState heldState(Uint32 buttons, Uint16 modifiers)
{
    InputState state;
    readButtons(buttons, state);
    readModifiers(modifiers, state);
    return state;
}

InputState heldAfter(const SDL_Event& event, const InputState& before)
{
    InputState held = before;
    switch (event.type) {
    case SDL_MOUSEMOTION:
        readButtons(event.motion.state, held);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        setButton(event.button.button, event.type == SDL_MOUSEBUTTONDOWN, held);
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        readModifiers(event.key.keysym.mod, held);
        break;
    default:
        break;
    }
    return held;
}

EventTranslator::EventTranslator(HeightOf heightOf)
    : heightOf(std::move(heightOf))
{
}

void EventTranslator::translate(const SDL_Event& event, const InputState& state, std::vector<InputEvent>& out)
{
    // Held keys wait for the text or the focus change that decides them.
    if (event.type != SDL_TEXTINPUT && event.type != SDL_WINDOWEVENT) {
        releaseHeldKeys(out);
    }
    switch (event.type) {
    case SDL_KEYDOWN:
        keyDown(event.key, state, out);
        return;
    case SDL_KEYUP:
        keyUp(event.key);
        return;
    case SDL_TEXTINPUT:
        text(event.text, state, out);
        return;
    case SDL_MOUSEMOTION:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    case SDL_MOUSEWHEEL:
        mouse(event, state, out);
        return;
    case SDL_WINDOWEVENT:
        windowEvent(event.window, out);
        return;
    case SDL_QUIT:
        out.push_back(makeEvent(InputKind::QuitRequest, 0, InputState()));
        return;
    default:
        return;
    }
}

void EventTranslator::keyDown(const SDL_KeyboardEvent& key, const InputState& state, std::vector<InputEvent>& out)
{
    const SDL_Keycode sym = key.keysym.sym;
    const bool alt = (key.keysym.mod & KMOD_ALT) != 0;
    const bool control = (key.keysym.mod & KMOD_CTRL) != 0;
    suppressText = false;
    if (isAltKey(sym)) {
        altAlone = true;
        return;
    }
    altAlone = false;
    InputEvent event = makeEvent(InputKind::Key, key.windowID, state);
    if (alt) {
        altCombination(sym, event, out);
        return;
    }
    event.key = specialKeyCode(sym);
    if (event.key == 0 && (key.keysym.mod & KMOD_NUM) == 0) {
        event.key = codeIn(keypadNavigation, sym);
    }
    if (event.key == 0 && control && sym >= SDLK_a && sym <= SDLK_z) {
        // SDL sends no text for Ctrl+letter: report it as its control character.
        event.key = static_cast<int>(sym - SDLK_a) + 1;
        suppressText = true;
    }
    if (event.key != 0) {
        out.push_back(event);
    }
}

void EventTranslator::altCombination(SDL_Keycode sym, InputEvent& event, std::vector<InputEvent>& out)
{
    event.kind = InputKind::AltKey;
    event.key = altCombinationCode(sym);
    if (event.key == 0 || (sym >= SDLK_F1 && sym <= SDLK_F12)) {
        // Alt+Space belongs to the window manager; function keys type no text.
        suppressText = true;
        if (event.key != 0) {
            out.push_back(event);
        }
        return;
    }
    // Right Alt is AltGr on many layouts, where it types a character of its own ('@', '{'): the
    // text that follows, if any, tells which it was.
    heldAltKey = event;
    altKeyHeld = true;
}

void EventTranslator::releaseHeldKeys(std::vector<InputEvent>& out)
{
    if (altKeyHeld) {
        altKeyHeld = false;
        out.push_back(heldAltKey);
    }
    if (loneAltHeld) {
        loneAltHeld = false;
        out.push_back(loneAltRelease);
    }
}

bool EventTranslator::typedOwnCharacter(const std::string& typed) const
{
    if (typed.size() != 1) {
        return !typed.empty();
    }
    if (heldAltKey.state.shift()) {
        return false;       // Alt+Shift+1 types '!' and is still Alt+1
    }
    const int character = static_cast<unsigned char>(typed[0]);
    const int lower = character >= 'A' && character <= 'Z' ? character - 'A' + 'a' : character;
    return lower != heldAltKey.key;
}

void EventTranslator::keyUp(const SDL_KeyboardEvent& key)
{
    if (!isAltKey(key.keysym.sym) || !altAlone) {
        return;
    }
    altAlone = false;
    loneAltRelease = makeEvent(InputKind::Key, key.windowID, InputState());
    loneAltRelease.key = keys::altAlone;
    loneAltRelease.readModifiers = false;
    loneAltHeld = true;
}

void EventTranslator::text(const SDL_TextInputEvent& text, const InputState& state, std::vector<InputEvent>& out)
{
    if (suppressText) {
        suppressText = false;
        return;
    }
    // SDL ends the text with a NUL inside its fixed buffer; never read past the buffer all the same.
    const std::string typed = utf8ToWindows1252(std::string_view(text.text, strnlen(text.text, sizeof text.text)));
    if (altKeyHeld) {
        altKeyHeld = false;
        if (!typedOwnCharacter(typed)) {
            out.push_back(heldAltKey);
            return;
        }
    }
    for (const char byte : typed) {
        InputEvent event = makeEvent(InputKind::Key, text.windowID, state);
        event.key = static_cast<unsigned char>(byte);
        out.push_back(event);
    }
}

void EventTranslator::mouse(const SDL_Event& sdl, const InputState& state, std::vector<InputEvent>& out)
{
    if (sdl.type == SDL_MOUSEWHEEL) {
        const int notches = sdl.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -sdl.wheel.y : sdl.wheel.y;
        if (notches == 0) {
            return;
        }
        InputEvent event = makeEvent(InputKind::Wheel, sdl.wheel.windowID, state);
        event.wheelDelta = notches * 120;
        out.push_back(event);
        return;
    }
    if (sdl.type == SDL_MOUSEMOTION) {
        InputEvent event = makeEvent(InputKind::MouseMove, sdl.motion.windowID, state);
        event.x = sdl.motion.x;
        event.y = flipY(event.window, sdl.motion.y);
        out.push_back(event);
        return;
    }
    const SDL_MouseButtonEvent& button = sdl.button;
    const InputKind kind = sdl.type == SDL_MOUSEBUTTONDOWN ? InputKind::ButtonPress : InputKind::ButtonRelease;
    InputEvent event = makeEvent(kind, button.windowID, state);
    event.x = button.x;
    event.y = flipY(event.window, button.y);
    switch (button.button) {
    case SDL_BUTTON_LEFT:
        event.button = MouseButton::Left;
        break;
    case SDL_BUTTON_MIDDLE:
        event.button = MouseButton::Middle;
        break;
    case SDL_BUTTON_RIGHT:
        event.button = MouseButton::Right;
        break;
    default:
        return;
    }
    out.push_back(event);
}

void EventTranslator::windowEvent(const SDL_WindowEvent& window, std::vector<InputEvent>& out)
{
    InputEvent event = makeEvent(InputKind::Exposed, window.windowID, InputState());
    switch (window.event) {
    case SDL_WINDOWEVENT_EXPOSED:
        out.push_back(event);
        return;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        event.kind = InputKind::Resized;
        event.width = window.data1;
        event.height = window.data2;
        out.push_back(event);
        return;
    case SDL_WINDOWEVENT_CLOSE:
        event.kind = InputKind::CloseRequest;
        out.push_back(event);
        return;
    case SDL_WINDOWEVENT_LEAVE:
        event.kind = InputKind::MouseLeft;
        out.push_back(event);
        return;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        focusChanged = true;
        return;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        // SDL releases the keys it saw held when the focus goes: an Alt released that way ended a
        // switch to another program (Alt+Tab), not a press of Alt alone.
        loneAltHeld = false;
        focusChanged = true;
        lastFocusLost = window.windowID;
        return;
    default:
        return;
    }
}

void EventTranslator::endBatch(WindowId focused, std::vector<InputEvent>& out)
{
    if (focused == 0) {
        loneAltHeld = false;
    }
    releaseHeldKeys(out);
    if (!focusChanged) {
        return;
    }
    focusChanged = false;
    const bool nowActive = focused != 0;
    if (nowActive == active) {
        return;     // the focus moved between our own windows
    }
    active = nowActive;
    const WindowId window = nowActive ? focused : lastFocusLost;
    out.push_back(makeEvent(nowActive ? InputKind::Activated : InputKind::Deactivated, window, InputState()));
}

int EventTranslator::flipY(WindowId window, int y) const
{
    return heightOf(window) - 1 - y;
}

}
