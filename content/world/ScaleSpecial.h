#pragma once

#include "scene/graph/TraversalCallback.h"

namespace pelican
{

class PelicanObject;

// Scales a record's object about its placement's position while it is drawn: a factor below
// 0.01 hides it, exactly 1 costs nothing. Traversals that do not draw (collision, picking) see the
// object unscaled. Never stored. Main thread only.
class ScaleSpecial : public finch::TraversalCallback
{
public:
    // Below this factor the object is not drawn at all.
    static constexpr double hiddenBelow = 0.01;

    explicit ScaleSpecial(PelicanObject* record) : m_record(record) {}

    // A factor that is not finite is refused and the factor kept.
    void setFactor(double factor);
    double factor() const { return m_factor; }

    bool preTraverse(finch::Traverser& traverser, finch::Branch& branch) override;
    void postTraverse(finch::Traverser& traverser, finch::Branch& branch) override;

private:
    bool m_active = false;
    double m_factor = 1.0;
    PelicanObject* m_record;
};

}
