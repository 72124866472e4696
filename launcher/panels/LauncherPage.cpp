#include "launcher/panels/LauncherPage.h"

#include "gui/widgets/BorderLayout.h"
#include "launcher/document/MarkupParser.h"
#include "platform/Windows1250.h"
#include "platform/Windows1252.h"

#include <array>

namespace game_launcher
{

std::int32_t currentLanguage = English;

namespace
{

constexpr int backdropWidth = 700;
constexpr int backdropHeight = 400;
// The side insets; the documents wrap inside them.
constexpr int sideInset = 90;
constexpr int endInset = 10;

// What the credit macros stand for. The two names are joined by the word of the text's language;
// a language without texts takes the English.
constexpr std::array<std::string_view, textLanguages> twoNames = {
    "Mira Calloway and Tobias Venn", "Mira Calloway y Tobias Venn", "Mira Calloway et Tobias Venn",
    "Mira Calloway und Tobias Venn", "Mira Calloway e Tobias Venn",  "Mira Calloway i Tobias Venn",
    "Mira Calloway og Tobias Venn",
};
constexpr std::string_view graphicArtist = "Ines Harrow";
constexpr std::string_view creator = "Oskar Lindqvist";
constexpr std::string_view albumTitle = "Glass Tide";

std::string_view macroText(char letter, int language)
{
    switch (letter) {
    case 'd':
        return twoNames[language >= 0 && language < textLanguages ? static_cast<std::size_t>(language) : 0];
    case 'g':
        return graphicArtist;
    case 'm':
        return creator;
    case 't':
        return albumTitle;
    default:
        return "%";
    }
}

// A sea-green wash, lighter towards the top, behind the white texts.
kestrel::Image paintBackdrop()
{
    kestrel::Image image(backdropWidth, backdropHeight);
    for (int y = 0; y < backdropHeight; ++y) {
        const std::uint32_t lift = static_cast<std::uint32_t>(y * 48 / backdropHeight);
        const std::uint32_t pixel = 0xFF000000u | (0x10 + lift / 2) << 16 | (0x30 + lift) << 8 | (0x40 + lift);
        for (int x = 0; x < backdropWidth; ++x) {
            *image.pixelAt(x, y) = pixel;
        }
    }
    return image;
}

void parseInto(old_document::OldDocument& document, const TextEntry& entry, const old_document::CodePage& codePage)
{
    old_document::CharacterStyle base;
    base.face = entry.font.face;
    base.size = entry.font.size;
    base.style = entry.font.style;
    document.setCodePage(codePage);
    old_document::parseMarkup(document, entry.text, base);
    document.setTextColour(LauncherPage::textColour);
    document.setLinkColour(LauncherPage::linkColour);
}

// A container that only holds a document.
kestrel::Container* holderOf(old_document::OldDocument& document)
{
    auto* holder = new kestrel::Container;
    holder->add(&document);
    return holder;
}

}

kestrel::FontKey pageFont(int size)
{
    return kestrel::FontKey{kestrel::FontKey::sansSerifFace, size, 0};
}

TextEntry expandText(int language, std::string_view text, const kestrel::FontKey& font)
{
    TextEntry entry{font, std::string(text)};
    if (language == German) {
        --entry.font.size;
    }
    for (;;) {
        const std::size_t at = entry.text.find("%%");
        if (at == std::string::npos || at + 3 >= entry.text.size()) {
            break;
        }
        entry.text.replace(at, 3, macroText(entry.text[at + 2], language));
    }
    return entry;
}

std::string pageText(int language, std::string_view utf8)
{
    return language == Polish ? plat::utf8ToWindows1250(utf8) : plat::utf8ToWindows1252(utf8);
}

const old_document::CodePage& codePageOf(int language)
{
    return language == Polish ? old_document::CodePage::windows1250() : old_document::CodePage::windows1252();
}

const kestrel::Image& backdropImage()
{
    static const kestrel::Image backdrop = paintBackdrop();
    return backdrop;
}

LauncherPage::LauncherPage() : m_main(new old_document::OldDocument), m_footer(new old_document::OldDocument)
{
    setImage(backdropImage());
    setInsets(sideInset, endInset, sideInset, endInset);
    auto* layout = new kestrel::BorderLayout;
    setLayout(layout);
    add(holderOf(*m_main), kestrel::BorderLayout::Centre);
    add(holderOf(*m_footer), kestrel::BorderLayout::South);
}

void LauncherPage::addText(int language, std::string_view utf8, const kestrel::FontKey& font)
{
    if (language < 0) {
        return;
    }
    const auto index = static_cast<std::size_t>(language);
    if (index < m_texts.size() && !m_texts[index].text.empty()) {
        return;
    }
    if (index >= m_texts.size()) {
        m_texts.resize(index + 1);
    }
    m_texts[index] = expandText(language, pageText(language, utf8), font);
}

void LauncherPage::setFooter(std::string_view utf8, const kestrel::FontKey& font)
{
    if (utf8.empty()) {
        return;
    }
    parseInto(*m_footer, TextEntry{font, pageText(English, utf8)}, codePageOf(English));
}

int LauncherPage::languageToShow() const
{
    const bool usable = currentLanguage >= 0 && static_cast<std::size_t>(currentLanguage) < m_texts.size()
        && !m_texts[static_cast<std::size_t>(currentLanguage)].text.empty();
    return usable ? currentLanguage : English;
}

void LauncherPage::validate()
{
    const int language = languageToShow();
    if (language != m_shown) {
        m_shown = language;
        m_main->clear();
        if (static_cast<std::size_t>(language) < m_texts.size()) {
            parseInto(*m_main, m_texts[static_cast<std::size_t>(language)], codePageOf(language));
        }
    }
    Container::validate();
}

void LauncherPage::getPreferredSize(int& width, int& height)
{
    width = backdropImage().width();
    height = backdropImage().height();
    m_main->setWrapWidth(width - 2 * sideInset);
    m_footer->setWrapWidth(width - 2 * sideInset);
}

}
