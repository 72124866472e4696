#include "gui/Cursor.h"

#include <gtest/gtest.h>

#include "LogCapture.h"

using kestrel::Cursor;

namespace
{

bool opaque(const Cursor& c, int x, int y)
{
    return (c.masks().andMask[static_cast<std::size_t>(y * 4 + x / 8)] & (0x80 >> (x % 8))) == 0;
}

bool white(const Cursor& c, int x, int y)
{
    return (c.masks().xorMask[static_cast<std::size_t>(y * 4 + x / 8)] & (0x80 >> (x % 8))) != 0;
}

}

TEST(CursorTest, StandardCursorsAreSharedPerId)
{
    EXPECT_EQ(Cursor::standard(6).get(), Cursor::standard(6).get());
    EXPECT_NE(Cursor::standard(6).get(), Cursor::standard(7).get());
    EXPECT_EQ(Cursor::standard(11).get(), Cursor::standard(0).get());
    EXPECT_EQ(Cursor::standard(-3).get(), Cursor::standard(0).get());
    for (int id = 0; id <= 10; ++id) {
        const bool pattern = id == 2 || id == 6 || id == 7;
        EXPECT_EQ(Cursor::standard(id)->isPattern(), pattern) << id;
    }
}

TEST(CursorTest, HandPatternsTakeTheirHotSpotsFromTheArt)
{
    const auto pointing = Cursor::standard(2);
    EXPECT_EQ(pointing->hotX(), 6);
    EXPECT_EQ(pointing->hotY(), 1);
    // Its hot spot is drawn as '+': opaque white.
    EXPECT_TRUE(opaque(*pointing, 6, 1));
    EXPECT_TRUE(white(*pointing, 6, 1));
    // Row 0 "      ##": black at columns 6 and 7, transparent around.
    EXPECT_EQ(pointing->masks().andMask[0], 0xFC);
    EXPECT_EQ(pointing->masks().xorMask[0], 0x00);
    EXPECT_FALSE(opaque(*pointing, 5, 0));
    // Below the 21 rows of art everything is transparent.
    EXPECT_FALSE(opaque(*pointing, 10, 21));

    const auto open = Cursor::standard(6);
    EXPECT_EQ(open->hotX(), 7);
    EXPECT_EQ(open->hotY(), 6);
    EXPECT_TRUE(white(*open, 7, 6));

    const auto closed = Cursor::standard(7);
    EXPECT_EQ(closed->hotX(), 5);
    EXPECT_EQ(closed->hotY(), 3);
    // Its hot spot is drawn as blank: transparent.
    EXPECT_FALSE(opaque(*closed, 5, 3));
    EXPECT_TRUE(opaque(*closed, 4, 3));
    EXPECT_TRUE(white(*closed, 4, 3));
    EXPECT_TRUE(opaque(*closed, 3, 3));
    EXPECT_FALSE(white(*closed, 3, 3));
}

TEST(CursorTest, ArtEndsAtAnEmptyRowAndOtherCharactersAreBlack)
{
    const char* const art[] = {"o#", "", "##", nullptr};
    const Cursor cursor(art, false, false, 'o', 'x', '+');
    EXPECT_EQ(cursor.hotX(), 16);
    EXPECT_EQ(cursor.hotY(), 16);
    EXPECT_TRUE(white(cursor, 0, 0));
    EXPECT_TRUE(opaque(cursor, 1, 0));
    EXPECT_FALSE(white(cursor, 1, 0));
    EXPECT_FALSE(opaque(cursor, 0, 2));
}

TEST(CursorTest, MirrorAndFlipMoveTheHotSpotAndTheBits)
{
    const char* const art[] = {"x#", nullptr};
    const Cursor mirrored(art, true, false, '+', 'x', '+');
    EXPECT_EQ(mirrored.hotX(), 31);
    EXPECT_EQ(mirrored.hotY(), 0);
    EXPECT_TRUE(white(mirrored, 31, 0));
    EXPECT_TRUE(opaque(mirrored, 30, 0));
    EXPECT_FALSE(white(mirrored, 30, 0));
    EXPECT_EQ(mirrored.masks().andMask[3], 0xFC);
    EXPECT_EQ(mirrored.masks().andMask[0], 0xFF);

    const Cursor flipped(art, false, true, '+', 'x', '+');
    EXPECT_EQ(flipped.hotX(), 0);
    EXPECT_EQ(flipped.hotY(), 31);
    EXPECT_TRUE(white(flipped, 0, 31));
    EXPECT_FALSE(opaque(flipped, 0, 0));

    const Cursor both(art, true, true, '+', 'x', '+');
    EXPECT_EQ(both.hotX(), 31);
    EXPECT_EQ(both.hotY(), 31);
    EXPECT_TRUE(white(both, 31, 31));
}

TEST(CursorTest, WithoutADisplayTheHandleIsNullAndLoggedOnce)
{
    const LogCapture log;
    const auto arrow = Cursor::standard(0);
    EXPECT_EQ(arrow->handle(), nullptr);
    EXPECT_EQ(Cursor::standard(2)->handle(), nullptr);
    EXPECT_EQ(log.count("plat::Cursor - no display"), 1);
}
