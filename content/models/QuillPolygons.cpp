#include "base/ReadError.h"
#include "content/models/QuillReader.h"
#include "gui/widgets/ColorRGBA.h"
#include "scene/geometry/Polygon.h"
#include "scene/geometry/PolygonBranch.h"
#include "scene/render/Material.h"

namespace pelican
{

namespace
{

using heron::ReadError;

finch::RGBA unpacked(std::uint32_t packed)
{
    const kestrel::ColorRGBA colour(packed);
    return finch::RGBA{colour.r, colour.g, colour.b, colour.a};
}

}

// What a polygon record sets beside its vertices, applied to its material at its end.
struct QuillReader::PolygonLook
{
    bool smooth = false;
    bool sphereMap = false;
    bool lit = true;
};

std::unique_ptr<finch::Polygon> QuillReader::readPolygon(bool flagA, bool flagB)
{
    const Nesting nesting(*this);
    auto polygon = std::make_unique<finch::Polygon>();
    polygon->setSurfaceFlagA(flagA);
    PolygonLook look;
    for (std::int32_t tag = readRecordTag(); tag != 0; tag = readRecordTag()) {
        readPolygonRecord(*polygon, look, tag, flagA, flagB);
    }
    finishPolygon(*polygon, look, flagB);
    return polygon;
}

void QuillReader::readPolygonRecord(finch::Polygon& polygon, PolygonLook& look, std::int32_t tag, bool flagA,
                                    bool flagB)
{
    switch (tag) {
    case 20: readVertex(polygon, m_surface.polygonColour); break;
    case 30: static_cast<void>(readPolygon(flagA, flagB)); break;
    case 31: m_surface.material = tableMaterial(readInt32()); break;
    case 32: look.smooth = true; break;
    case 33: readNormal(); break;
    case 34: m_surface.texture = tableTexture(readInt32()); break;
    case 35: m_surface.polygonColour = std::uint32_t(readInt32()); break;
    case 37: polygon.setValue(readInt32()); break;
    case 38: look.sphereMap = true; break;
    case 39: look.lit = false; break;
    case 29:
    case 36: skipChunk("Bad file"); break;
    default:
        dumpUnknown();
        throw ReadError("QuillReader: Bad polygon data");
    }
}

void QuillReader::finishPolygon(finch::Polygon& polygon, PolygonLook look, bool flagB)
{
    finch::Material working(finch::RGBA{1.0f, 1.0f, 1.0f, 1.0f});
    // Older files light exactly the polygons that have a material.
    if (isBelow(402.0)) {
        look.lit = bool(m_surface.material);
    }
    if (m_surface.material) {
        working.assign(*m_surface.material);
    }
    working.setSmoothShading(look.smooth);
    working.setLit(look.lit);
    working.setColour(unpacked(m_surface.polygonColour));
    if (look.sphereMap) {
        working.setFlag33(true);
        working.setSphereMap(true);
    }
    working.setTexture(0, m_surface.texture.texture);
    polygon.setMaterial(finch::Material::intern(working));
    polygon.setSurfaceFlagB(m_surface.texture.translucent || flagB);
}

heron::counted_ptr<finch::Material> QuillReader::tableMaterial(std::int32_t index) const
{
    if (index < 0) {
        return {};
    }
    if (std::size_t(index) >= m_materials.size()) {
        throw ReadError("QuillReader: Bad material index in file");
    }
    return m_materials[std::size_t(index)];
}

QuillTexture QuillReader::tableTexture(std::int32_t index) const
{
    if (index < 0) {
        return {};
    }
    if (std::size_t(index) >= m_textures.size()) {
        throw ReadError("QuillReader: Bad texture index in file");
    }
    return m_textures[std::size_t(index)];
}

finch::Vector3d QuillReader::readNormal()
{
    const float x = readFloat();
    const float y = readFloat();
    const float z = readFloat();
    const finch::Vector3d normal(x, y, z);
    return isBelow(3.01) ? toZUp(normal) : normal;
}

void QuillReader::readVertex(finch::Polygon& polygon, std::uint32_t colour)
{
    auto holder = std::make_unique<finch::PolyVertex>();
    finch::PolyVertex& vertex = *holder;
    vertex.setIndex(std::int32_t(colour));
    polygon.addVertex(holder);
    for (std::int32_t tag = readRecordTag(); tag != 0; tag = readRecordTag()) {
        switch (tag) {
        case 22:
            vertex.setPosition(readPosition());
            vertex.setIndex(std::int32_t(m_surface.vertexColour));
            break;
        case 23: vertex.setTexCoord(0, readTexCoord()); break;
        case 24: vertex.setNormal(finch::Vector3f(readNormal())); break;
        case 25:
            m_surface.vertexColour = std::uint32_t(readInt32());
            vertex.setIndex(std::int32_t(m_surface.vertexColour));
            break;
        case 27: vertex.setPosition(tablePosition(readInt32())); break;
        case 28: skipChunk("Bad file"); break;
        // The editor's message ends in a blank.
        default: throw ReadError("QuillReader: Bad vertex data ");
        }
    }
}

finch::Vector3d QuillReader::readPosition()
{
    const double x = readValue();
    const double y = readValue();
    const double z = readValue();
    return finch::Vector3d(x, y, z);
}

finch::TexCoord QuillReader::readTexCoord()
{
    const float s = readFloat();
    const float t = readFloat();
    return finch::TexCoord{s, t};
}

const finch::Vector3d& QuillReader::tablePosition(std::int32_t index) const
{
    if (index < 0 || std::size_t(index) >= m_vertexTable.size()) {
        throw ReadError("QuillReader: Bad vertex table index");
    }
    return m_vertexTable[std::size_t(index)];
}

}
