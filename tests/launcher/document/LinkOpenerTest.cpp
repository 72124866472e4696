#include "launcher/document/LinkOpener.h"

#include "support/FakeDesktop.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace
{

TEST(LinkOpenerTest, TargetsBecomeAddressesThatCannotBeReadAsAnythingElse)
{
    // Relative paths start from the current folder.
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path("/tmp");
    const struct
    {
        std::string target;
        std::string url;
    } cases[] = {
        {"http://example.org/glass tide?a=1&b=\"2\"", "http://example.org/glass%20tide?a=1&b=%222%22"},
        {"HTTPS://example.org/caf\xE9\x80", "HTTPS://example.org/caf%C3%A9%E2%82%AC"},
        {"https://example.org/%41%zz100%", "https://example.org/%41%25zz100%25"},
        {"/tmp/glass tide/help#1.pdf", "file:///tmp/glass%20tide/help%231.pdf"},
        {"c:\\no such folder\\..\\japanese.pdf", "file:///japanese.pdf"},
        {"--help", "file:///tmp/--help"},
        {"docs/a;b.pdf", "file:///tmp/docs/a%3Bb.pdf"},
        {"javascript:alert(1)", ""},
        {"x-scheme:whatever", ""},
        {"", ""},
        {std::string("http://a\0b", 10), ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(old_document::linkUrl(c.target), c.url) << c.target;
    }
    std::filesystem::current_path(before);
}

using LinkOpening = testing_gui::FakeDesktop;

TEST_F(LinkOpening, ARefusedTargetIsLoggedAndNotHandedToTheDesktop)
{
    const LogCapture log;
    old_document::openLink("javascript:alert(1)");
    EXPECT_TRUE(fake.openedUrls.empty());
    EXPECT_TRUE(log.contains("OldDocument - link \"javascript:alert(1)\" not opened\n"));
}

}
