#include "content/specials/DolphinSwimSpecial.h"

#include "base/DataDest.h"
#include "base/Debug.h"
#include "content/specials/Rendering.h"
#include "scene/core/TaggedBlock.h"
#include "scene/graph/Object.h"

#include <cmath>

namespace pelican_specials
{

namespace
{

enum SwimTag : std::uint32_t
{
    speedTag = 1,
    objectTag = 2,
};

// A stored double that is not finite keeps the field's value.
void readFiniteDouble(heron::DataSource& source, double& field)
{
    double value = field;
    source.readDouble(value);
    if (source.hasError()) {
        return;
    }
    if (!std::isfinite(value)) {
        heron::debug("DolphinSwimSpecial - a stored value that is not a number was ignored!\n");
        return;
    }
    field = value;
}

}

heron::Streamable* DolphinSwimSpecial::create()
{
    return new DolphinSwimSpecial;
}

bool DolphinSwimSpecial::preTraverse(finch::Traverser& traverser, finch::Branch&)
{
    if (!isRendering(traverser) || m_object == nullptr) {
        return true;
    }
    m_phase = std::fmod(m_phase + m_speed, 1.0);
    m_object->setAnimation(float(m_phase));
    return true;
}

void DolphinSwimSpecial::read(heron::DataSource& source)
{
    TraversalCallback::read(source);
    finch::readTaggedBlock(source, [&](std::uint32_t tag) {
        switch (tag) {
        case speedTag:
            readFiniteDouble(source, m_speed);
            readFiniteDouble(source, m_phase);
            break;
        case objectTag: finch::readBorrowedRef(source, m_object); break;
        default: break;
        }
    });
}

void DolphinSwimSpecial::write(heron::DataDest& dest) const
{
    TraversalCallback::write(dest);
    dest.writeTag(speedTag).writeDouble(m_speed).writeDouble(m_phase);
    dest.writeTag(objectTag).writeObjectRef(m_object);
    dest.writeTag(0);
}

}
