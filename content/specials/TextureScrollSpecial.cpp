#include "content/specials/TextureScrollSpecial.h"

#include "base/DataDest.h"
#include "content/specials/Rendering.h"
#include "gui/gl/GLstate.h"
#include "scene/core/Clock.h"
#include "scene/core/TaggedBlock.h"

#include <cmath>

namespace pelican_specials
{

namespace
{

enum ScrollTag : std::uint32_t
{
    onTag = 1,
    offsetsTag = 2,
    speedsTag = 3,
};

// The fraction of the offset moved on, so that it stays within (-1, 1).
float advance(float offset, float speed, double seconds)
{
    const double moved = double(speed) * seconds + offset;
    return float(moved - std::trunc(moved));
}

}

heron::Streamable* TextureScrollSpecial::create()
{
    return new TextureScrollSpecial;
}

void TextureScrollSpecial::OffsetSetter::set(float u, float v)
{
    m_u = u;
    m_v = v;
}

void TextureScrollSpecial::OffsetSetter::render(kestrel::ImageBody&)
{
    kestrel::setTextureOffset(m_u, m_v);
}

TextureScrollSpecial::TextureScrollSpecial(float uSpeed, float vSpeed) : m_on(true), m_uSpeed(uSpeed), m_vSpeed(vSpeed)
{
}

bool TextureScrollSpecial::preTraverse(finch::Traverser& traverser, finch::Branch&)
{
    if (!m_on || !isRendering(traverser)) {
        return true;
    }
    m_active = true;
    traverser.accumulator().pushOverrideState(finch::RenderAccumulator::orderedFlag);
    traverser.accumulator().addRenderable(m_before, nullptr, false);
    const double delta = finch::Clock::frameDelta();
    m_uOffset = advance(m_uOffset, m_uSpeed, delta);
    m_vOffset = advance(m_vOffset, m_vSpeed, delta);
    m_before.set(m_uOffset, m_vOffset);
    return true;
}

void TextureScrollSpecial::postTraverse(finch::Traverser& traverser, finch::Branch&)
{
    if (!m_active) {
        return;
    }
    m_active = false;
    traverser.accumulator().addRenderable(m_after, nullptr, false);
    traverser.accumulator().popOverrideState();
}

void TextureScrollSpecial::read(heron::DataSource& source)
{
    TraversalCallback::read(source);
    finch::readTaggedBlock(source, [&](std::uint32_t tag) {
        switch (tag) {
        case onTag: finch::readBoolField(source, m_on); break;
        case offsetsTag:
            finch::readFiniteFloat(source, m_uOffset, "TextureScrollSpecial");
            finch::readFiniteFloat(source, m_vOffset, "TextureScrollSpecial");
            break;
        case speedsTag:
            finch::readFiniteFloat(source, m_uSpeed, "TextureScrollSpecial");
            finch::readFiniteFloat(source, m_vSpeed, "TextureScrollSpecial");
            break;
        default: break;
        }
    });
}

void TextureScrollSpecial::write(heron::DataDest& dest) const
{
    TraversalCallback::write(dest);
    dest.writeTag(onTag).writeBool(m_on);
    dest.writeTag(offsetsTag);
    finch::writeFloat(dest, m_uOffset);
    finch::writeFloat(dest, m_vOffset);
    dest.writeTag(speedsTag);
    finch::writeFloat(dest, m_uSpeed);
    finch::writeFloat(dest, m_vSpeed);
    dest.writeTag(0);
}

}
