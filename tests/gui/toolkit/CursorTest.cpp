#include "gui/toolkit/Cursor.h"

#include <gtest/gtest.h>

#include "support/LogCapture.h"

#include <vector>

using kestrel::Cursor;
using CursorPtr = heron::counted_ptr<Cursor>;

namespace
{

// How pixel (x, y) from the top-left shows: '.' transparent, 'W' white, '#' black.
char look(const Cursor& c, int x, int y)
{
    const auto byte = static_cast<std::size_t>(y * 4 + x / 8);
    const int bit = 0x80 >> (x % 8);
    if ((c.masks().andMask[byte] & bit) != 0) {
        return '.';
    }
    return (c.masks().xorMask[byte] & bit) != 0 ? 'W' : '#';
}

}

TEST(CursorTest, StandardCursorsAreSharedPerIdAndOnlyTheHandsArePatterns)
{
    EXPECT_EQ(Cursor::standard(6).get(), Cursor::standard(6).get());
    EXPECT_NE(Cursor::standard(6).get(), Cursor::standard(7).get());
    EXPECT_EQ(Cursor::standard(11).get(), Cursor::standard(0).get());
    EXPECT_EQ(Cursor::standard(-3).get(), Cursor::standard(0).get());
    for (int id = 0; id <= 10; ++id) {
        EXPECT_EQ(Cursor::standard(id)->isPattern(), id == 2 || id == 6 || id == 7) << id;
    }
}

TEST(CursorTest, PatternsTakeTheirPixelsAndHotSpotsFromTheArt)
{
    const char* const twoRows[] = {"o#", "", "##", nullptr};
    const char* const oneRow[] = {"x#", nullptr};
    struct Pixel
    {
        int x, y;
        char look;
    };
    struct Case
    {
        const char* what;
        CursorPtr cursor;
        int hotX, hotY;
        std::vector<Pixel> pixels;
    };
    const Case cases[] = {
        // Row 0 is "      ##"; the hot spot is drawn as '+', opaque white; below 21 rows of art all is clear.
        {"pointing hand", Cursor::standard(2), 6, 1,
         {{6, 1, 'W'}, {5, 0, '.'}, {6, 0, '#'}, {7, 0, '#'}, {10, 21, '.'}}},
        {"open hand", Cursor::standard(6), 7, 6, {{7, 6, 'W'}}},
        // The closed hand's hot spot is drawn blank.
        {"closed hand", Cursor::standard(7), 5, 3, {{5, 3, '.'}, {4, 3, 'W'}, {3, 3, '#'}}},
        {"art ends at an empty row, other characters are black, no hot spot is the centre",
         CursorPtr(new Cursor(twoRows, false, false, 'o', 'x', '+')), 16, 16, {{0, 0, 'W'}, {1, 0, '#'}, {0, 2, '.'}}},
        {"mirrored", CursorPtr(new Cursor(oneRow, true, false, '+', 'x', '+')), 31, 0,
         {{31, 0, 'W'}, {30, 0, '#'}, {29, 0, '.'}, {0, 0, '.'}}},
        {"flipped", CursorPtr(new Cursor(oneRow, false, true, '+', 'x', '+')), 0, 31, {{0, 31, 'W'}, {0, 0, '.'}}},
        {"mirrored and flipped", CursorPtr(new Cursor(oneRow, true, true, '+', 'x', '+')), 31, 31, {{31, 31, 'W'}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::pair(c.cursor->hotX(), c.cursor->hotY()), std::pair(c.hotX, c.hotY)) << c.what;
        for (const Pixel& p : c.pixels) {
            EXPECT_EQ(look(*c.cursor, p.x, p.y), p.look) << c.what << " at " << p.x << "," << p.y;
        }
    }
}

TEST(CursorTest, WithoutADisplayTheHandleIsNullAndLoggedOnce)
{
    const LogCapture log;
    EXPECT_EQ(Cursor::standard(0)->handle(), nullptr);
    EXPECT_EQ(Cursor::standard(2)->handle(), nullptr);
    EXPECT_EQ(log.count("plat::Cursor - no display"), 1);
}
