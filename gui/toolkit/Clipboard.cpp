#include "gui/toolkit/Clipboard.h"

#include "platform/Clipboard.h"

#include <string>

namespace kestrel
{

Clipboard::Clipboard() : m_open(plat::clipboardAvailable())
{
    m_hasText = m_open && plat::hasClipboardText();
}

heron_string Clipboard::getText()
{
    if (!m_hasText) {
        return heron_string();
    }
    const std::string text = plat::getClipboardText();
    m_text.assign(text.data(), static_cast<std::uint32_t>(text.size()));
    return m_text;
}

void Clipboard::putText(const heron_string& text)
{
    if (!m_open) {
        return;
    }
    if (plat::setClipboardText(std::string_view(text.data(), text.length()))) {
        m_hasText = true;
    }
}

}
