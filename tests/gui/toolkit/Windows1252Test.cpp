#include "platform/Windows1252.h"

#include <gtest/gtest.h>

#include <string>

using plat::utf8ToWindows1252;
using plat::windows1252ToUtf8;

TEST(Windows1252Test, EveryByteSurvivesTheRoundTrip)
{
    std::string all;
    for (int byte = 1; byte < 256; ++byte) {
        all += static_cast<char>(byte);
    }
    const std::string utf8 = windows1252ToUtf8(all);
    EXPECT_EQ(utf8ToWindows1252(utf8), all);
    for (int byte = 0; byte < 256; ++byte) {
        const char32_t code = plat::windows1252ToUnicode(static_cast<unsigned char>(byte));
        EXPECT_EQ(plat::unicodeToWindows1252(code), byte) << byte;
    }
}

TEST(Windows1252Test, BytesBecomeTheirUnicodeCharacters)
{
    const std::pair<std::string, std::string> cases[] = {
        {"plain ascii\n", "plain ascii\n"},
        {"caf\xE9", "caf\xC3\xA9"},
        {"\x80", "\xE2\x82\xAC"},                 // euro sign
        {"\x93quoted\x94", "\xE2\x80\x9Cquoted\xE2\x80\x9D"},
        {"\x9F\xFF", "\xC5\xB8\xC3\xBF"},         // Y and y with diaeresis
        {"\x81\x8D", "\xC2\x81\xC2\x8D"},         // undefined bytes keep their control characters
        {"", ""},
    };
    for (const auto& [bytes, utf8] : cases) {
        EXPECT_EQ(windows1252ToUtf8(bytes), utf8);
    }
}

TEST(Windows1252Test, CharactersOutsideTheCodePageAndMalformedTextBecomeQuestionMarks)
{
    const std::pair<std::string, std::string> cases[] = {
        {"\xE2\x82\xAC \xCE\xA9", "\x80 ?"},        // euro kept, Greek omega has no byte
        {"\xF0\x9F\x98\x80!", "?!"},                // a character beyond the basic plane
        {"\xC3", "?"},                              // sequence cut short
        {"\xC3(", "?("},                            // missing continuation
        {"\xC0\xAF", "??"},                         // overlong form
        {"\xED\xA0\x80", "???"},                    // surrogate
        {"\xF4\x90\x80\x80", "????"},               // beyond U+10FFFF
        {"\x80\xBF", "??"},                         // stray continuation bytes
        {"\xC2\x80", "?"},                          // a control character the code page replaces
    };
    for (const auto& [utf8, bytes] : cases) {
        EXPECT_EQ(utf8ToWindows1252(utf8), bytes) << utf8;
    }
}
