#pragma once

#include "base/heron_string.h"

namespace kestrel
{

// The desktop's text clipboard for the text input. Short-lived: make one, exchange text, drop it.
// Text is Windows-1252 bytes. Without a display it reports no text and ignores puts. Main thread.
class Clipboard
{
public:
    // Opens the clipboard and notes whether it holds text.
    Clipboard();

    // True when the clipboard held text when it was opened or was given text since.
    bool hasText() const { return m_hasText; }
    // A copy of the clipboard's text; empty when it holds none.
    heron_string getText();
    // Replaces the clipboard's contents with the text; nothing when the clipboard is not open.
    void putText(const heron_string& text);

private:
    bool m_open = false;
    bool m_hasText = false;
    heron_string m_text;
};

}
