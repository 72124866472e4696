#pragma once

#include "base/counted_ptr.h"
#include "scene/render/Material.h"

namespace finch
{

// What a polygon or bunch is drawn with: a material (never empty: the shared "Default" one when
// none is given), face culling (on by default) and blending (off by default).
struct Surface
{
    Surface() : material(Material::defaultMaterial()) {}

    // Null gives the "Default" material.
    void setMaterial(const heron::counted_ptr<Material>& m) { material = m ? m : Material::defaultMaterial(); }
    void setFlagA(bool cull) { cullFaces = cull; }
    void setFlagB(bool blending) { blend = blending; }

    bool operator==(const Surface& other) const
    {
        return material == other.material && cullFaces == other.cullFaces && blend == other.blend;
    }

    heron::counted_ptr<Material> material;
    bool cullFaces = true;
    bool blend = false;
};

}
