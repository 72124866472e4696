#include "gui/toolkit/Window.h"
#include "gui/toolkit/WindowInternals.h"
#include "launcher/document/CodePage.h"
#include "launcher/document/MarkupParser.h"
#include "launcher/document/OldDocument.h"
#include "support/FixedLayout.h"
#include "support/GLTestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <string_view>

namespace
{

using old_document::CodePage;
using testing_gui::Pixels;

constexpr kestrel::Rect documentArea{10, 10, 220, 40};

// One document in a window on the real desktop, painted into the window's frame.
class DocumentInWindow : public GLDisplayTest
{
protected:
    void SetUp() override
    {
        GLDisplayTest::SetUp();
        if (!hasDisplay()) {
            return;
        }
        window.setLayout(new testing_gui::FixedLayout);
        window.add(document);
        window.setSize(documentArea.width + 20, documentArea.height + 20);
        window.create();
        ASSERT_TRUE(window.isOpen());
        document->setBounds(documentArea.x, documentArea.y, documentArea.width, documentArea.height);
    }

    void TearDown() override
    {
        if (hasDisplay()) {
            window.close();
        }
    }

    // The document's pixels once it shows the text read in the code page.
    Pixels painted(std::string_view text, const CodePage& codePage)
    {
        document->setCodePage(codePage);
        old_document::parseMarkup(*document, text, old_document::CharacterStyle{125, 24, 0, 0xFFFFFF, nullptr});
        window.paintNow();
        const kestrel::Image& frame = window.internals().graphics->image();
        Pixels pixels;
        for (int y = documentArea.y; y < documentArea.y + documentArea.height; ++y) {
            for (int x = documentArea.x; x < documentArea.x + documentArea.width; ++x) {
                pixels.push_back(*frame.pixelAt(x, y) & 0xFFFFFF);
            }
        }
        return pixels;
    }

    kestrel::Window window;
    old_document::OldDocument* document = new old_document::OldDocument;
};

// Windows-1250, except that the bytes of ł, ś, Ł and Ś stand for a code point no face has, which draws
// the face's missing-glyph box.
CodePage polishLettersMissing()
{
    std::array<char32_t, 256> table{};
    for (unsigned i = 0; i < table.size(); ++i) {
        table[i] = CodePage::windows1250().codePoint(static_cast<unsigned char>(i));
    }
    for (const unsigned char byte : {0xB3, 0x9C, 0xA3, 0x8C}) {
        table[byte] = 0x0378;
    }
    return CodePage(table);
}

TEST_F(DocumentInWindow, PolishLettersDrawTheirOwnGlyphs)
{
    EXPECT_NE(painted("\xB3o\x9C \xB3o\x9C", CodePage::windows1250()), painted("los los", CodePage::windows1252()));
    // Alone at the same place, each letter differs from the box drawn for a character the face
    // lacks, whatever their advances.
    for (const std::string_view letter : {"\xB3", "\x9C", "\xA3", "\x8C"}) {
        EXPECT_NE(painted(letter, CodePage::windows1250()), painted(letter, polishLettersMissing()))
            << int{static_cast<unsigned char>(letter[0])};
    }
}

}
