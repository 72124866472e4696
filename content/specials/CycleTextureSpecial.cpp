#include "content/specials/CycleTextureSpecial.h"

#include "base/DataDest.h"
#include "content/specials/FrameFiles.h"
#include "content/world/PendingHooks.h"
#include "scene/core/TaggedBlock.h"
#include "scene/geometry/GeoBunch.h"
#include "scene/render/Material.h"
#include "scene/render/Texture.h"

namespace pelican_specials
{

namespace
{

enum CycleTag : std::uint32_t
{
    valuesTag = 1,
    framesTag = 2,
};

// The bunch's material with the texture in a slot, shared.
void giveTexture(finch::GeoBunch& bunch, const heron::counted_ptr<finch::Texture>& texture, int slot)
{
    const heron::counted_ptr<finch::Material>& in = bunch.surface().material;
    finch::Material copy(in ? *in : *finch::Material::defaultMaterial());
    copy.setTexture(slot, texture);
    bunch.editSurface().setMaterial(finch::Material::intern(copy));
}

}

heron::Streamable* CycleTextureSpecial::create()
{
    return new CycleTextureSpecial;
}

CycleTextureSpecial::CycleTextureSpecial(std::vector<heron_string> frames, float speed)
    : m_speed(speed), m_texture(cyclingTexture(firstFrame(frames), speed, false)), m_frames(std::move(frames))
{
}

void CycleTextureSpecial::apply(finch::Branch& branch)
{
    applyOnce(branch);
}

void CycleTextureSpecial::tweakBunch(finch::GeoBunch& bunch)
{
    if (m_texture) {
        giveTexture(bunch, m_texture, 0);
    }
}

bool CycleTextureSpecial::preTraverse(finch::Traverser&, finch::Branch& branch)
{
    pelican::scheduleHookRemoval(branch);
    return true;
}

void CycleTextureSpecial::read(heron::DataSource& source)
{
    SpecialTweaker::read(source);
    finch::readTaggedBlock(source, [&](std::uint32_t tag) {
        switch (tag) {
        case valuesTag: finch::readFiniteFloat(source, m_speed, "CycleTextureSpecial"); break;
        case framesTag: readFrameFiles(source, m_frames); break;
        default: break;
        }
    });
}

void CycleTextureSpecial::afterLoad()
{
    m_texture = cyclingTexture(firstFrame(m_frames), m_speed, false);
}

void CycleTextureSpecial::write(heron::DataDest& dest) const
{
    SpecialTweaker::write(dest);
    dest.writeTag(valuesTag);
    finch::writeFloat(dest, m_speed);
    dest.writeTag(framesTag);
    writeFrameFiles(dest, m_frames);
    dest.writeTag(0);
}

heron::Streamable* DetailCycleSpecial::create()
{
    return new DetailCycleSpecial;
}

DetailCycleSpecial::DetailCycleSpecial(finch::Branch& group, std::vector<heron_string> frames, float speed, float scale)
    : m_texture(cyclingTexture(firstFrame(frames), speed, true)), m_scale(scale), m_speed(speed), m_frames(std::move(frames))
{
    layOver(group);
}

void DetailCycleSpecial::layOver(finch::Branch& branch) const
{
    if (m_texture) {
        TexGen walk(m_texture, m_scale);
        branch.process(walk);
    }
}

void DetailCycleSpecial::apply(finch::Branch& branch)
{
    AddSpecials walk(*this);
    branch.process(walk);
}

void DetailCycleSpecial::tweakBunch(finch::GeoBunch& bunch)
{
    if (m_texture) {
        giveTexture(bunch, m_texture, 1);
    }
}

bool DetailCycleSpecial::preTraverse(finch::Traverser&, finch::Branch& branch)
{
    layOver(branch);
    pelican::scheduleHookRemoval(branch);
    return true;
}

void DetailCycleSpecial::read(heron::DataSource& source)
{
    SpecialTweaker::read(source);
    finch::readTaggedBlock(source, [&](std::uint32_t tag) {
        switch (tag) {
        case valuesTag:
            finch::readFiniteFloat(source, m_scale, "DetailCycleSpecial");
            finch::readFiniteFloat(source, m_speed, "DetailCycleSpecial");
            break;
        case framesTag: readFrameFiles(source, m_frames); break;
        default: break;
        }
    });
}

void DetailCycleSpecial::afterLoad()
{
    m_texture = cyclingTexture(firstFrame(m_frames), m_speed, true);
}

void DetailCycleSpecial::write(heron::DataDest& dest) const
{
    SpecialTweaker::write(dest);
    dest.writeTag(valuesTag);
    finch::writeFloat(dest, m_scale);
    finch::writeFloat(dest, m_speed);
    dest.writeTag(framesTag);
    writeFrameFiles(dest, m_frames);
    dest.writeTag(0);
}

}
