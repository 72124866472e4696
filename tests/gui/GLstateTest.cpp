#include "GLRecorder.h"
#include "LogCapture.h"

#include "gui/GLcapabilities.h"
#include "gui/GLstate.h"
#include "gui/VertexArray.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

std::string call(const char* name, std::initializer_list<long long> args)
{
    std::string text = std::string(name) + "(";
    bool first = true;
    for (const long long a : args) {
        text += (first ? "" : ",") + std::to_string(a);
        first = false;
    }
    return text + ")";
}

}

TEST(GLstateTest, StatesMapToTheirGLSwitches)
{
    struct Case
    {
        int state;
        std::vector<std::string> onCalls;
        std::vector<std::string> offCalls;
    };
    const Case cases[] = {
        {0, {call("Enable", {GL_LIGHTING})}, {call("Disable", {GL_LIGHTING})}},
        {1, {call("Enable", {GL_BLEND})}, {call("Disable", {GL_BLEND})}},
        {4, {call("Enable", {GL_ALPHA_TEST})}, {call("Disable", {GL_ALPHA_TEST})}},
        {6, {call("DepthMask", {1})}, {call("DepthMask", {0})}},
        {7, {call("ColorMask", {1, 1, 1, 1})}, {call("ColorMask", {0, 0, 0, 0})}},
        {8, {call("ShadeModel", {GL_SMOOTH})}, {call("ShadeModel", {GL_FLAT})}},
        {9,
         {call("TexGeni", {GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP}), call("TexGeni", {GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP}),
          call("Enable", {GL_TEXTURE_GEN_S}), call("Enable", {GL_TEXTURE_GEN_T})},
         {call("Disable", {GL_TEXTURE_GEN_S}), call("Disable", {GL_TEXTURE_GEN_T})}},
        {10, {call("Enable", {GL_CULL_FACE})}, {call("Disable", {GL_CULL_FACE})}},
        {11, {}, {}},
        {-1, {}, {}},
    };
    GLRecorder recorder;
    for (const Case& c : cases) {
        recorder.clear();
        kestrel::enableState(c.state);
        EXPECT_EQ(recorder.calls(), c.onCalls) << c.state;
        recorder.clear();
        kestrel::disableState(c.state);
        EXPECT_EQ(recorder.calls(), c.offCalls) << c.state;
    }
}

TEST(GLstateTest, FogFollowsTheStateOnlyWhenFogIsEnabled)
{
    GLRecorder recorder;
    kestrel::enableFog = false;
    kestrel::enableState(kestrel::StateFog);
    kestrel::disableState(kestrel::StateFog);
    EXPECT_TRUE(recorder.calls().empty());
    kestrel::enableFog = true;
    kestrel::enableState(kestrel::StateFog);
    EXPECT_EQ(recorder.count(call("Enable", {GL_FOG})), 1);
}

TEST(GLstateTest, OutOfRangeSelectorsDoNothingOrFallBack)
{
    GLRecorder recorder;
    kestrel::setDepthFunc(8);
    kestrel::setDepthFunc(-1);
    kestrel::beginPrimitive(10);
    kestrel::drawArrays(-1, 0, 3);
    const float colour[4] = {0, 0, 0, 0};
    kestrel::clearBuffers(colour, 0);
    EXPECT_TRUE(recorder.calls().empty());
    kestrel::setDepthFunc(0);
    kestrel::beginPrimitive(9);
    kestrel::setBlendFunc(2, 3);
    kestrel::setBlendFunc(2, 4);
    kestrel::setTexEnvMode(7);
    kestrel::setPolygonMode(2, 1);
    const std::vector<std::string> expected = {
        call("DepthFunc", {GL_ALWAYS}),
        call("Begin", {GL_POLYGON}),
        call("BlendFunc", {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA}),
        call("BlendFunc", {GL_ONE, GL_ZERO}),
        call("TexEnvi", {GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_ADD}),
        call("PolygonMode", {GL_FRONT_AND_BACK, GL_LINE}),
    };
    EXPECT_EQ(recorder.calls(), expected);
}

TEST(GLstateTest, AlphaThresholdSignPicksTheTest)
{
    GLRecorder recorder;
    kestrel::setAlphaThreshold(-1.0f);
    kestrel::setAlphaThreshold(0.0f);
    kestrel::setAlphaThreshold(0.5f);
    const std::vector<std::string> expected = {"AlphaFunc(" + std::to_string(GL_ALWAYS) + ",_)",
                                               "AlphaFunc(" + std::to_string(GL_NOTEQUAL) + ",_)",
                                               "AlphaFunc(" + std::to_string(GL_GREATER) + ",_)"};
    EXPECT_EQ(recorder.calls(), expected);
}

TEST(GLstateTest, ClearBuffersMakesOneClearOfTheAskedBuffers)
{
    GLRecorder recorder;
    const float colour[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    kestrel::clearBuffers(colour, 2 | 4);
    EXPECT_EQ(recorder.calls(), std::vector<std::string>{call("Clear", {GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT})});
    recorder.clear();
    kestrel::clearBuffers(colour, 1);
    EXPECT_EQ(recorder.calls(), (std::vector<std::string>{"ClearColor(_,_,_,_)", call("Clear", {GL_COLOR_BUFFER_BIT})}));
}

TEST(GLstateTest, ZUpTurnsTheIdentity)
{
    GLRecorder recorder;
    kestrel::setZUp(true);
    kestrel::loadIdentity();
    kestrel::setZUp(false);
    kestrel::loadIdentity();
    EXPECT_EQ(recorder.calls(), (std::vector<std::string>{"LoadIdentity()", "Rotatef(_,_,_,_)", "LoadIdentity()"}));
}

TEST(GLstateTest, CheckGLErrorLogsTheLabelOnlyWhenAsked)
{
    LogCapture log;
    EXPECT_FALSE(kestrel::checkGLError(5));
    EXPECT_FALSE(kestrel::checkGLError(-1));
    EXPECT_EQ(log.text(), "No OpenGL error at label 5\n");
}

namespace
{

// A GL table whose GetError reports the queued errors, one per call, then none.
class ErrorTable
{
public:
    explicit ErrorTable(std::vector<GLenum> errors)
    {
        queue() = std::move(errors);
        m_table.GetError = [] {
            std::vector<GLenum>& q = queue();
            if (q.empty()) {
                return static_cast<GLenum>(GL_NO_ERROR);
            }
            const GLenum error = q.front();
            q.erase(q.begin());
            return error;
        };
        plat::setGLFunctions(&m_table);
    }
    ~ErrorTable() { plat::setGLFunctions(nullptr); }

private:
    static std::vector<GLenum>& queue()
    {
        static std::vector<GLenum> errors;
        return errors;
    }

    plat::GLFunctions m_table = plat::glDriver();
};

}

TEST(GLstateTest, GLErrorsAreLoggedByNameWithTheirLabel)
{
    ErrorTable errors({GL_STACK_OVERFLOW, 0x1234, GL_OUT_OF_MEMORY, GL_STACK_UNDERFLOW});
    LogCapture log;
    EXPECT_TRUE(kestrel::checkGLError(3));
    EXPECT_TRUE(kestrel::checkGLError(-1));
    EXPECT_TRUE(kestrel::checkGLError(0));
    kestrel::popMatrix();
    kestrel::popMatrix();
    EXPECT_FALSE(kestrel::checkGLError(-1));
    EXPECT_EQ(log.text(), "OpenGL error \"Stack overflow\" at label 3\n"
                          "OpenGL error \"\"\n"
                          "OpenGL error \"Out of memory\" at label 0\n"
                          "GL had an error 1284 during popMatrix()\n");
}

TEST(GLstateTest, ResetTurnsEverySwitchToTheToolkitDefaults)
{
    kestrel::VertexArray::endClientArrays();
    kestrel::resetGLProbes();
    kestrel::loadMultiTextureExtensions();
    kestrel::enableFog = true;
    GLRecorder recorder;
    kestrel::resetGLState();
    const std::vector<std::string> expected = {
        call("Disable", {GL_LIGHTING}),
        call("Disable", {GL_BLEND}),
        call("Disable", {GL_TEXTURE_2D}),       // one unit without multitexture
        call("DisableClientState", {GL_TEXTURE_COORD_ARRAY}),
        call("Disable", {GL_FOG}),
        call("Enable", {GL_ALPHA_TEST}),
        call("Enable", {GL_DEPTH_TEST}),
        call("DepthMask", {1}),
        call("ColorMask", {1, 1, 1, 1}),
        call("ShadeModel", {GL_SMOOTH}),
        call("Disable", {GL_TEXTURE_GEN_S}),
        call("Disable", {GL_TEXTURE_GEN_T}),
        call("Enable", {GL_CULL_FACE}),
        "AlphaFunc(" + std::to_string(GL_NOTEQUAL) + ",_)",
        call("Enable", {GL_NORMALIZE}),
        call("EnableClientState", {GL_VERTEX_ARRAY}),
        call("DisableClientState", {GL_COLOR_ARRAY}),
        call("DisableClientState", {GL_NORMAL_ARRAY}),
    };
    EXPECT_EQ(recorder.calls(), expected);
}
