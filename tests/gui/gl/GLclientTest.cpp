#include "support/GLTestSupport.h"
#include "support/LogCapture.h"

namespace
{

class CountingClient : public kestrel::GLclient
{
public:
    void loadExtensions() override { ++loads; }
    int loads = 0;
};

}

TEST(GLclientTest, BindingWithoutAUsableContextFailsWithItsLogLines)
{
    if (plat::currentGLContext()) {
        GTEST_SKIP() << "a context is current";
    }
    CountingClient client;
    kestrel::glLogging = false;
    {
        LogCapture log;
        EXPECT_FALSE(kestrel::GLclient::bind(0, nullptr, client));
        EXPECT_EQ(log.text(), "doBind() - no RC!\ndoBind() failed!\n");
        EXPECT_TRUE(kestrel::glLogging);
    }
    int notAContext = 0;
    LogCapture log;
    EXPECT_FALSE(kestrel::GLclient::bind(12345, &notAContext, client));
    EXPECT_EQ(log.text(), "Binding the render context...\nwglMakeCurrent() failed!\ndoBind() failed!\n");
    EXPECT_EQ(client.loads, 0);
    kestrel::glLogging = false;
}

TEST(GLclientTest, AnEmptyImageMakesNoTexture)
{
    GLRecorder recorder;
    EXPECT_FALSE(kestrel::Image().makeTexture(MipmapOptions(true, false)));
    EXPECT_EQ(kestrel::buildTexture(kestrel::Image(), MipmapOptions(true, false)), 0);
    EXPECT_TRUE(recorder.calls().empty());
}
