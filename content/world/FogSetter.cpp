#include "content/world/FogSetter.h"

#include "scene/graph/Traverser.h"

namespace pelican
{

bool FogSetter::preTraverse(finch::Traverser& traverser, finch::Branch&)
{
    if (traverser.kind() == finch::Traverser::Kind::Rendering) {
        traverser.accumulator().pushFog(&m_fog);
    }
    return true;
}

void FogSetter::postTraverse(finch::Traverser& traverser, finch::Branch&)
{
    if (traverser.kind() == finch::Traverser::Kind::Rendering) {
        traverser.accumulator().popFog();
    }
}

}
