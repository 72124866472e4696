#pragma once

#include "base/heron_string.h"

#include <cstdint>
#include <vector>

class Look;

namespace kestrel
{
class ImageBody;
struct Event;
}

// One line of the console: its text, one 0xRRGGBB colour per character (or none: white) and the
// base-clock time it was added.
struct ConsoleLine
{
    heron_string text;
    std::vector<std::uint32_t> colours;
    double time = -100.0;
};

// The translucent panel across the top of the game view: the last chat and system lines, a line
// for typing, the network status. Tab opens and closes it, "m" starts typing, Enter sends the
// typed line as chat, except a few words after "=" that act as commands. Made on first use and
// kept to the end of the program. Main thread only.
class OverlayConsole
{
public:
    static constexpr std::size_t lineCount = 8;
    // The typed line takes at most this many characters, and shows in another colour once full.
    static constexpr int maxTypedLength = 80;
    // The colour of the lines the program itself adds, such as news of the connection.
    static constexpr std::uint32_t systemColour = 0x80FFC0;

    // True for a text that begins with "%%": a flash message.
    static bool isFlash(const heron_string& text);
    // A text that begins with "%%" becomes the world's flash message; any other a console line.
    // Colours count only when there is one per character.
    static void showMessage(const heron_string& text, const std::vector<std::uint32_t>& colours);
    // The same with world's flash message (null: no flash).
    static void showMessage(Look* world, const heron_string& text, const std::vector<std::uint32_t>& colours);
    // Whether the console took the key.
    static bool handleKey(kestrel::Event& event);
    // Draws the panel in window pixels; true while something still fades.
    static bool draw(const kestrel::ImageBody& target);

    static bool isOpen();
    // Opens the panel, as Tab does, so that news the player must see shows without a key.
    static void open();
    static bool isTyping();
    static heron_string typedText();
    // The line added age lines ago (0: the newest); lines never added are empty.
    static const ConsoleLine& line(std::size_t age);
    // Closed, not typing, no lines: the console as the program starts.
    static void reset();
};
