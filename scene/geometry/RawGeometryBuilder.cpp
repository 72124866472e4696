#include "scene/geometry/RawGeometryBuilder.h"

#include "base/Debug.h"
#include "scene/geometry/GeoBunchInternals.h"

namespace finch
{

namespace
{

// The element i of a stream, or fallback without one or past its end.
template <class Stream, class Element>
Element elementAt(const heron::counted_ptr<Stream>& stream, std::uint32_t i, const Element& fallback)
{
    return stream && i < stream->size() ? stream->elements()[i] : fallback;
}

}

RawGeometryBuilder::RawGeometryBuilder(const GeoBunch& bunch)
{
    m_list.setSurface(bunch.surface());
}

void RawGeometryBuilder::process(GeoBunch& bunch, std::uint32_t a, std::uint32_t b, std::uint32_t c)
{
    ++m_count;
    const std::uint32_t positions = std::uint32_t(bunch.vertexCount());
    if (a >= positions || b >= positions || c >= positions) {
        heron::debug("Bad index\n");
        return;
    }
    Triangle triangle{cornerAt(bunch, a), cornerAt(bunch, b), cornerAt(bunch, c)};
    if (!m_list.surface().material->smoothShading()) {
        for (Corner& corner : triangle) {
            corner.colour = triangle[2].colour;
            corner.normal = triangle[2].normal;
        }
    }
    m_list.add(triangle);
}

Corner RawGeometryBuilder::cornerAt(GeoBunch& bunch, std::uint32_t i) const
{
    const Material& material = *m_list.surface().material;
    const GeoBunchInternals& in = bunch.internals();
    Corner corner;
    corner.position = bunch.vertexSlot()->elements()[i];
    if (material.flag32()) {
        corner.colour = elementAt(in.colours(), i, corner.colour);
    }
    if (material.flag33()) {
        corner.normal = elementAt(in.normals(), i, corner.normal);
    }
    for (int unit = 0; unit < 2; ++unit) {
        if (material.textureFlag(unit)) {
            corner.texCoords[std::size_t(unit)] = elementAt(in.texCoords(unit), i, TexCoord{});
        }
    }
    return corner;
}

std::unique_ptr<TriangleList> extractTriangles(GeoBunch& bunch)
{
    RawGeometryBuilder builder(bunch);
    bunch.internals().forEachTriangle(builder);
    heron::debug("%d triangles extracted\n", builder.count());
    return std::make_unique<TriangleList>(std::move(builder.list()));
}

}
