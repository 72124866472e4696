#pragma once

#include "base/DataDest.h"
#include "base/DataSource.h"
#include "base/Debug.h"

#include <algorithm>
#include <cstdint>
#include <vector>

// Vectors of object references inside an object-graph stream: a tag-integer count, then one
// reference (4 bytes) per element. Element is a pointer to a stored class or a counted_ptr to one.
namespace pelican
{

// Counts from this on are logged as unusual (and still read).
constexpr std::uint32_t weirdRefVectorSize = 21;
// Bytes each reference takes in the stream.
constexpr std::uint32_t refSize = 4;

template <class Element>
void writeRefVector(heron::DataDest& dest, const std::vector<Element>& vector)
{
    dest.writeTag(static_cast<std::uint32_t>(vector.size()));
    for (const Element& element : vector) {
        dest.writeObjectRef(element);
    }
}

// Reads what writeRefVector wrote. The elements are set when the stream ends, so the vector must
// keep its storage until then. A count the bytes left cannot hold reads only as many references
// as fit, and one more, whose short read sets the source's error flag (a source that cannot tell
// its length reads at most the count of its longest string, in references); after a failed count
// read the vector is empty.
template <class Element>
void readRefVector(heron::DataSource& source, std::vector<Element>& vector)
{
    std::uint32_t count = 0;
    source.readTag(count);
    if (source.hasError()) {
        vector.clear();
        return;
    }
    if (count >= weirdRefVectorSize) {
        heron::debug("Size=weird\n");
    }
    const std::uint32_t fits = source.canSeek() ? source.remaining() / refSize + 1
                                                : heron::DataSource::maxUnboundedStringLength / refSize;
    vector.assign(std::min(count, fits), Element());
    for (Element& element : vector) {
        source.readObjectRef(element);
    }
}

}
