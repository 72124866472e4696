#pragma once

#include "base/counted_ptr.h"
#include "gui/paint/Font.h"
#include "gui/paint/Image.h"
#include "gui/toolkit/Container.h"
#include "launcher/document/CodePage.h"
#include "launcher/document/OldDocument.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace game_launcher
{

// The languages of the texts, numbered as the flags are; Japanese has a flag but no texts.
enum Language : std::int32_t
{
    English = 0,
    Spanish = 1,
    French = 2,
    German = 3,
    Italian = 4,
    Polish = 5,
    Danish = 6,
    Japanese = 7,
};
constexpr int textLanguages = 7;

// The language the pages show: 0 at start, changed only by the flags. Main thread only.
extern std::int32_t currentLanguage;

// One text of a page: its font and its markup, in the bytes of its language's code page (empty:
// missing).
struct TextEntry
{
    kestrel::FontKey font{kestrel::FontKey::sansSerifFace, 0, 0};
    std::string text;
};

// The sans-serif font of the pixel size that the pages' texts use.
kestrel::FontKey pageFont(int size);

// The text with the credit macros replaced ("%%d", "%%g", "%%m", "%%t"; any other letter after
// "%%" gives "%"; a "%%" among the last three characters stays; the two names of "%%d" are joined
// in the language) and the font, one pixel smaller for German, whose words run longer.
TextEntry expandText(int language, std::string_view text, const kestrel::FontKey& font);

// The texts are written in UTF-8 and turned once, when a page takes them, into one byte per
// character in the code page their language needs: Windows-1250 for Polish, whose ą, ć, ę, ł, ń,
// ś, ź and ż Windows-1252 lacks, and Windows-1252 for the others.
std::string pageText(int language, std::string_view utf8);
// The code page a language's text is kept in, for the document that shows it.
const old_document::CodePage& codePageOf(int language);

// The backdrop every page draws behind its texts: 700 x 400, made on first use.
const kestrel::Image& backdropImage();

// The upper part of every launcher tab: the text of the current language over the backdrop, with an
// optional footer text below it. Shows English when the current language has no text.
class LauncherPage : public kestrel::Container
{
public:
    static constexpr std::uint32_t textColour = 0xFFFFFF;     // white
    static constexpr std::uint32_t linkColour = 0xFFC0C0;     // light blue, red in the low byte

    LauncherPage();

    // Takes the UTF-8 text for the language unless the language has one already.
    void addText(int language, std::string_view utf8, const kestrel::FontKey& font);
    // The footer is the same in every language, written as English is.
    void setFooter(std::string_view utf8, const kestrel::FontKey& font);
    // Parses the current language's text when it differs from the one shown, then lays out.
    void validate() override;
    // The backdrop's size; the documents wrap at its width less the side insets.
    void getPreferredSize(int& width, int& height) override;

    // -1 before the first validation.
    int shownLanguage() const { return m_shown; }
    const std::vector<TextEntry>& texts() const { return m_texts; }
    old_document::OldDocument& mainDocument() { return *m_main; }
    old_document::OldDocument& footerDocument() { return *m_footer; }

private:
    // The language whose text shows for the current one.
    int languageToShow() const;

    std::vector<TextEntry> m_texts;
    int m_shown = -1;
    heron::counted_ptr<old_document::OldDocument> m_main;
    heron::counted_ptr<old_document::OldDocument> m_footer;
};

}
