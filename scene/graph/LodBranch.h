#pragma once

#include "scene/graph/GroupBranch.h"

namespace finch
{

// One level of detail: a group drawn while the eye is within its switch distance and beyond the
// previous level's. Consecutive levels under one group form a chain from the finest to the
// coarsest; the first of the chain draws the chain. With the fade band, a level cross-fades into
// the next around its distance (rendering walks only, while lodFadeEnabled is on).
class LodBranch : public GroupBranch
{
public:
    static constexpr const char* classIdentifier = "duskharbor::finch::LodBranch";
    [[nodiscard]] static heron::Streamable* create();

    // Marks itself dirty.
    LodBranch();

    void traverse(Traverser& traverser) override;
    // Switch distance d (and d^2); marks the branch dirty.
    void setDistance(double d);
    void setHysteresis(bool fadeBand) { m_fadeBand = fadeBand; }
    // Set by the parent group when its children change.
    void setChainLinks(LodBranch* previous, LodBranch* next);

    double distance() const { return m_distance; }
    double distanceSquared() const { return m_distanceSquared; }
    LodBranch* previous() const { return m_previous; }
    LodBranch* next() const { return m_next; }

    const char* className() const override { return classIdentifier; }
    void read(heron::DataSource& source) override;
    void write(heron::DataDest& dest) const override;

private:
    // The squared eye distance of the chain's centre, scaled as the walk asks.
    double eyeDistanceSquared(Traverser& traverser) const;
    void drawLevel(Traverser& traverser, double d2, double lo, double upper);

    bool m_fadeBand = false;
    double m_distance = 1000.0;
    double m_distanceSquared = 1000000.0;
    LodBranch* m_previous = nullptr;
    LodBranch* m_next = nullptr;
};

// Process-wide switch of level-of-detail fading (on by default).
extern bool lodFadeEnabled;

}
