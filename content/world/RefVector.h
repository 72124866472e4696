#pragma once

#include "base/DataDest.h"

#include <cstdint>
#include <vector>

// Vectors of object references inside an object-graph stream: a tag-integer count, then one
// reference (4 bytes) per element. finch::readRefList reads them back.
namespace pelican
{

template <class Element>
void writeRefVector(heron::DataDest& dest, const std::vector<Element*>& vector)
{
    dest.writeTag(static_cast<std::uint32_t>(vector.size()));
    for (const Element* element : vector) {
        dest.writeObjectRef(element);
    }
}

}
