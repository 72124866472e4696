#include "content/specials/CycleTextureSpecial.h"

#include "base/DataDest.h"
#include "content/specials/FrameFiles.h"
#include "scene/core/TaggedBlock.h"
#include "scene/geometry/GeoBunch.h"
#include "scene/graph/Branch.h"
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

}

FrameCycleSpecial::FrameCycleSpecial(int slot, bool detail, std::vector<heron_string> frames, float speed)
    : m_slot(slot), m_detail(detail), m_speed(speed), m_frames(std::move(frames)),
      m_texture(cyclingTexture(firstFrame(m_frames), speed, detail))
{
}

void FrameCycleSpecial::tweakBunch(finch::GeoBunch& bunch)
{
    if (!m_texture) {
        return;
    }
    const heron::counted_ptr<finch::Material>& in = bunch.surface().material;
    finch::Material copy(in ? *in : *finch::Material::defaultMaterial());
    copy.setTexture(m_slot, m_texture);
    bunch.editSurface().setMaterial(finch::Material::intern(copy));
}

void FrameCycleSpecial::afterLoad()
{
    m_texture = cyclingTexture(firstFrame(m_frames), m_speed, m_detail);
}

void FrameCycleSpecial::readCycle(heron::DataSource& source, float* scale)
{
    SpecialTweaker::read(source);
    finch::readTaggedBlock(source, [&](std::uint32_t tag) {
        switch (tag) {
        case valuesTag:
            if (scale != nullptr) {
                finch::readFiniteFloat(source, *scale, className());
            }
            finch::readFiniteFloat(source, m_speed, className());
            break;
        case framesTag: readFrameFiles(source, m_frames); break;
        default: break;
        }
    });
}

void FrameCycleSpecial::writeCycle(heron::DataDest& dest, const float* scale) const
{
    SpecialTweaker::write(dest);
    dest.writeTag(valuesTag);
    if (scale != nullptr) {
        finch::writeFloat(dest, *scale);
    }
    finch::writeFloat(dest, m_speed);
    dest.writeTag(framesTag);
    writeFrameFiles(dest, m_frames);
    dest.writeTag(0);
}

heron::Streamable* CycleTextureSpecial::create()
{
    return new CycleTextureSpecial;
}

CycleTextureSpecial::CycleTextureSpecial(std::vector<heron_string> frames, float speed)
    : FrameCycleSpecial(0, false, std::move(frames), speed)
{
}

void CycleTextureSpecial::apply(finch::Branch& branch)
{
    applyOnce(branch);
}

bool CycleTextureSpecial::preTraverse(finch::Traverser&, finch::Branch& branch)
{
    branch.scheduleCallbackRemoval();
    return true;
}

void CycleTextureSpecial::read(heron::DataSource& source)
{
    readCycle(source, nullptr);
}

void CycleTextureSpecial::write(heron::DataDest& dest) const
{
    writeCycle(dest, nullptr);
}

heron::Streamable* DetailCycleSpecial::create()
{
    return new DetailCycleSpecial;
}

DetailCycleSpecial::DetailCycleSpecial(finch::Branch& group, std::vector<heron_string> frames, float speed, float scale)
    : FrameCycleSpecial(1, true, std::move(frames), speed), m_scale(scale)
{
    layOver(group);
}

void DetailCycleSpecial::layOver(finch::Branch& branch) const
{
    if (texture()) {
        TexGen walk(texture(), m_scale);
        branch.process(walk);
    }
}

void DetailCycleSpecial::apply(finch::Branch& branch)
{
    AddSpecials walk(*this);
    branch.process(walk);
}

bool DetailCycleSpecial::preTraverse(finch::Traverser&, finch::Branch& branch)
{
    layOver(branch);
    branch.scheduleCallbackRemoval();
    return true;
}

void DetailCycleSpecial::read(heron::DataSource& source)
{
    readCycle(source, &m_scale);
}

void DetailCycleSpecial::write(heron::DataDest& dest) const
{
    writeCycle(dest, &m_scale);
}

}
