#include "launcher/document/GlyphCache.h"
#include "launcher/panels/LauncherPage.h"
#include "launcher/panels/TextPanels.h"
#include "launcher/panels/WelcomePanel.h"

#include <gtest/gtest.h>

#include <string>

namespace game_launcher
{
namespace
{

// The characters a document shows, its paragraphs joined by '|'.
std::string shownText(old_document::OldDocument& document)
{
    std::string text;
    for (const auto& paragraph : document.paragraphs()) {
        if (!text.empty()) {
            text += '|';
        }
        for (const old_document::PlacedChar& placed : paragraph->chars()) {
            text += static_cast<char>(placed.glyph->code);
        }
    }
    return text;
}

// The characters a document shows, as code points.
std::u32string shownCharacters(old_document::OldDocument& document)
{
    std::u32string text;
    for (const auto& paragraph : document.paragraphs()) {
        for (const old_document::PlacedChar& placed : paragraph->chars()) {
            text += placed.glyph->code;
        }
    }
    return text;
}

// Every test starts and ends in English.
class Pages : public testing::Test
{
protected:
    Pages() { currentLanguage = English; }
    ~Pages() override { currentLanguage = English; }
};

TEST(ExpandText, ReplacesTheCreditMacros)
{
    const struct
    {
        const char* text;
        const char* expanded;
    } cases[] = {
        {"by %%m.", "by Oskar Lindqvist."},
        {"%%g and %%d!", "Ines Harrow and Mira Calloway and Tobias Venn!"},
        {"<b>%%t</b>", "<b>Glass Tide</b>"},
        {"100%%x sure", "100% sure"},
        {"ends in %%t", "ends in %%t"},
        {"%%", "%%"},
        {"%%x%%y", "%y"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(expandText(English, c.text, pageFont(12)).text, c.expanded) << c.text;
    }
}

TEST(ExpandText, TheTwoCreditedNamesAreJoinedInTheTextsLanguage)
{
    const char* joined[] = {"Mira Calloway and Tobias Venn", "Mira Calloway y Tobias Venn", "Mira Calloway et Tobias Venn",
                            "Mira Calloway und Tobias Venn", "Mira Calloway e Tobias Venn", "Mira Calloway i Tobias Venn",
                            "Mira Calloway og Tobias Venn"};
    for (int language = 0; language < textLanguages; ++language) {
        EXPECT_EQ(expandText(language, "%%d.", pageFont(12)).text, std::string(joined[language]) + ".") << language;
    }
    EXPECT_EQ(expandText(Japanese, "%%d.", pageFont(12)).text, "Mira Calloway and Tobias Venn.");
}

TEST(ExpandText, GermanTakesAFontOnePixelSmaller)
{
    for (int language = 0; language < textLanguages; ++language) {
        const int size = expandText(language, "x", pageFont(16)).font.size;
        EXPECT_EQ(size, language == German ? 15 : 16) << language;
    }
}

TEST(PageText, WritesTheCodePageOfTheLanguage)
{
    EXPECT_EQ(pageText(English, "Échap, Höhle, ø"), "\xC9" "chap, H\xF6hle, \xF8");
    // Polish keeps every letter in Windows-1250, ó at the same byte as in Windows-1252.
    EXPECT_EQ(pageText(Polish, "Łódź, ścieżki, są"), "\xA3\xF3" "d\x9F, \x9C" "cie\xBF" "ki, s\xB9");
}

TEST_F(Pages, AnotherTextForTheSameLanguageIsIgnored)
{
    LauncherPage page;
    page.addText(Spanish, "uno", pageFont(12));
    page.addText(Spanish, "dos", pageFont(16));
    ASSERT_EQ(page.texts().size(), 2u);
    EXPECT_TRUE(page.texts()[English].text.empty());
    EXPECT_EQ(page.texts()[Spanish].text, "uno");
    EXPECT_EQ(page.texts()[Spanish].font.size, 12);
}

TEST_F(Pages, ALanguageWithoutTextShowsEnglish)
{
    LauncherPage page;
    page.addText(English, "Hello", pageFont(12));
    page.addText(German, "Hallo", pageFont(12));
    const struct
    {
        std::int32_t chosen;
        int shown;
        const char* text;
    } cases[] = {
        {German, German, "Hallo"}, {Spanish, English, "Hello"}, {Japanese, English, "Hello"},
        {-1, English, "Hello"},    {German, German, "Hallo"},
    };
    for (const auto& c : cases) {
        currentLanguage = c.chosen;
        page.validate();
        EXPECT_EQ(page.shownLanguage(), c.shown) << c.chosen;
        EXPECT_EQ(shownText(page.mainDocument()), c.text) << c.chosen;
        EXPECT_EQ(page.mainDocument().textColour(), LauncherPage::textColour);
    }
}

TEST_F(Pages, EachLanguageShowsEveryLetterOfItsText)
{
    const struct
    {
        int language;
        const char* utf8;
        std::u32string shown;
    } cases[] = {
        {Polish, "Źdźbło łąki, gęś, koń, żółć; ĄĆĘŁŃÓŚŹŻ", U"Źdźbło łąki, gęś, koń, żółć; ĄĆĘŁŃÓŚŹŻ"},
        {French, "Échap « où » œuvre", U"Échap « où » œuvre"},
        {Danish, "Tryk på Æble, Ø og €", U"Tryk på Æble, Ø og €"},
        {English, "Hello", U"Hello"},
    };
    LauncherPage page;
    for (const auto& c : cases) {
        page.addText(c.language, c.utf8, pageFont(12));
    }
    for (const auto& c : cases) {
        currentLanguage = c.language;
        page.validate();
        EXPECT_TRUE(shownCharacters(page.mainDocument()) == c.shown) << c.utf8;
    }
}

TEST_F(Pages, TheFlagsSwitchTheLanguageOfEveryTab)
{
    const heron::counted_ptr<LeftFlags> left(new LeftFlags);
    const heron::counted_ptr<RightFlags> right(new RightFlags);
    const heron::counted_ptr<KeyboardPanel> keys(new KeyboardPanel);
    const heron::counted_ptr<ProblemPanel> problems(new ProblemPanel);
    const struct
    {
        FlagRow* row;
        std::uint32_t flag;
        const char* keysTitle;
        int problemsShown;
    } cases[] = {
        {left.get(), German, "Die Tasten", English},
        {left.get(), Spanish, "Las teclas", Spanish},
        {right.get(), Polish, "Klawisze", English},
        {right.get(), Danish, "Tasterne", English},
        {left.get(), English, "The keys", English},
    };
    for (const auto& c : cases) {
        c.row->handleMessage(kestrel::ComponentMessage{nullptr, c.flag, 0});
        keys->page().validate();
        problems->page().validate();
        EXPECT_EQ(currentLanguage, static_cast<std::int32_t>(c.flag));
        EXPECT_EQ(shownText(keys->page().mainDocument()).substr(0, std::string(c.keysTitle).size()), c.keysTitle);
        EXPECT_EQ(problems->page().shownLanguage(), c.problemsShown) << c.flag;
    }
}

TEST_F(Pages, EveryTabHasItsTextsInItsSize)
{
    const heron::counted_ptr<KeyboardPanel> keys(new KeyboardPanel);
    const heron::counted_ptr<ProblemPanel> problems(new ProblemPanel);
    const heron::counted_ptr<WebPanel> web(new WebPanel);
    const heron::counted_ptr<CreditPanel> credits(new CreditPanel);
    const struct
    {
        LauncherPage& page;
        std::size_t languages;
        int size;
    } cases[] = {
        {keys->page(), 7, 12},
        {problems->page(), 2, 16},
        {web->page(), 1, 24},
        {credits->page(), 7, 16},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(c.page.texts().size(), c.languages);
        for (std::size_t language = 0; language < c.languages; ++language) {
            const TextEntry& entry = c.page.texts()[language];
            EXPECT_FALSE(entry.text.empty()) << language;
            EXPECT_EQ(entry.font.size, language == German ? c.size - 1 : c.size) << language;
            EXPECT_EQ(entry.text.find("%%"), std::string::npos) << entry.text;
        }
    }
}

TEST_F(Pages, TheCreditsOrderFollowsTheParityOfTheSeconds)
{
    const heron::counted_ptr<CreditPanel> odd(new CreditPanel(1001));
    const heron::counted_ptr<CreditPanel> even(new CreditPanel(1002));
    const std::string& first = odd->page().texts()[English].text;
    const std::string& second = even->page().texts()[English].text;
    EXPECT_LT(first.find("Created by"), first.find("Graphics"));
    EXPECT_GT(second.find("Created by"), second.find("Graphics"));
    EXPECT_EQ(odd->page().texts()[French].text, even->page().texts()[French].text);
    even->page().validate();
    EXPECT_NE(shownText(even->page().footerDocument()).find("Ogg Vorbis"), std::string::npos);
}

}
}
