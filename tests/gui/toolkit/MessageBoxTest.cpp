#include "support/FakeDesktop.h"
#include "support/LogCapture.h"
#include "support/TempFolder.h"

#include "gui/toolkit/MessageBox.h"
#include "platform/SdlBackend.h"

#include <sys/stat.h>

#include <fstream>

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

TEST(ShellOpen, ALinkIsReportedAsNotOpenedWithoutAnOpenerOnThePath)
{
    const TempFolder folder;
    plat::SdlBackend desktop;
    plat::setBackend(&desktop);
    const char* const link = "https://example.invalid/";
    const std::string notOpened = std::string("Could not open \"") + link + "\"\n";
    const std::string opener = folder.file("xdg-open");
    const ScopedEnv path("PATH", folder.path().string());
    {
        const LogCapture log;
        kestrel::shellOpen(link);
        EXPECT_EQ(log.count(notOpened), 1);
    }
    // A file of the name that cannot be run is no opener; one that can is.
    std::ofstream(opener) << "#!/bin/sh\nexit 0\n";
    {
        const LogCapture log;
        kestrel::shellOpen(link);
        EXPECT_EQ(log.count(notOpened), 1);
    }
    chmod(opener.c_str(), 0755);
    {
        const LogCapture log;
        kestrel::shellOpen(link);
        EXPECT_EQ(log.count(notOpened), 0);
    }
    plat::setBackend(nullptr);
}

}
