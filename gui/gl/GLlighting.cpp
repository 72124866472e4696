#include "gui/gl/GLlighting.h"

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
