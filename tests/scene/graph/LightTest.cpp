#include "scene/graph/Light.h"
#include "scene/render/Material.h"

#include "support/GLTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

// The start of a recorded call with two integral arguments and more after them.
std::string prefix(const char* name, long long a, long long b)
{
    return std::string(name) + "(" + std::to_string(a) + "," + std::to_string(b) + ",";
}

}

TEST(LightTest, LightsZeroToSevenAreSetAndOthersIgnored)
{
    GLRecorder recorder;
    finch::Light light;
    light.setType(finch::Light::positional);
    light.apply(8);
    light.apply(-1);
    EXPECT_TRUE(recorder.calls().empty());
    light.apply(7);
    EXPECT_EQ(recorder.count(prefix("Lightfv", GL_LIGHT7, GL_POSITION)), 1);
    EXPECT_EQ(recorder.count(prefix("Lightf", GL_LIGHT7, GL_LINEAR_ATTENUATION)), 1);
    EXPECT_EQ(recorder.count(GLRecorder::call("Enable", {GL_LIGHT7})), 1);
    // The matrix is kept around the light.
    EXPECT_LT(recorder.indexOf("PushMatrix"), recorder.indexOf("Lightfv"));
    EXPECT_GT(recorder.indexOf("PopMatrix"), recorder.indexOf(prefix("Lightfv", GL_LIGHT7, GL_POSITION)));
}

TEST(LightTest, LeavingAVertexColouredMaterialGivesLightZeroItsOwnColour)
{
    static std::vector<float> light0Diffuse;
    ScopedGLTable table;
    table.Lightfv = [](GLenum light, GLenum name, const GLfloat* values) {
        if (light == GL_LIGHT0 && name == GL_DIFFUSE) {
            light0Diffuse.assign(values, values + 4);
        }
    };
    finch::Light light;
    light.setColour(finch::RGBA{1.0f, 0.0f, 0.0f, 1.0f});
    light.apply(0);
    finch::Material plain(finch::RGBA{1.0f, 1.0f, 1.0f, 1.0f});
    finch::Material coloured = plain;
    coloured.setVertexColours(true);
    // As the render accumulator draws: from the default material with the state cache on.
    finch::Material::lockDefault();
    coloured.apply();
    plain.apply();
    EXPECT_EQ(light0Diffuse, (std::vector<float>{1.0f, 0.0f, 0.0f, 1.0f}));
    finch::Material::unlock();
}
