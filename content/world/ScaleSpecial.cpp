#include "content/world/ScaleSpecial.h"

#include "base/Debug.h"
#include "content/world/PelicanObject.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/Traverser.h"

#include <cmath>

namespace pelican
{

void ScaleSpecial::setFactor(double factor)
{
    if (!std::isfinite(factor)) {
        heron::debug("ScaleSpecial - a scale that is not a number was ignored!\n");
        return;
    }
    m_factor = factor;
}

bool ScaleSpecial::preTraverse(finch::Traverser& traverser, finch::Branch&)
{
    if (traverser.kind() != finch::Traverser::Kind::Rendering) {
        return true;
    }
    m_active = false;
    const finch::InstanceBranch* const instance = m_record->instance();
    if (instance == nullptr || m_factor < hiddenBelow) {
        return false;
    }
    if (m_factor == 1.0) {
        return true;
    }
    m_active = true;
    const finch::Vector3d centre(instance->matrix().at(3, 0), instance->matrix().at(3, 1), instance->matrix().at(3, 2));
    finch::Matrix scaling;
    scaling.setTranslation(centre);
    scaling.preScale({m_factor, m_factor, m_factor});
    scaling.translateLocal(centre * -1.0);
    finch::Matrix inverse;
    scaling.getInverse(inverse);
    traverser.pushMatrix(scaling, inverse);
    return true;
}

void ScaleSpecial::postTraverse(finch::Traverser& traverser, finch::Branch&)
{
    if (m_active) {
        m_active = false;
        traverser.popMatrix();
    }
}

}
