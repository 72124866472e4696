#include "support/FakeDesktop.h"
#include "support/LogCapture.h"

#include "gui/toolkit/MessageBox.h"

namespace
{

using MessageBoxes = testing_gui::FakeDesktop;

TEST_F(MessageBoxes, EachRoutineShowsItsCaptionAndShellOpenHandsTheTargetToTheDesktop)
{
    EXPECT_EQ(kestrel::errorBox("one", nullptr), 1);
    EXPECT_EQ(kestrel::errorBox("two", "Own caption"), 1);
    EXPECT_EQ(kestrel::userErrorBox("three"), 1);
    EXPECT_EQ(kestrel::fatalErrorBox("four"), 1);
    EXPECT_EQ(shownBoxes(), (std::vector<std::string>{"Error: one", "Own caption two", "Kestrel API: user error: three",
                                                    "Fatal error: four"}));
    kestrel::shellOpen("help.html");
    kestrel::shellOpen(nullptr);
    EXPECT_EQ(fake.openedUrls, (std::vector<std::string>{"help.html"}));
}

TEST_F(MessageBoxes, WithoutADisplayTheTextGoesToStandardErrorAsUtf8AndToTheLog)
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

}
