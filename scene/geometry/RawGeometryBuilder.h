#pragma once

#include "scene/geometry/GeoBunch.h"
#include "scene/geometry/TriangleList.h"

#include <memory>

namespace finch
{

// Collects the triangles of a bunch's walk into a triangle list with the bunch's surface; the
// reverse of the bunch builder. Main thread only.
class RawGeometryBuilder : public GeoBunch::TriangleProcessor
{
public:
    explicit RawGeometryBuilder(const GeoBunch& bunch);

    // Appends the triangle; one with an index beyond the positions is logged and left out.
    void process(GeoBunch& bunch, std::uint32_t a, std::uint32_t b, std::uint32_t c) override;

    int count() const { return m_count; }
    TriangleList& list() { return m_list; }

private:
    Corner cornerAt(GeoBunch& bunch, std::uint32_t i) const;

    TriangleList m_list;
    int m_count = 0;
};

// A new list of the bunch's triangles.
std::unique_ptr<TriangleList> extractTriangles(GeoBunch& bunch);

}
