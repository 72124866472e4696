#include "content/specials/GlowSpecial.h"

#include "content/specials/Rendering.h"
#include "gui/gl/GLstate.h"

namespace pelican_specials
{

heron::Streamable* GlowSpecial::create()
{
    return new GlowSpecial;
}

void GlowSpecial::BlendSetter::render(kestrel::ImageBody&)
{
    kestrel::setBlendFunc(kestrel::BlendFactor::SourceAlpha,
                          m_additive ? kestrel::BlendFactor::One : kestrel::BlendFactor::OneMinusSourceAlpha);
}

bool GlowSpecial::preTraverse(finch::Traverser& traverser, finch::Branch&)
{
    if (isRendering(traverser)) {
        finch::RenderAccumulator& accumulator = traverser.accumulator();
        accumulator.pushOverrideState(finch::RenderAccumulator::noDepthWritesFlag);
        accumulator.pushOverrideState(finch::RenderAccumulator::orderedFlag);
        accumulator.addRenderable(m_start, nullptr, true);
    }
    return true;
}

void GlowSpecial::postTraverse(finch::Traverser& traverser, finch::Branch&)
{
    if (isRendering(traverser)) {
        finch::RenderAccumulator& accumulator = traverser.accumulator();
        accumulator.addRenderable(m_stop, nullptr, true);
        accumulator.popOverrideState();
        accumulator.popOverrideState();
    }
}

}
