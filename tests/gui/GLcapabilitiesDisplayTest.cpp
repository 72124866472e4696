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
