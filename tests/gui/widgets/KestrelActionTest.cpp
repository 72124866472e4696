#include "gui/widgets/KestrelAction.h"
#include "gui/widgets/MenuItem.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

using kestrel::KestrelAction;

TEST(KestrelAction, EachIdHasOneSharedAction)
{
    KestrelAction* open = KestrelAction::get(KestrelAction::fileOpen);
    EXPECT_EQ(open, KestrelAction::get(0x10000002));
    EXPECT_EQ(open->commandId(), 0x10000002);
    EXPECT_STREQ(open->label(), "!Open...");
    EXPECT_STREQ(open->tooltip(), "Open a file");
}

TEST(KestrelAction, AComponentShowsTheLabelWithItsMnemonicAndTakesTheId)
{
    kestrel::MenuItem item(KestrelAction::get(KestrelAction::fileSaveAs));
    EXPECT_EQ(item.getText(), "Save as...");
    EXPECT_EQ(item.mnemonic(), 'a');
    EXPECT_EQ(item.getTooltip(), "Save this file under a different name");
    EXPECT_TRUE(item.getImage().isEmpty());
}

TEST(KestrelAction, AnUnknownIdHasNoLabelTooltipOrIcon)
{
    KestrelAction* unknown = KestrelAction::get(0x12345);
    EXPECT_STREQ(unknown->label(), "");
    EXPECT_STREQ(unknown->tooltip(), "");
    EXPECT_TRUE(unknown->icon().isEmpty());
    EXPECT_EQ(unknown->commandId(), 0x12345);
}

TEST(KestrelAction, TheNineEditAndFileCommandsHaveSixteenPixelIconsMadeOnce)
{
    for (int id : {KestrelAction::fileNew, KestrelAction::fileOpen, KestrelAction::fileSave, KestrelAction::editCopy,
                   KestrelAction::editCut, KestrelAction::editPaste, KestrelAction::editDelete, KestrelAction::editUndo,
                   KestrelAction::editRedo}) {
        const kestrel::Image icon = KestrelAction::get(id)->icon();
        ASSERT_EQ(icon.width(), 16) << std::hex << id;
        EXPECT_EQ(icon.height(), 16);
        // The corners are transparent, so the icon shows on any background.
        EXPECT_EQ(*icon.pixelAt(0, 0) >> 24, 0u);
        EXPECT_EQ(KestrelAction::get(id)->icon().pixels(), icon.pixels());
    }
    EXPECT_TRUE(KestrelAction::get(KestrelAction::helpAbout)->icon().isEmpty());
}

}
