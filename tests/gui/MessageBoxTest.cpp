#include "FakeDesktop.h"
#include "LogCapture.h"

#include "gui/MessageBox.h"

namespace
{

using testing_gui::FakeDesktop;

class MessageBoxes : public FakeDesktop
{
};

TEST_F(MessageBoxes, EachRoutineShowsItsCaption)
{
    EXPECT_EQ(kestrel::errorBox("one", nullptr), 1);
    EXPECT_EQ(kestrel::errorBox("two", "Own caption"), 1);
    EXPECT_EQ(kestrel::userErrorBox("three"), 1);
    EXPECT_EQ(kestrel::fatalErrorBox("four"), 1);
    ASSERT_EQ(fake.messageBoxes.size(), 4u);
    EXPECT_EQ(fake.messageBoxes[0].caption, "Error:");
    EXPECT_EQ(fake.messageBoxes[0].text, "one");
    EXPECT_EQ(fake.messageBoxes[1].caption, "Own caption");
    EXPECT_EQ(fake.messageBoxes[2].caption, "Kestrel API: user error:");
    EXPECT_EQ(fake.messageBoxes[3].caption, "Fatal error:");
}

TEST_F(MessageBoxes, WithoutADisplayTheTextGoesToStandardErrorAndTheLog)
{
    fake.messageBoxesShown = false;
    const LogCapture log;
    testing::internal::CaptureStderr();
    EXPECT_EQ(kestrel::fatalErrorBox("Window create failed"), 0);
    EXPECT_EQ(kestrel::errorBox("Caf\xE9", nullptr), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Fatal error: Window create failed\nError: Caf\xC3\xA9\n");
    EXPECT_EQ(log.count("Fatal error: Window create failed\n"), 1);
    EXPECT_EQ(log.count("Error: Caf\xE9\n"), 1);
}

TEST_F(MessageBoxes, ShellOpenHandsTheTargetToTheDesktop)
{
    kestrel::shellOpen("help.html");
    kestrel::shellOpen(nullptr);
    EXPECT_EQ(fake.openedUrls, (std::vector<std::string>{"help.html"}));
}

}
