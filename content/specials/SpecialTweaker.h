#pragma once

#include "base/counted_ptr.h"
#include "scene/graph/Branch.h"
#include "scene/graph/TraversalCallback.h"

namespace finch
{
class GeoBunch;
class Material;
class PolygonBranch;
class Texture;
}

namespace pelican_specials
{

class MyBunchProcessor;

// A special that acts once: it rewrites the materials, texture coordinates or bunch hooks of the
// geometry below its group, then takes itself off the group. Each step does nothing unless a
// special overrides it. Main thread only.
class SpecialTweaker : public finch::TraversalCallback
{
public:
    // Changes a copy of a material in use.
    virtual void tweakMaterial(finch::Material& material) {}
    virtual void apply(finch::Branch& branch) = 0;
    virtual void tweakBunch(finch::GeoBunch& bunch) {}
    virtual void tweakPolygons(finch::PolygonBranch& branch) {}
    virtual void tweakProcessor(MyBunchProcessor& processor) {}

protected:
    // The shared material equal to the material tweaked.
    heron::counted_ptr<finch::Material> tweaked(const heron::counted_ptr<finch::Material>& material);
    void rewriteBunch(finch::GeoBunch& bunch);
    // The result for the last material met is reused for the polygons that follow with it. A lit
    // material is logged once per call, with the object and the branch.
    void rewritePolygons(finch::PolygonBranch& branch);
    // Walks the branch with AddSpecials, then schedules its removal.
    void applyOnce(finch::Branch& branch);
};

// Walks a branch for a tweaker: polygon branches go to tweakPolygons; geometry branches get a
// MyBunchProcessor hook (a new one unless they hold one), which goes to tweakProcessor, and each
// bunch goes to tweakBunch.
class AddSpecials : public finch::BranchProcessor
{
public:
    explicit AddSpecials(SpecialTweaker& tweaker) : m_tweaker(tweaker) {}
    bool process(finch::Branch& branch) override;

private:
    SpecialTweaker& m_tweaker;
};

// Gives every polygon below a branch a texture in slot 1 and texture coordinates 1 = 0 x factor,
// the factor being 1 / scale (1 for a scale of 0).
class TexGen : public finch::BranchProcessor
{
public:
    TexGen(const heron::counted_ptr<finch::Texture>& texture, float scale);
    bool process(finch::Branch& branch) override;
    float factor() const { return m_factor; }

private:
    heron::counted_ptr<finch::Texture> m_texture;
    float m_factor;
};

// A detail texture made from a file: mipmaps fade from 0.5 at a factor 0.8.
heron::counted_ptr<finch::Texture> detailTexture(const heron_string& file);
// A cycling texture made from a frame file at a cycle speed; null for an empty file name.
heron::counted_ptr<finch::Texture> cyclingTexture(const heron_string& frame, float speed, bool detail);

}
