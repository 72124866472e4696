#include "GLTestSupport.h"
#include "LogCapture.h"

#include <string>

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
    LogCapture log;
    record.print();
    const std::string text = log.text();
    EXPECT_NE(text.find("Hardware acceleration? Yes\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nGL_ARB_multitexture\n"), std::string::npos);
}

namespace
{

void oneTextureUnit(GLenum name, GLint* value)
{
    plat::glDriver().GetIntegerv(name, value);
    if (name == GL_MAX_TEXTURE_UNITS_ARB) {
        *value = 1;
    }
}

}

TEST_F(GLDisplayTest, ADriverWithOneTextureUnitHasNoMultitexture)
{
    plat::GLFunctions table = plat::glDriver();
    table.GetIntegerv = &oneTextureUnit;
    plat::setGLFunctions(&table);
    kestrel::resetGLProbes();
    kestrel::glLogging = true;
    LogCapture log;
    kestrel::loadMultiTextureExtensions();
    const bool multitexture = kestrel::weHaveMultitexture;
    const bool selected = kestrel::activeTexture(0);
    plat::setGLFunctions(nullptr);
    kestrel::resetGLProbes();
    EXPECT_FALSE(multitexture);
    EXPECT_FALSE(selected);
    EXPECT_EQ(kestrel::textureUnitCount, 1);
    EXPECT_NE(log.text().find("Not enough texture units...!\n"), std::string::npos);
}

TEST_F(GLDisplayTest, SeparateSpecularFollowsTheExtension)
{
    kestrel::resetGLProbes();
    kestrel::setSeparateSpecular();
    GLint control = 0;
    plat::gl().GetIntegerv(GL_LIGHT_MODEL_COLOR_CONTROL, &control);
    EXPECT_EQ(control, kestrel::weHaveSeparateSpecular ? GL_SEPARATE_SPECULAR_COLOR : GL_SINGLE_COLOR);
    EXPECT_TRUE(kestrel::weHaveSeparateSpecular);
}
