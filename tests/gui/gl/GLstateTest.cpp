#include "support/GLTestSupport.h"
#include "support/LogCapture.h"

#include "gui/gl/VertexArray.h"

namespace
{

using Calls = std::vector<std::string>;
const auto call = GLRecorder::call;

std::string alphaFunc(GLenum test)
{
    return "AlphaFunc(" + std::to_string(test) + ",_)";
}

// What the GetError installed below reports, one per call, then none.
std::vector<GLenum> queuedErrors;
std::size_t nextError = 0;

}

TEST(GLstateTest, StatesMapToTheirGLSwitchesFogOnlyWhileFogIsEnabledAndUnknownStatesToNone)
{
    using kestrel::GLStateId;
    struct Case
    {
        GLStateId state;
        bool fog;
        Calls onCalls;
        Calls offCalls;
    };
    const Case cases[] = {
        {GLStateId::Lighting, false, {call("Enable", {GL_LIGHTING})}, {call("Disable", {GL_LIGHTING})}},
        {GLStateId::Blending, false, {call("Enable", {GL_BLEND})}, {call("Disable", {GL_BLEND})}},
        {GLStateId::Fog, false, {}, {}},
        {GLStateId::Fog, true, {call("Enable", {GL_FOG})}, {call("Disable", {GL_FOG})}},
        {GLStateId::AlphaTest, false, {call("Enable", {GL_ALPHA_TEST})}, {call("Disable", {GL_ALPHA_TEST})}},
        {GLStateId::DepthWrites, false, {call("DepthMask", {1})}, {call("DepthMask", {0})}},
        {GLStateId::ColourWrites, false, {call("ColorMask", {1, 1, 1, 1})}, {call("ColorMask", {0, 0, 0, 0})}},
        {GLStateId::SmoothShading, false, {call("ShadeModel", {GL_SMOOTH})}, {call("ShadeModel", {GL_FLAT})}},
        {GLStateId::SphereMap, false,
         {call("TexGeni", {GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP}), call("TexGeni", {GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP}),
          call("Enable", {GL_TEXTURE_GEN_S}), call("Enable", {GL_TEXTURE_GEN_T})},
         {call("Disable", {GL_TEXTURE_GEN_S}), call("Disable", {GL_TEXTURE_GEN_T})}},
        {GLStateId::FaceCulling, false, {call("Enable", {GL_CULL_FACE})}, {call("Disable", {GL_CULL_FACE})}},
        {static_cast<GLStateId>(11), false, {}, {}},
        {static_cast<GLStateId>(-1), false, {}, {}},
    };
    GLRecorder recorder;
    for (const Case& c : cases) {
        kestrel::enableFog = c.fog;
        recorder.clear();
        kestrel::enableState(c.state);
        EXPECT_EQ(recorder.calls(), c.onCalls) << static_cast<int>(c.state);
        recorder.clear();
        kestrel::disableState(c.state);
        EXPECT_EQ(recorder.calls(), c.offCalls) << static_cast<int>(c.state);
    }
}

TEST(GLstateTest, SettersMakeTheirCallsAndOutOfRangeSelectorsDoNothingOrFallBack)
{
    using kestrel::DepthFunc;
    using kestrel::Primitive;
    using Blend = kestrel::BlendFactor;
    const float colour[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    struct Case
    {
        std::function<void()> action;
        Calls expected;
    };
    const Case cases[] = {
        {[] { kestrel::setDepthFunc(DepthFunc(8)), kestrel::setDepthFunc(DepthFunc(-1)); }, {}},
        {[] { kestrel::setDepthFunc(DepthFunc::Always); }, {call("DepthFunc", {GL_ALWAYS})}},
        {[] { kestrel::beginPrimitive(Primitive(10)), kestrel::drawArrays(Primitive(-1), 0, 3); }, {}},
        {[] { kestrel::beginPrimitive(Primitive::Polygon); }, {call("Begin", {GL_POLYGON})}},
        {[] { kestrel::setBlendFunc(Blend::SourceAlpha, Blend::OneMinusSourceAlpha); },
         {call("BlendFunc", {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA})}},
        {[] { kestrel::setBlendFunc(Blend::SourceAlpha, Blend(4)); }, {call("BlendFunc", {GL_ONE, GL_ZERO})}},
        {[] { kestrel::setTexEnvMode(kestrel::TexEnvMode(7)); }, {call("TexEnvi", {GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_ADD})}},
        {[] { kestrel::setPolygonMode(kestrel::PolygonFace::Both, kestrel::PolygonFill::Lines); },
         {call("PolygonMode", {GL_FRONT_AND_BACK, GL_LINE})}},
        {[&] { kestrel::clearBuffers(colour, 0); }, {}},
        {[&] { kestrel::clearBuffers(colour, kestrel::ClearDepth | kestrel::ClearStencil); },
         {call("Clear", {GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT})}},
        {[&] { kestrel::clearBuffers(colour, kestrel::ClearColour); }, {"ClearColor(_,_,_,_)", call("Clear", {GL_COLOR_BUFFER_BIT})}},
        {[] { kestrel::setAlphaThreshold(-1.0f), kestrel::setAlphaThreshold(0.0f), kestrel::setAlphaThreshold(0.5f); },
         {alphaFunc(GL_ALWAYS), alphaFunc(GL_NOTEQUAL), alphaFunc(GL_GREATER)}},
        {[] { kestrel::setZUp(true), kestrel::loadIdentity(), kestrel::setZUp(false), kestrel::loadIdentity(); },
         {"LoadIdentity()", "Rotatef(_,_,_,_)", "LoadIdentity()"}},
    };
    GLRecorder recorder;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        recorder.clear();
        cases[i].action();
        EXPECT_EQ(recorder.calls(), cases[i].expected) << "case " << i;
    }
}

TEST(GLstateTest, GLErrorsAreLoggedByNameWithTheirLabel)
{
    LogCapture log;
    EXPECT_FALSE(kestrel::checkGLError(5));   // no error: logged only when a label is given
    EXPECT_FALSE(kestrel::checkGLError(-1));
    ScopedGLTable table;
    queuedErrors = {GL_STACK_OVERFLOW, 0x1234, GL_OUT_OF_MEMORY, GL_STACK_UNDERFLOW};
    table.GetError = []() -> GLenum {
        return nextError < queuedErrors.size() ? queuedErrors[nextError++] : GL_NO_ERROR;
    };
    EXPECT_TRUE(kestrel::checkGLError(3));
    EXPECT_TRUE(kestrel::checkGLError(-1));
    EXPECT_TRUE(kestrel::checkGLError(0));
    kestrel::popMatrix();
    kestrel::popMatrix();
    EXPECT_FALSE(kestrel::checkGLError(-1));
    EXPECT_EQ(log.text(), "No OpenGL error at label 5\n"
                          "OpenGL error \"Stack overflow\" at label 3\n"
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
    const Calls expected = {
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
        alphaFunc(GL_NOTEQUAL),
        call("Enable", {GL_NORMALIZE}),
        call("EnableClientState", {GL_VERTEX_ARRAY}),
        call("DisableClientState", {GL_COLOR_ARRAY}),
        call("DisableClientState", {GL_NORMAL_ARRAY}),
    };
    EXPECT_EQ(recorder.calls(), expected);
    kestrel::enableFog = false;
}
