#pragma once

#include <string>
#include <string_view>

namespace plat
{

// The desktop's text clipboard. Text crosses this interface as Windows-1252 bytes; the desktop holds UTF-8.
// The first call brings up the video subsystem; without a display every call fails softly (logged once).
// Main thread only.

// True when the clipboard can be reached.
bool clipboardAvailable();

// True when the clipboard holds text.
bool hasClipboardText();

// The clipboard's text as Windows-1252 bytes; empty when it holds none or cannot be reached.
std::string getClipboardText();

// Replaces the clipboard's contents with the text; false when the clipboard cannot be reached or refused it.
bool setClipboardText(std::string_view windows1252);

}
