#pragma once

#include "scene/graph/TraversalCallback.h"
#include "scene/render/Fog.h"

namespace pelican
{

// Draws a branch in a fog of its own: the fog is pushed on the accumulator's stack before the
// branch and popped after it. Traversals that do not draw leave the fog alone. Never stored.
class FogSetter : public finch::TraversalCallback
{
public:
    explicit FogSetter(const finch::Fog& fog) : m_fog(fog) {}

    const finch::Fog& fog() const { return m_fog; }

    bool preTraverse(finch::Traverser& traverser, finch::Branch& branch) override;
    void postTraverse(finch::Traverser& traverser, finch::Branch& branch) override;

private:
    finch::Fog m_fog;
};

}
