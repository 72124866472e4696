#include "content/specials/LightColorSpecial.h"

#include "scene/render/Material.h"

namespace pelican_specials
{

heron::Streamable* LightColorSpecial::create()
{
    return new LightColorSpecial;
}

void LightColorSpecial::apply(finch::Branch& branch)
{
    AddSpecials walk(*this);
    branch.process(walk);
}

void LightColorSpecial::tweakMaterial(finch::Material& material)
{
    material.setVertexColours(true);
    material.setFlag32(true);
    material.setFlag33(false);
}

}
