#include "support/FixedLayout.h"

#include "gui/toolkit/Container.h"
#include "gui/toolkit/RowLayout.h"
#include "gui/widgets/BorderLayout.h"
#include "gui/widgets/CardLayout.h"
#include "gui/widgets/ColumnLayout.h"
#include "gui/widgets/TileLayout.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

using kestrel::Rect;
using Rects = std::vector<Rect>;

using testing_gui::Sized;

struct Size
{
    int width;
    int height;
    bool operator==(const Size&) const = default;
};

// A container at the bounds, with the insets (left, bottom, right, top), the layout and
// children of the sizes (added with the constraints, when given).
class Panel : public kestrel::Container
{
public:
    Panel(kestrel::LayoutManager* layout, const Rect& at, const kestrel::Insets& insets,
          const std::vector<Size>& sizes, const std::vector<int>& constraints = {})
    {
        setLayout(layout);
        setBounds(at.x, at.y, at.width, at.height);
        setInsets(insets.left, insets.bottom, insets.right, insets.top);
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            add(new Sized(sizes[i].width, sizes[i].height), i < constraints.size() ? constraints[i] : -1);
        }
    }

    Rects laidOut()
    {
        doLayout();
        Rects out;
        for (const auto& child : children) {
            out.push_back(child->getBounds());
        }
        return out;
    }

    Size preferred()
    {
        Size size{0, 0};
        getPreferredSize(size.width, size.height);
        return size;
    }
};

const kestrel::Insets noInsets{0, 0, 0, 0};

TEST(RowLayout, PrefersTheSumOrTheWidestTimesTheCountPlusGapsAndInsets)
{
    Panel row(new kestrel::RowLayout, {0, 0, 10, 10}, {1, 2, 3, 4}, {{50, 20}, {60, 30}, {70, 10}});
    EXPECT_EQ(row.preferred(), (Size{188 + 4, 30 + 6}));
    static_cast<kestrel::RowLayout&>(*row.getLayout()).setFill();
    EXPECT_EQ(row.preferred(), (Size{3 * 70 + 8 + 4, 36}));
}

TEST(RowLayout, PlacesChildrenLeftToRightAlignedAcrossAndStretchesZeroHeights)
{
    auto* layout = new kestrel::RowLayout;
    Panel row(layout, {10, 20, 300, 100}, {5, 6, 7, 8}, {{50, 20}, {60, 0}, {70, 30}});
    // Inside: 288 x 86 from (15, 26).
    EXPECT_EQ(row.laidOut(), (Rects{{15, 59, 50, 20}, {69, 26, 60, 86}, {133, 54, 70, 30}}));
    layout->setCrossAlignment(2);
    layout->setMainAlignment(1);
    // Spare: 4 - (5 + 3 x 4 + 180) + 288 = 95, halved.
    EXPECT_EQ(row.laidOut(), (Rects{{62, 92, 50, 20}, {116, 26, 60, 86}, {180, 82, 70, 30}}));
    layout->setModeFlag();
    EXPECT_EQ(row.laidOut()[0], (Rect{62, 26, 50, 86}));
}

TEST(RowLayout, RightAlignmentWithoutALeftInsetEndsAtTheRightInset)
{
    auto* layout = new kestrel::RowLayout;
    layout->setMainAlignment(2);
    Panel row(layout, {0, 0, 200, 40}, {0, 0, 9, 0}, {{50, 20}, {60, 20}});
    EXPECT_EQ(row.laidOut().back().x + 60, 200 - 9);
}

TEST(ColumnLayout, StacksFromTheTopOrMovesDownToTheBottomEdge)
{
    auto* layout = new kestrel::ColumnLayout;
    Panel column(layout, {0, 0, 100, 200}, {2, 3, 4, 5}, {{30, 20}, {0, 10}, {50, 10}});
    // The running top starts on the inner top row; a zero width takes the inner width.
    EXPECT_EQ(column.laidOut(), (Rects{{2, 174, 30, 20}, {2, 160, 94, 10}, {2, 146, 50, 10}}));
    EXPECT_EQ(column.preferred(), (Size{50 + 6, 40 + 8 + 8}));
    layout->setCrossAlignment(0);
    EXPECT_EQ(column.laidOut(), (Rects{{2, 28, 30, 20}, {2, 14, 94, 10}, {2, 0, 50, 10}}));
    layout->setCrossAlignment(1);
    layout->setMainAlignment(2);
    EXPECT_EQ(column.laidOut(), (Rects{{66, 101, 30, 20}, {2, 87, 94, 10}, {46, 73, 50, 10}}));
}

TEST(ColumnLayout, WithTheModeFlagLeavesInvisibleChildrenOut)
{
    auto* layout = new kestrel::ColumnLayout;
    layout->setModeFlag();
    Panel column(layout, {0, 0, 100, 100}, noInsets, {{30, 20}, {40, 30}, {50, 10}});
    column.getChildren()[1]->setVisible(false);
    EXPECT_EQ(column.preferred(), (Size{50, 34}));
    const Rects placed = column.laidOut();
    EXPECT_EQ(placed[0], (Rect{0, 79, 30, 20}));
    EXPECT_EQ(placed[2], (Rect{0, 65, 50, 10}));
    layout->setEqualHeights();
    EXPECT_EQ(column.preferred(), (Size{50, 3 * 20 + 8}));
}

TEST(CardLayout, ShowsOnlyTheChosenCardInsideTheInsets)
{
    auto* layout = new kestrel::CardLayout;
    Panel cards(layout, {10, 10, 100, 50}, {1, 2, 3, 4}, {{30, 20}, {50, 10}});
    layout->showCard(1);
    EXPECT_EQ(cards.laidOut()[1], (Rect{11, 12, 96, 44}));
    EXPECT_FALSE(cards.getChildren()[0]->isVisible());
    EXPECT_TRUE(cards.getChildren()[1]->isVisible());
    EXPECT_EQ(cards.preferred(), (Size{54, 16}));
    layout->setEqualWidth();
    layout->setEqualHeight();
    EXPECT_EQ(cards.preferred(), (Size{54, 26}));

    layout->showCard(5);
    cards.doLayout();
    EXPECT_FALSE(cards.getChildren()[0]->isVisible());
    EXPECT_FALSE(cards.getChildren()[1]->isVisible());
}

class Border : public ::testing::Test
{
protected:
    Border() { layout->setGaps(5, 6); }

    kestrel::BorderLayout* layout = new kestrel::BorderLayout;
    Panel panel{layout, {0, 0, 200, 100}, {1, 2, 3, 4}, {{50, 10}, {60, 12}, {20, 30}, {25, 40}, {40, 30}},
                {kestrel::BorderLayout::North, kestrel::BorderLayout::South, kestrel::BorderLayout::West,
                 kestrel::BorderLayout::East, kestrel::BorderLayout::Centre}};
};

TEST_F(Border, NorthAndSouthSpanTheWidthAndTheCentreTakesTheRest)
{
    EXPECT_EQ(panel.laidOut(),
              (Rects{{1, 86, 196, 10}, {1, 2, 196, 12}, {1, 20, 20, 60}, {172, 20, 25, 60}, {26, 20, 141, 60}}));
    EXPECT_EQ(panel.preferred(), (Size{95 + 4, 74 + 6}));
}

TEST_F(Border, WestAndEastFirstRunTheFullInnerHeight)
{
    layout->setWestEastFirst();
    EXPECT_EQ(panel.laidOut(),
              (Rects{{26, 86, 141, 10}, {26, 2, 141, 12}, {1, 2, 20, 94}, {172, 2, 25, 94}, {26, 20, 141, 60}}));
}

TEST_F(Border, AnInvisibleCentreLeavesTheMiddleEmptyAndEdgesKeepTheirGaps)
{
    kestrel::Component& centre = *panel.getChildren()[4];
    centre.setBounds(0, 0, 1, 1);
    centre.setVisible(false);
    const Rects placed = panel.laidOut();
    EXPECT_EQ(placed[4], (Rect{0, 0, 1, 1}));
    EXPECT_EQ(placed[3], (Rect{172, 20, 25, 60}));
    EXPECT_EQ(panel.preferred(), (Size{60 + 4, 74 + 6}));
}

TEST(BorderLayout, AnEdgeWiderThanTheRestStillGetsTheInsetsAround)
{
    Panel panel(new kestrel::BorderLayout, {0, 0, 10, 10}, {4, 2, 4, 4}, {{300, 20}, {40, 30}},
                {kestrel::BorderLayout::North, kestrel::BorderLayout::Centre});
    EXPECT_EQ(panel.preferred(), (Size{308, 56}));
}

class Tiles : public ::testing::Test
{
protected:
    using T = kestrel::TileLayout;
    T* layout = new T;
    Panel panel{layout, {0, 0, 200, 100}, {3, 4, 5, 6}, {{30, 10}, {50, 20}, {20, 40}, {10, 8}},
                {T::cell(0, 0, 1, 1), T::cell(0, 1, 2, 1), T::cell(1, 0, 1, 2), T::cell(1, 1, 1, 1)}};
};

TEST_F(Tiles, CellsSpanColumnsAndRowsWithSpacingFromTheTop)
{
    // Columns 30, 25, 25 wide; rows all 20 tall (the tallest); spacing 2.
    EXPECT_EQ(panel.preferred(), (Size{84 + 8, 64 + 10}));
    EXPECT_EQ(panel.laidOut(), (Rects{{3, 79, 30, 10}, {35, 74, 50, 20}, {3, 31, 20, 40}, {35, 58, 10, 8}}));
    layout->setAlignment(2, 2);
    EXPECT_EQ(panel.laidOut()[3], (Rect{50, 64, 10, 8}));
}

TEST(TileLayout, RowsKeepTheirOwnHeightsWithoutTheOption)
{
    using T = kestrel::TileLayout;
    auto* layout = new T;
    Panel panel(layout, {0, 0, 100, 100}, noInsets, {{10, 10}, {10, 30}}, {T::cell(0, 0, 1, 1), T::cell(1, 0, 1, 1)});
    EXPECT_EQ(panel.preferred(), (Size{10, 30 + 2 + 30}));
    layout->setOption(false);
    EXPECT_EQ(panel.preferred(), (Size{10, 10 + 2 + 30}));
    EXPECT_EQ(panel.laidOut(), (Rects{{0, 90, 10, 10}, {0, 58, 10, 30}}));
}

TEST_F(Tiles, CellsThatDoNotMatchTheChildrenStackAtTheInnerOrigin)
{
    layout->removeAll();
    EXPECT_EQ(panel.preferred(), (Size{10, 10}));
    panel.add(new Sized(7, 7));
    EXPECT_EQ(panel.laidOut(), (Rects{{3, 4, 30, 10}, {3, 4, 50, 20}, {3, 4, 20, 40}, {3, 4, 10, 8}, {3, 4, 7, 7}}));
    EXPECT_EQ(panel.preferred(), (Size{50, 40}));
}

TEST(TileLayout, ANegativeConstraintAfterLargerCellsKeepsTheGrid)
{
    using T = kestrel::TileLayout;
    Panel panel(new T, {0, 0, 100, 100}, noInsets, {{10, 10}, {10, 10}}, {T::cell(2, 2, 1, 1), -1});
    // The grid keeps three columns (10, 0, 10) and three rows of 10: the first cell stays in it.
    EXPECT_EQ(panel.preferred(), (Size{20 + 4, 30 + 4}));
    EXPECT_EQ(panel.laidOut(), (Rects{{14, 66, 10, 10}, {0, 90, 10, 10}}));
}

}
