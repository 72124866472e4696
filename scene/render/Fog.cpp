#include "scene/render/Fog.h"

#include "gui/gl/GLlighting.h"

namespace finch
{

void Fog::apply() const
{
    const float rgb[4] = {colour[0], colour[1], colour[2], 1.0f};
    switch (mode) {
    case 0: kestrel::disableFog(); break;
    case 1: kestrel::setFog(kestrel::FogMode::Linear, start, end, density, rgb); break;
    case 2: kestrel::setFog(kestrel::FogMode::Exponential, start, end, density, rgb); break;
    case 3: kestrel::setFog(kestrel::FogMode::SquaredExponential, start, end, density, rgb); break;
    default: break;
    }
}

}
