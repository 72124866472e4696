#include "support/GLTestSupport.h"
#include "support/LogCapture.h"

TEST_F(GLDisplayTest, ProbeFindsTheDriverAndItsExtensions)
{
    const kestrel::GLcapabilities& record = kestrel::getGLcapabilities();
    EXPECT_TRUE(record.valid);
    EXPECT_TRUE(record.hardwareAccelerated);
    EXPECT_GE(record.textureUnits, 2);
    EXPECT_GT(record.renderer.length(), 0u);
    EXPECT_GT(record.version.length(), 0u);
    EXPECT_TRUE(record.hasExtension("GL_ARB_multitexture"));
    EXPECT_TRUE(kestrel::weHaveBGRA);
    kestrel::resetGLProbes();
    kestrel::setSeparateSpecular();
    GLint control = 0;
    plat::gl().GetIntegerv(GL_LIGHT_MODEL_COLOR_CONTROL, &control);
    EXPECT_TRUE(kestrel::weHaveSeparateSpecular);
    EXPECT_EQ(control, GL_SEPARATE_SPECULAR_COLOR);
}

TEST_F(GLDisplayTest, ADriverWithOneTextureUnitHasNoMultitexture)
{
    kestrel::resetGLProbes();
    kestrel::glLogging = true;
    LogCapture log;
    {
        ScopedGLTable table;
        table.GetIntegerv = [](GLenum name, GLint* value) {
            plat::glDriver().GetIntegerv(name, value);
            *value = name == GL_MAX_TEXTURE_UNITS_ARB ? 1 : *value;
        };
        kestrel::loadMultiTextureExtensions();
        EXPECT_FALSE(kestrel::weHaveMultitexture);
        EXPECT_FALSE(kestrel::activeTexture(0));
        EXPECT_EQ(kestrel::textureUnitCount, 1);
    }
    kestrel::resetGLProbes();
    kestrel::glLogging = false;
    EXPECT_NE(log.text().find("Not enough texture units...!\n"), std::string::npos);
}
