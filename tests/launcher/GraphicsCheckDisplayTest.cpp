// Graphics that cannot run the game stop the program with a failure status, before its log.
#include "launcher/MainFixture.h"

#include "gui/gl/GLcapabilities.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace game_launcher
{
namespace
{

using GraphicsCheckDisplayTest = MainFixture;

TEST_F(GraphicsCheckDisplayTest, UnfitGraphicsEndTheProgramWithAFailure)
{
    struct Case
    {
        const char* name;
        std::function<void(kestrel::GLcapabilities&)> spoil;
        const char* error;
    };
    const char* const noAccelerator =
        "No 3D graphics accelerator found. You probably need to update your graphics card driver...";
    const std::vector<Case> cases = {
        {"no accelerator", [](kestrel::GLcapabilities& c) { c.hardwareAccelerated = false; }, noAccelerator},
        {"no context", [](kestrel::GLcapabilities& c) { c.valid = false; }, noAccelerator},
        {"one texture unit", [](kestrel::GLcapabilities& c) { c.textureUnits = 1; },
         "Fatal graphics card error (not enough texture units)."},
    };
    kestrel::GLcapabilities& capabilities = kestrel::getGLcapabilities();
    const kestrel::GLcapabilities fit = capabilities;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_errors.clear();
        c.spoil(capabilities);
        const int status = run({});
        capabilities = fit;
        EXPECT_NE(status, 0);
        EXPECT_EQ(m_errors, std::vector<std::string>{c.error});
        EXPECT_FALSE(std::filesystem::exists(m_folder.file("game.log")));
    }
}

// Without a display there is no OpenGL either; the message says what is missing.
TEST_F(GraphicsCheckDisplayTest, WithoutADisplayTheMessageSaysTheDisplayIsMissing)
{
    class Displayless : public RecordingBackend
    {
        int displayCount() override { return 0; }
    } displayless;
    kestrel::GLcapabilities& capabilities = kestrel::getGLcapabilities();
    const kestrel::GLcapabilities fit = capabilities;
    capabilities.valid = false;
    const int status = run({});
    capabilities = fit;
    EXPECT_NE(status, 0);
    ASSERT_EQ(m_errors.size(), 1u);
    EXPECT_EQ(m_errors[0].rfind("No display found: Aurelle needs an X display", 0), 0u) << m_errors[0];
    EXPECT_FALSE(std::filesystem::exists(m_folder.file("game.log")));
}

}
}
