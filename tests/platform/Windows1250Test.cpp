#include "platform/Windows1250.h"

#include <gtest/gtest.h>

namespace
{

TEST(Windows1250Test, PolishLettersHaveTheirBytes)
{
    const struct
    {
        unsigned char byte;
        char32_t code;
    } letters[] = {
        {0xB9, U'ą'}, {0xE6, U'ć'}, {0xEA, U'ę'}, {0xB3, U'ł'}, {0xF1, U'ń'}, {0xF3, U'ó'},
        {0x9C, U'ś'}, {0x9F, U'ź'}, {0xBF, U'ż'}, {0xA5, U'Ą'}, {0xC6, U'Ć'}, {0xCA, U'Ę'},
        {0xA3, U'Ł'}, {0xD1, U'Ń'}, {0xD3, U'Ó'}, {0x8C, U'Ś'}, {0x8F, U'Ź'}, {0xAF, U'Ż'},
        // Beyond the letters: shared punctuation, an undefined byte and the last byte.
        {0x80, U'€'}, {0x84, U'„'}, {0x81, 0x81}, {0x41, U'A'}, {0xFF, U'˙'},
    };
    for (const auto& l : letters) {
        EXPECT_EQ(plat::windows1250ToUnicode(l.byte), l.code) << int{l.byte};
        EXPECT_EQ(plat::unicodeToWindows1250(l.code), l.byte) << int{l.byte};
    }
}

TEST(Windows1250Test, EveryByteSurvivesTheRoundTrip)
{
    for (int byte = 0; byte < 256; ++byte) {
        const char32_t code = plat::windows1250ToUnicode(static_cast<unsigned char>(byte));
        EXPECT_EQ(plat::unicodeToWindows1250(code), byte) << byte;
    }
}

}
