#pragma once

#include "scene/graph/Traverser.h"

namespace pelican_specials
{

// Whether a walk draws: the specials leave collision and picking walks alone.
inline bool isRendering(const finch::Traverser& traverser)
{
    return traverser.kind() == finch::Traverser::Kind::Rendering;
}

}
