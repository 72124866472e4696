#include "scene/geometry/GeoBunchInternals.h"

#include "base/DataDest.h"
#include "base/DataSource.h"
#include "base/Debug.h"
#include "gui/gl/GLcapabilities.h"
#include "gui/gl/GLstate.h"
#include "gui/gl/VertexArray.h"
#include "scene/core/TaggedBlock.h"
#include "scene/geometry/BunchCallbacks.h"
#include "scene/geometry/GeometryBranch.h"
#include "scene/graph/Object.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>

namespace finch
{

namespace
{

enum InternalsTag : std::uint32_t
{
    validTag = 1,
    linksTag = 2,
    oldFlagsTag = 3,
    oldValue4Tag = 4,
    oldValue5Tag = 5,
    stripsTag = 10,
    indicesTag = 11,
    verticesTag = 12,
    coloursTag = 13,
    normalsTag = 14,
    texCoordsTag = 15,
    oldMaterialTag = 20,
    oldTexturesTag = 21,
    framesTag = 22,
};

// Bits of the older form's flag word.
constexpr std::uint32_t oldLit = 1u << 0;
constexpr std::uint32_t oldBlend = 1u << 1;
constexpr std::uint32_t oldSphereMap = 1u << 2;
constexpr std::uint32_t oldNoCulling = 1u << 3;
constexpr std::uint32_t oldFlat = 1u << 4;
constexpr std::uint32_t oldBothColourFlags = 1u << 10;

constexpr int textureUnits = 2;
constexpr float farAway = 1e35f;
// Bad indices are reported one by one up to this many.
constexpr int reportedIndices = 16;

std::int64_t entriesOf(std::int32_t length)
{
    return length > 0 ? length : -std::int64_t(length);
}

// The triangle walk over entries (indices, or vertex numbers when entries is null).
class TriangleWalk
{
public:
    TriangleWalk(const std::uint32_t* entries, std::size_t count) : m_entries(entries), m_count(count) {}

    bool has(std::size_t n) const { return m_count - m_next >= n; }
    std::uint32_t take() { return m_entries ? m_entries[m_next++] : std::uint32_t(m_next++); }

private:
    const std::uint32_t* m_entries;
    std::size_t m_count;
    std::size_t m_next = 0;
};

}

heron::Streamable* GeoBunchInternals::create()
{
    return new GeoBunchInternals;
}

GeoBunchInternals::GeoBunchInternals(GeoBunch* owner) : m_owner(owner)
{
}

GeoBunchInternals::~GeoBunchInternals() = default;

int GeoBunchInternals::triangleCount()
{
    countTriangles();
    return m_triangleCount;
}

int GeoBunchInternals::stripVertexTotal()
{
    countTriangles();
    return m_stripVertexTotal;
}

int GeoBunchInternals::looseTriangleCount()
{
    countTriangles();
    return m_looseTriangleCount;
}

void GeoBunchInternals::countTriangles()
{
    if (m_triangleCount != -1) {
        return;
    }
    std::int64_t total = 0;
    std::int64_t triangles = 0;
    std::int64_t loose = 0;
    if (m_vertices) {
        if (m_strips) {
            for (const std::int32_t length : m_strips->elements()) {
                total += entriesOf(length);
                triangles += std::max<std::int64_t>(entriesOf(length) - 2, 0);
            }
        }
        const std::int64_t entries = m_indices ? m_indices->size() : m_vertices->size();
        if (entries > total) {
            loose = (entries - total) / 3;
            triangles += loose;
            total = entries;
        }
    }
    m_stripVertexTotal = std::int32_t(std::min<std::int64_t>(total, INT32_MAX));
    m_triangleCount = std::int32_t(std::min<std::int64_t>(triangles, INT32_MAX));
    m_looseTriangleCount = std::int32_t(loose);
}

void GeoBunchInternals::logFault(const char* text)
{
    heron::debug("GeoBunchInternals::verify() - %s\n", text);
    if (m_owner != nullptr && m_branch != nullptr) {
        const Object* const object = m_branch->object();
        heron::debug("bunch=%lx   branch=%s   object=%s\n", static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(m_owner)),
                     m_branch->name().c_str(), object ? object->name().c_str() : "");
    }
}

bool GeoBunchInternals::verify()
{
    m_triangleCount = -1;
    countTriangles();
    m_valid = verifyStreams();
    m_valid = verifyStrips() && m_valid;
    m_valid = verifyFrames() && m_valid;
    m_verified = true;
    return m_valid;
}

bool GeoBunchInternals::checkedValid()
{
    if (!m_verified) {
        verify();
    }
    return m_valid;
}

bool GeoBunchInternals::verifyStreams()
{
    const std::size_t count = m_vertices ? m_vertices->size() : 0;
    bool good = true;
    const auto shorter = [&](const auto& stream, const char* text) {
        if (stream && stream->size() < count) {
            logFault(text);
            good = false;
        }
    };
    shorter(m_colours, "colors are fewer than the vertices");
    shorter(m_normals, "normals are fewer than the vertices");
    shorter(m_texCoords[0], "texCoords[0] are fewer than the vertices");
    shorter(m_texCoords[1], "texCoords[1] are fewer than the vertices");
    if (!m_indices || !m_vertices) {
        return good;
    }
    int bad = 0;
    for (const std::uint32_t index : m_indices->elements()) {
        if (index >= count && bad++ < reportedIndices) {
            logFault("Index out of range");
        }
    }
    if (bad > reportedIndices) {
        heron::debug("GeoBunchInternals::verify() - %d indices out of range in all\n", bad);
    }
    return good && bad == 0;
}

bool GeoBunchInternals::verifyStrips()
{
    if (!m_strips) {
        return true;
    }
    std::int64_t total = 0;
    for (const std::int32_t length : m_strips->elements()) {
        if (entriesOf(length) < 3) {
            logFault("a strip shorter than 3 entries");
            return false;
        }
        total += entriesOf(length);
    }
    const std::int64_t entries = m_indices ? m_indices->size() : (m_vertices ? m_vertices->size() : 0);
    if (total > entries) {
        logFault("the strips run past the entries");
        return false;
    }
    return true;
}

bool GeoBunchInternals::verifyFrames()
{
    const std::size_t count = m_vertices ? m_vertices->size() : 0;
    for (std::size_t f = 0; f < m_frames.size(); ++f) {
        if (m_frames[f].size() != count) {
            logFault(("wrong number of vertices in animation[" + std::to_string(f) + "]").c_str());
            return false;
        }
    }
    return true;
}

void GeoBunchInternals::computeBounds()
{
    if (m_owner == nullptr) {
        return;
    }
    BoundingBox& bounds = m_owner->m_bounds;
    Vector3f low(farAway, farAway, farAway);
    Vector3f high(-farAway, -farAway, -farAway);
    bool any = false;
    const auto extend = [&](const Vector3f& p) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
            return;
        }
        low = Vector3f(std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z));
        high = Vector3f(std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z));
        any = true;
    };
    if (m_vertices) {
        std::for_each(m_vertices->elements().begin(), m_vertices->elements().end(), extend);
        for (const AnimationFrame& frame : m_frames) {
            std::for_each(frame.begin(), frame.end(), extend);
        }
    }
    if (!any) {
        bounds.set(Vector3d(-1.0, -1.0, -1.0), Vector3d(1.0, 1.0, 1.0));
        return;
    }
    const Vector3d lowD(low.x, low.y, low.z);
    const Vector3d highD(high.x, high.y, high.z);
    bounds.set(lowD, highD);
    const Vector3d centre = (lowD + highD) * 0.5;
    double radius2 = 0.0;
    const auto reach = [&](const Vector3f& p) {
        const double d2 = (Vector3d(p.x, p.y, p.z) - centre).lengthSquared();
        radius2 = std::isfinite(d2) ? std::max(radius2, d2) : radius2;
    };
    std::for_each(m_vertices->elements().begin(), m_vertices->elements().end(), reach);
    for (const AnimationFrame& frame : m_frames) {
        std::for_each(frame.begin(), frame.end(), reach);
    }
    bounds.setSphere(centre, std::sqrt(radius2));
}

void GeoBunchInternals::forEachTriangle(GeoBunch::TriangleProcessor& processor)
{
    if (!m_vertices || m_owner == nullptr) {
        return;
    }
    TriangleWalk walk(m_indices ? m_indices->data() : nullptr, m_indices ? m_indices->size() : m_vertices->size());
    GeoBunch& owner = *m_owner;
    if (m_strips) {
        for (const std::int32_t length : m_strips->elements()) {
            const std::int64_t n = entriesOf(length);
            if (n < 2 || !walk.has(std::size_t(n))) {
                return;
            }
            std::uint32_t a = walk.take();
            std::uint32_t b = walk.take();
            bool flip = true;
            for (std::int64_t i = 2; i < n; ++i) {
                const std::uint32_t c = walk.take();
                if (length > 0) {
                    flip ? processor.process(owner, a, b, c) : processor.process(owner, b, a, c);
                    flip = !flip;
                    a = b;
                } else {
                    processor.process(owner, a, b, c);
                }
                b = c;
            }
        }
    }
    while (walk.has(3)) {
        const std::uint32_t e0 = walk.take();
        const std::uint32_t e1 = walk.take();
        processor.process(owner, e0, e1, walk.take());
    }
}

void GeoBunchInternals::read(heron::DataSource& source)
{
    std::uint32_t ignoredValue = 0;
    readTaggedBlock(source, [&](std::uint32_t tag) {
        switch (tag) {
        case validTag: readBoolField(source, m_valid); break;
        // The owner and the branch are worked out from the owners when the stream is settled.
        case linksTag:
            skipRef(source);
            skipRef(source);
            break;
        case oldFlagsTag:
            readUInt32Field(source, m_oldFlags);
            m_hasOldFlags = !source.hasError();
            break;
        // Two numbers of the older form that nothing uses: read past.
        case oldValue4Tag:
        case oldValue5Tag: source.readUInt32(ignoredValue); break;
        case stripsTag: heron::StreamReader::readCheckedRef(source, m_strips); break;
        case indicesTag: heron::StreamReader::readCheckedRef(source, m_indices); break;
        case verticesTag: heron::StreamReader::readCheckedRef(source, m_vertices); break;
        case coloursTag: heron::StreamReader::readCheckedRef(source, m_colours); break;
        case normalsTag: heron::StreamReader::readCheckedRef(source, m_normals); break;
        case texCoordsTag: {
            std::int32_t units = 0;
            source.readInt32(units);
            if (units < 0 || units > textureUnits) {
                heron::debug("GeoBunchInternals - %d texture sets stored, at most 2 are read!\n", int(units));
                failRead(source);
                break;
            }
            for (int unit = 0; unit < units; ++unit) {
                heron::StreamReader::readCheckedRef(source, m_texCoords[unit]);
            }
            break;
        }
        case oldMaterialTag: heron::StreamReader::readCheckedRef(source, m_oldMaterial); break;
        case oldTexturesTag: readOldTextures(source); break;
        case framesTag: readAnimationFrames(source, m_frames); break;
        default: break;
        }
    });
}

void GeoBunchInternals::readOldTextures(heron::DataSource& source)
{
    std::int32_t units = 0;
    source.readInt32(units);
    if (units < 0 || units > textureUnits) {
        heron::debug("GeoBunchInternals - %d older textures stored, at most 2 are read!\n", int(units));
        failRead(source);
        return;
    }
    for (int unit = 0; unit < units; ++unit) {
        heron::StreamReader::readCheckedRef(source, m_oldTextures[unit]);
    }
}

void readAnimationFrames(heron::DataSource& source, std::vector<AnimationFrame>& frames)
{
    std::uint32_t count = 0;
    std::uint32_t positions = 0;
    if (!readArrayCount(source, count, 1) || count == 0 || !readArrayCount(source, positions, 12)) {
        return;
    }
    // Every frame holds as many positions as the first, after a count of one byte at least, so the
    // stored bytes bound the memory.
    const std::uint64_t frameBytes = 1 + 12 * std::uint64_t(positions);
    if ((count - 1) * frameBytes + 12 * std::uint64_t(positions) > source.remaining()) {
        heron::debug("A stored list of %u frames runs past the end of its block!\n", unsigned(count));
        failRead(source);
        return;
    }
    std::vector<AnimationFrame> read(positions > 0 ? count : 0, AnimationFrame(positions));
    for (std::uint32_t f = 0; f < count; ++f) {
        std::uint32_t length = positions;
        if (f > 0 && (!readArrayCount(source, length, 12) || length != positions)) {
            heron::debug("GeoBunchInternals - stored frame %u holds %u positions, the first %u!\n", unsigned(f),
                         unsigned(length), unsigned(positions));
            failRead(source);
            return;
        }
        if (positions > 0 && source.read(read[f].data(), 12 * positions) != 12 * positions) {
            failRead(source);
            return;
        }
    }
    frames = std::move(read);
}

void GeoBunchInternals::afterLoad()
{
    settleLoadedGraph();
    if (m_hasOldFlags) {
        rebuildOldSurface();
    }
    verify();
}

void GeoBunchInternals::rebuildOldSurface()
{
    if (m_owner == nullptr) {
        return;
    }
    Material material(RGBA{1.0f, 1.0f, 1.0f, 1.0f});
    if (m_oldMaterial) {
        material.assign(*m_oldMaterial);
    }
    material.setLit((m_oldFlags & oldLit) != 0);
    material.setSphereMap((m_oldFlags & oldSphereMap) != 0);
    material.setSmoothShading((m_oldFlags & oldFlat) == 0);
    if ((m_oldFlags & oldBothColourFlags) != 0) {
        material.setFlag32(true);
        material.setFlag33(true);
    }
    for (int unit = 0; unit < textureUnits; ++unit) {
        if (m_oldTextures[unit]) {
            material.setTexture(unit, Texture::getLocked(*m_oldTextures[unit]));
        }
    }
    Surface& surface = m_owner->m_surface;
    surface.setMaterial(Material::intern(material));
    surface.cullFaces = (m_oldFlags & oldNoCulling) == 0;
    surface.blend = (m_oldFlags & oldBlend) != 0;
}

void GeoBunchInternals::write(heron::DataDest& dest) const
{
    dest.writeTag(validTag).writeBool(m_valid);
    dest.writeTag(linksTag).writeObjectRef(m_owner).writeObjectRef(m_branch);
    dest.writeTag(stripsTag).writeObjectRef(m_strips);
    dest.writeTag(indicesTag).writeObjectRef(m_indices);
    dest.writeTag(verticesTag).writeObjectRef(m_vertices);
    dest.writeTag(coloursTag).writeObjectRef(m_colours);
    dest.writeTag(normalsTag).writeObjectRef(m_normals);
    dest.writeTag(texCoordsTag).writeInt32(textureUnits);
    dest.writeObjectRef(m_texCoords[0]).writeObjectRef(m_texCoords[1]);
    dest.writeTag(framesTag).writeTag(std::uint32_t(m_frames.size()));
    for (const AnimationFrame& frame : m_frames) {
        dest.writeTag(std::uint32_t(frame.size()));
        if (!frame.empty()) {
            dest.write(frame.data(), std::uint32_t(12 * frame.size()));
        }
    }
    dest.writeTag(0);
}

}

namespace finch
{

void GeoBunchInternals::render()
{
    if (!checkedValid() || !m_vertices || m_vertices->size() == 0) {
        return;
    }
    if (!m_compiled) {
        heron::setProgress(30301);
        compile();
        // GL errors are read after the upload, where one means the compiled form failed, and not
        // on every draw: reading one makes a threaded driver catch up with every queued call.
        if (kestrel::checkGLError(-1)) {
            heron::debug("GL had an error after GeoBunch compile\n");
        }
    }
    // The hook may drop itself from the branch while it runs.
    const heron::counted_ptr<BunchCallbacks> hook = branchHook();
    if (hook) {
        m_changeFlags = 0;
        heron::setProgress(30302);
        hook->beforeDraw(*m_owner);
    }
    if (m_vertexArray) {
        resendChanged();
        heron::setProgress(30304);
        m_vertexArray->draw();
    } else {
        heron::setProgress(30305);
        drawClientArrays();
    }
}

heron::counted_ptr<BunchCallbacks> GeoBunchInternals::branchHook() const
{
    return m_branch != nullptr ? m_branch->bunchCallbacks() : heron::counted_ptr<BunchCallbacks>();
}

void GeoBunchInternals::compile()
{
    if (m_compiled) {
        return;
    }
    m_compiled = true;
    if (!verify() || !kestrel::useDisplayLists || triangleCount() < 2 || m_owner == nullptr) {
        return;
    }
    m_changeFlags = 0;
    const heron::counted_ptr<BunchCallbacks> hook = branchHook();
    if (hook) {
        hook->beforeDraw(*m_owner);
    }
    buildVertexArray(!m_frames.empty() || m_changeFlags != 0);
}

void GeoBunchInternals::buildVertexArray(bool dynamic)
{
    const int count = int(m_vertices->size());
    m_vertexArray = std::make_unique<kestrel::VertexArray>(count);
    kestrel::VertexArray& array = *m_vertexArray;
    array.setVertices(&m_vertices->data()->x);
    if (m_colours) {
        array.setColours(m_colours->data());
    }
    if (m_normals) {
        array.setNormals(&m_normals->data()->x);
    }
    for (int unit = 0; unit < textureUnits; ++unit) {
        if (m_texCoords[unit]) {
            array.setTexCoords(&m_texCoords[unit]->data()->s, unit);
        }
    }
    // The array always gets an index list, so that strips and the loose triangles after them
    // are drawn as the client arrays draw them.
    if (m_indices) {
        array.setIndices(m_indices->data(), int(m_indices->size()));
    } else {
        std::vector<std::uint32_t> numbers(static_cast<std::size_t>(count));
        std::iota(numbers.begin(), numbers.end(), 0u);
        array.setIndices(numbers.data(), count);
    }
    if (m_strips && m_strips->size() > 0) {
        array.setStripSizes(m_strips->data(), int(m_strips->size()));
    }
    array.compile(dynamic);
}

void GeoBunchInternals::resendChanged()
{
    if (m_changeFlags == 0) {
        return;
    }
    heron::setProgress(30303);
    kestrel::VertexArray& array = *m_vertexArray;
    if ((m_changeFlags & GeoBunch::positionsChanged) != 0) {
        array.setVertices(&m_vertices->data()->x);
    }
    if ((m_changeFlags & GeoBunch::coloursChanged) != 0 && m_colours) {
        array.setColours(m_colours->data());
    }
    if ((m_changeFlags & GeoBunch::normalsChanged) != 0 && m_normals) {
        array.setNormals(&m_normals->data()->x);
    }
    for (int unit = 0; unit < textureUnits; ++unit) {
        if ((m_changeFlags & (GeoBunch::texCoords0Changed << unit)) != 0 && m_texCoords[unit]) {
            array.setTexCoords(&m_texCoords[unit]->data()->s, unit);
        }
    }
}

void GeoBunchInternals::releaseCompiled()
{
    m_vertexArray.reset();
    m_compiled = false;
}

void GeoBunchInternals::drawClientArrays()
{
    const int count = int(m_vertices->size());
    kestrel::setVertexArray(m_vertices->data(), 0);
    const bool colours = m_colours && m_colours->size() > 0;
    const bool normals = m_normals && m_normals->size() > 0;
    if (colours) {
        kestrel::setColorArray(m_colours->data(), 0);
    }
    if (normals) {
        kestrel::setNormalArray(m_normals->data(), 0);
    }
    bool texCoords[textureUnits] = {false, false};
    for (int unit = 1; unit >= 0; --unit) {
        texCoords[unit] = m_texCoords[unit] && m_texCoords[unit]->size() > 0;
        if ((kestrel::clientActiveTexture(unit) || unit == 0) && texCoords[unit]) {
            kestrel::setTexCoordArray(m_texCoords[unit]->data(), 0);
        }
    }
    kestrel::lockArrays(0, count);
    drawPrimitives();
    kestrel::unlockArrays();
    if (colours) {
        kestrel::setColorArray(nullptr, 0);
    }
    if (normals) {
        kestrel::setNormalArray(nullptr, 0);
    }
    for (int unit = 1; unit >= 0; --unit) {
        if ((kestrel::clientActiveTexture(unit) || unit == 0) && texCoords[unit]) {
            kestrel::setTexCoordArray(nullptr, 0);
        }
    }
}

void GeoBunchInternals::drawPrimitives()
{
    const std::vector<std::int32_t> none;
    const std::vector<std::int32_t>& strips = m_strips ? m_strips->elements() : none;
    const auto kind = [](std::int32_t length) {
        return length > 0 ? kestrel::Primitive::TriangleStrip : kestrel::Primitive::TriangleFan;
    };
    if (!m_indices) {
        int start = 0;
        for (const std::int32_t length : strips) {
            kestrel::drawArrays(kind(length), start, int(entriesOf(length)));
            start += int(entriesOf(length));
        }
        const int count = int(m_vertices->size());
        if (start < count) {
            kestrel::drawArrays(kestrel::Primitive::Triangles, start, count - start);
        }
        return;
    }
    const std::uint32_t* p = m_indices->data();
    const std::uint32_t* const end = p + m_indices->size();
    for (const std::int32_t length : strips) {
        kestrel::drawElements(kind(length), int(entriesOf(length)), p);
        p += entriesOf(length);
    }
    if (p < end) {
        kestrel::drawElements(kestrel::Primitive::Triangles, int(end - p), p);
    }
}

void GeoBunchInternals::setAnimationTime(float t)
{
    if (m_frames.empty() || !checkedValid() || !m_vertices || m_vertices->size() != m_frames.front().size()) {
        return;
    }
    const int n = int(m_frames.size());
    float range = float(n) - 1.0001f;
    t = std::isfinite(t) ? t : 0.0f;
    if (t < 0.0f) {
        t = -t;
        range += 1.0f;
    }
    const float s = std::min(t * range, range);
    const int k = std::clamp(int(s), 0, n - 1);
    const AnimationFrame& a = m_frames[std::size_t(k)];
    const AnimationFrame& b = m_frames[std::size_t(k + 1 == n ? 0 : k + 1)];
    const float f = s - float(k);
    std::vector<Vector3f>& positions = m_vertices->elements();
    for (std::size_t i = 0; i < positions.size(); ++i) {
        positions[i] = Vector3f(a[i].x + (b[i].x - a[i].x) * f, a[i].y + (b[i].y - a[i].y) * f,
                                a[i].z + (b[i].z - a[i].z) * f);
    }
    if (m_vertexArray) {
        m_vertexArray->setVertices(&positions.front().x);
    }
}

}
