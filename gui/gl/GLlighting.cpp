#include "gui/gl/GLlighting.h"

#include "gui/gl/GLcapabilities.h"
#include "gui/gl/GLstate.h"
#include "platform/GLFunctions.h"

namespace kestrel
{

namespace
{

constexpr int lightCount = 8;

}

void setMaterialColour(MaterialColour which, const float* rgba)
{
    constexpr GLenum names[] = {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR, GL_EMISSION};
    const int index = static_cast<int>(which);
    if (index < 0 || index > 3) {
        return;
    }
    plat::gl().Materialfv(GL_FRONT_AND_BACK, names[index], rgba);
}

void setMaterialShininess(float exponent)
{
    plat::gl().Materialf(GL_FRONT_AND_BACK, GL_SHININESS, exponent);
}

void setLightDiffuse(int light, const float* rgba)
{
    if (light < 0 || light >= lightCount) {
        return;
    }
    plat::gl().Lightfv(GL_LIGHT0 + light, GL_DIFFUSE, rgba);
}

void setLight(int light, const float* position, const float* rgba, const float* attenuation, const float* frame)
{
    if (light < 0 || light >= lightCount) {
        return;
    }
    plat::GLFunctions& g = plat::gl();
    const GLenum name = GL_LIGHT0 + light;
    g.PushMatrix();
    if (frame != nullptr) {
        loadMatrix(frame);
    } else {
        loadIdentity();
    }
    g.Lightfv(name, GL_POSITION, position);
    popMatrix();
    g.Lightf(name, GL_CONSTANT_ATTENUATION, attenuation[0]);
    g.Lightf(name, GL_LINEAR_ATTENUATION, attenuation[1]);
    g.Lightf(name, GL_QUADRATIC_ATTENUATION, attenuation[2]);
    g.Lightfv(name, GL_AMBIENT, rgba);
    g.Lightfv(name, GL_DIFFUSE, rgba);
    g.Lightfv(name, GL_SPECULAR, rgba);
    plat::glSwitch(name, true);
}

void setLightModel(const float* ambient, bool localViewer, bool separateSpecular)
{
    plat::GLFunctions& g = plat::gl();
    g.LightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    g.LightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, localViewer ? GL_TRUE : GL_FALSE);
    setSeparateSpecular();
    if (weHaveSeparateSpecular && !separateSpecular) {
        g.LightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SINGLE_COLOR);
    }
}

void setFog(FogMode mode, float start, float end, float density, const float* rgba)
{
    if (!enableFog) {
        return;
    }
    plat::GLFunctions& g = plat::gl();
    switch (mode) {
    case FogMode::Linear:
        g.Fogi(GL_FOG_MODE, GL_LINEAR);
        g.Fogf(GL_FOG_START, start);
        g.Fogf(GL_FOG_END, end);
        break;
    case FogMode::Exponential:
    case FogMode::SquaredExponential:
        g.Fogi(GL_FOG_MODE, mode == FogMode::Exponential ? GL_EXP : GL_EXP2);
        g.Fogf(GL_FOG_DENSITY, density);
        break;
    }
    g.Fogfv(GL_FOG_COLOR, rgba);
    plat::glSwitch(GL_FOG, true);
}

void disableFog()
{
    if (enableFog) {
        plat::glSwitch(GL_FOG, false);
    }
}

void enableColourMaterial()
{
    plat::gl().ColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    plat::glSwitch(GL_COLOR_MATERIAL, true);
}

void disableColourMaterial()
{
    plat::glSwitch(GL_COLOR_MATERIAL, false);
}

}
