#include "scene/graph/LodBranch.h"

#include "base/DataDest.h"
#include "scene/core/TaggedBlock.h"
#include "scene/graph/Traverser.h"

#include <cmath>

namespace finch
{

bool lodFadeEnabled = true;

namespace
{

enum LodTag : std::uint32_t
{
    fadeBandTag = 1,
    distanceTag = 2,
    linksTag = 3,
};

}

heron::Streamable* LodBranch::create()
{
    return new LodBranch;
}

LodBranch::LodBranch()
{
    makeDirty();
}

void LodBranch::setDistance(double d)
{
    m_distance = d;
    m_distanceSquared = d * d;
    makeDirty();
}

void LodBranch::setChainLinks(LodBranch* previous, LodBranch* next)
{
    m_previous = previous;
    m_next = next;
}

double LodBranch::eyeDistanceSquared(Traverser& traverser) const
{
    const Matrix& m = traverser.modelView();
    Vector3d centre;
    m.transformPoint(centre, box().centre());
    double d2 = (traverser.viewpoint() - centre).lengthSquared();
    const double s2 = m.at(1, 0) * m.at(1, 0) + m.at(1, 1) * m.at(1, 1) + m.at(1, 2) * m.at(1, 2);
    d2 *= s2 < 0.99 || s2 > 1.01 ? 1.0 / std::sqrt(s2) : s2;
    return d2 * traverser.lodScaleInvSq();
}

void LodBranch::traverse(Traverser& traverser)
{
    if (m_previous != nullptr) {
        return;
    }
    const bool fading = lodFadeEnabled && traverser.kind() == Traverser::Kind::Rendering;
    const double d2 = eyeDistanceSquared(traverser);
    double lower = 0.0;
    for (LodBranch* level = this; level != nullptr; level = level->m_next) {
        const bool band = fading && level->m_fadeBand;
        const double lo = band ? 0.9 : 1.0;
        const double hi = band ? (level->m_next == nullptr ? 1.2 : 1.1) : 1.0;
        const double upper = level->m_distanceSquared * hi;
        if (lower <= d2 && d2 < upper) {
            level->drawLevel(traverser, d2, lo, upper);
            return;
        }
        lower = upper;
    }
}

void LodBranch::drawLevel(Traverser& traverser, double d2, double lo, double upper)
{
    const double D2 = m_distanceSquared;
    if (d2 < D2 * lo) {
        traverseGroup(traverser);
        return;
    }
    RenderAccumulator& accumulator = traverser.accumulator();
    accumulator.pushOverrideState(RenderAccumulator::orderedFlag);
    if (d2 < D2) {
        // The coarser level fades in as the eye nears the switch distance.
        if (m_next != nullptr) {
            accumulator.pushTransparency(float((d2 - D2 * lo) / (D2 - D2 * lo)));
            accumulator.pushOverrideState(RenderAccumulator::noDepthWritesFlag);
            m_next->traverseGroup(traverser);
            accumulator.popOverrideState();
            accumulator.popTransparency();
        }
        traverseGroup(traverser);
    } else {
        // This level fades out towards upper.
        if (m_next != nullptr) {
            accumulator.pushOverrideState(RenderAccumulator::noDepthWritesFlag);
            m_next->traverseGroup(traverser);
            accumulator.popOverrideState();
        }
        accumulator.pushTransparency(float(1.0 - (d2 - D2) / (upper - D2)));
        traverseGroup(traverser);
        accumulator.popTransparency();
    }
    accumulator.popOverrideState();
}

void LodBranch::read(heron::DataSource& source)
{
    GroupBranch::read(source);
    readTaggedBlock(source, [&](std::uint32_t tag) {
        switch (tag) {
        case fadeBandTag: readBoolField(source, m_fadeBand); break;
        case distanceTag: source.readDouble(m_distance).readDouble(m_distanceSquared); break;
        // The chain is linked again from the parent's children.
        case linksTag:
            skipRef(source);
            skipRef(source);
            break;
        default: break;
        }
    });
}

void LodBranch::write(heron::DataDest& dest) const
{
    GroupBranch::write(dest);
    dest.writeTag(fadeBandTag).writeBool(m_fadeBand);
    dest.writeTag(distanceTag).writeDouble(m_distance).writeDouble(m_distanceSquared);
    dest.writeTag(linksTag).writeObjectRef(m_previous).writeObjectRef(m_next);
    dest.writeTag(0);
}

}
