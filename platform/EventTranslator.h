#pragma once

#include "platform/Backend.h"
#include "platform/KeyCodes.h"

#include <SDL.h>

#include <functional>
#include <string>
#include <vector>

namespace plat
{

// The toolkit code of a special key, 0 for keys that arrive as text or not at all.
int specialKeyCode(SDL_Keycode key);

// What SDL's button mask and modifier bits say is held.
InputState heldState(Uint32 buttons, Uint16 modifiers);
// What is held once the event has happened, given what was held just before it: a mouse motion
// tells the buttons held as it happened, a button event presses or releases its own button, and a
// key event tells the modifiers held with it. SDL's own state runs ahead of the events still
// waiting in its queue, so each event's state is worked out from the events themselves.
InputState heldAfter(const SDL_Event& event, const InputState& before);

// Turns SDL events into toolkit input events. Keeps the state that spans events: a lone Alt,
// text to drop after a key that was already reported, and whether the application is active.
class EventTranslator
{
public:
    // Client height of a window, to turn SDL's top-down y into the toolkit's bottom-up y.
    using HeightOf = std::function<int(WindowId)>;

    explicit EventTranslator(HeightOf heightOf);

    // Appends the input events that one SDL event gives; `state` is what is held now.
    void translate(const SDL_Event& event, const InputState& state, std::vector<InputEvent>& out);
    // After a batch of SDL events: reports the keys still held back, then activation or
    // deactivation when the application as a whole gained or lost the focus. `focused` is the
    // window that has the keyboard now (0: none).
    void endBatch(WindowId focused, std::vector<InputEvent>& out);

private:
    void keyDown(const SDL_KeyboardEvent& key, const InputState& state, std::vector<InputEvent>& out);
    void altCombination(SDL_Keycode sym, InputEvent& event, std::vector<InputEvent>& out);
    void releaseHeldKeys(std::vector<InputEvent>& out);
    // Whether the text an Alt combination typed is a character of its own (AltGr), not its key's.
    bool typedOwnCharacter(const std::string& typed) const;
    void keyUp(const SDL_KeyboardEvent& key);
    void text(const SDL_TextInputEvent& text, const InputState& state, std::vector<InputEvent>& out);
    void mouse(const SDL_Event& event, const InputState& state, std::vector<InputEvent>& out);
    void windowEvent(const SDL_WindowEvent& window, std::vector<InputEvent>& out);
    int flipY(WindowId window, int y) const;

    HeightOf heightOf;
    bool altAlone = false;
    InputEvent heldAltKey;          // an Alt+letter or Alt+digit waiting for the text it may type
    bool altKeyHeld = false;
    InputEvent loneAltRelease;      // Alt released alone, unless the focus leaves with it
    bool loneAltHeld = false;
    bool suppressText = false;
    bool active = false;
    bool focusChanged = false;
    WindowId lastFocusLost = 0;
};

}
