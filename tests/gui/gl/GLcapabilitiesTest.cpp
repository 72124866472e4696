#include "support/LogCapture.h"

#include "gui/gl/GLcapabilities.h"
#include "gui/gl/GLclient.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(GLcapabilitiesTest, WordTestLooksAtTheFirstOccurrenceAndTheCharacterAfterIt)
{
    struct Case
    {
        const char* list;
        const char* name;
        bool found;
    };
    const Case cases[] = {
        {"GL_EXT_bgra GL_ARB_multitexture", "GL_ARB_multitexture", true},   // last word, no blank after
        {"GL_ARB_multitexture GL_EXT_bgra", "GL_ARB_multitexture", true},
        {"GL_EXT_texture_edge_clamp GL_X", "EXT_texture_edge_clamp", true}, // the prefix is not looked at
        {"GL_ARB_multitexture_x GL_ARB_multitexture", "GL_ARB_multitexture", false},  // first occurrence only
        {"GL_EXT_bgra", "GL_ARB_multitexture", false},
        {"", "GL_EXT_bgra", false},
        {"GL_EXT_bgra", "", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(kestrel::hasExtensionWord(c.list, c.name), c.found) << c.list << " / " << c.name;
    }
    kestrel::GLcapabilities record;
    record.wglExtensions = "GLX_ARB_create_context GLX_EXT_swap_control";
    EXPECT_TRUE(record.hasExtension("GLX_EXT_swap_control"));
    EXPECT_FALSE(record.hasExtension("GL_EXT_bgra"));
}

TEST(GLcapabilitiesTest, ReportListsEveryExtensionOnItsOwnLineAndOmitsAnEmptyWindowSystemSection)
{
    // A list much longer than one debug line is logged whole, not cut.
    std::string names;
    std::string lines;
    for (int i = 0; i < 3000; ++i) {
        const std::string name = "GL_EXT_name_" + std::to_string(i);
        names += (i == 0 ? "" : " ") + name;
        lines += name + "\n";
    }
    ASSERT_GT(names.size(), 2 * heron::debugBufferSize);
    kestrel::GLcapabilities record;
    record.vendor = "V";
    record.renderer = "R";
    record.version = "1.5";
    record.hardwareAccelerated = false;
    record.textureUnits = 2;
    record.extensions = names.c_str();
    {
        LogCapture log;
        record.print();
        const std::string text = log.text();
        EXPECT_NE(text.find("\n\nOpenGL info\n-----------\nVendor = V\nRenderer = R\nVersion = 1.5\n"
                            "Hardware acceleration? No\n"),
                  std::string::npos);
        EXPECT_NE(text.find("Texture units = 2\n"), std::string::npos);
        EXPECT_NE(text.find("---------------------------\n" + lines + "\n\n"), std::string::npos);
        EXPECT_EQ(text.find(heron::debugCutMark), std::string::npos);
        EXPECT_EQ(text.find("Supported WGL extensions"), std::string::npos);
    }
    record.wglExtensions = "GLX_C";
    LogCapture log;
    record.print();
    EXPECT_NE(log.text().find("Supported WGL extensions\n------------------------\nGLX_C\n"), std::string::npos);
}

TEST(GLcapabilitiesTest, PixelFormatChoiceKeepsTheBestQualifyingFormat)
{
    using plat::PixelFormat;
    const auto format = [](int number, int colour, int depth, bool accelerated, bool doubled = true) {
        return PixelFormat{.number = number, .doubleBuffer = doubled, .accelerated = accelerated,
                           .colourBits = colour, .depthBits = depth};
    };
    // Deeper depth wins while colour stays at least as good.
    EXPECT_EQ(kestrel::choosePixelFormat({format(1, 24, 16, true), format(2, 24, 24, true), format(3, 16, 32, true)}), 2);
    // A hardware format shuts out later generic ones, even deeper ones.
    EXPECT_EQ(kestrel::choosePixelFormat({format(1, 24, 16, true), format(2, 24, 24, false)}), 1);
    // A generic format is taken until a hardware one comes.
    EXPECT_EQ(kestrel::choosePixelFormat({format(1, 24, 24, false), format(2, 24, 32, true)}), 2);
    // Single-buffered formats never qualify; 16-bit colour never with more than 24 depth bits.
    EXPECT_EQ(kestrel::choosePixelFormat({format(1, 24, 24, true, false), format(2, 16, 32, true)}), 0);
    EXPECT_EQ(kestrel::choosePixelFormat({}), 0);
}

TEST(GLcapabilitiesTest, WithoutAContextQueriesAndProbesFindNothingAndLogOnlyWhenLoggingIsOn)
{
    if (plat::currentGLContext()) {
        GTEST_SKIP() << "a context is current";
    }
    kestrel::GLcapabilities record;
    record.valid = true;
    record.query();
    EXPECT_FALSE(record.valid);
    kestrel::resetGLProbes();
    kestrel::glLogging = false;
    {
        LogCapture log;
        kestrel::loadTextureExtensions();
        EXPECT_EQ(log.text(), "");
    }
    kestrel::resetGLProbes();
    kestrel::glLogging = true;
    LogCapture log;
    kestrel::loadTextureExtensions();
    kestrel::loadTextureExtensions();
    const std::string text = log.text();
    kestrel::glLogging = false;
    EXPECT_NE(text.find("Looking for texture mapping extensions...\nweCanClampToEdge=0\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("Looking for texture mapping extensions", 10), std::string::npos);
    EXPECT_FALSE(kestrel::weCanClampToEdge);
}
