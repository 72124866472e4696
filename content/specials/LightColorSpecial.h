#pragma once

#include "content/specials/SpecialTweaker.h"

namespace pelican_specials
{

// Lights its group by vertex colours: every material below it gets vertex colours on, flag 32
// on and flag 33 off. Stays on its group (applying it again changes nothing). Stored as an empty
// block.
class LightColorSpecial : public SpecialTweaker
{
public:
    static constexpr const char* classIdentifier = "duskharbor::pelican::LightColorSpecial";
    [[nodiscard]] static heron::Streamable* create();

    void apply(finch::Branch& branch) override;
    void tweakMaterial(finch::Material& material) override;
    void tweakBunch(finch::GeoBunch& bunch) override { rewriteBunch(bunch); }
    void tweakPolygons(finch::PolygonBranch& branch) override { rewritePolygons(branch); }
    const char* className() const override { return classIdentifier; }
};

}
