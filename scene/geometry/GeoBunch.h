#pragma once

#include "base/Refcountable.h"
#include "base/Streamable.h"
#include "base/counted_ptr.h"
#include "scene/geometry/GeoBunchStreams.h"
#include "scene/graph/LoadedGraph.h"
#include "scene/math/BoundingBox.h"
#include "scene/render/QueuedBunch.h"
#include "scene/render/Surface.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace finch
{

class GeoBunchInternals;
class GeometryBranch;
class TriangleList;
struct GeometryStats;

// Positions of one vertex-animation frame, parallel to the vertex stream.
using AnimationFrame = std::vector<Vector3f>;

// The unit of stored triangle geometry: one surface and the attribute streams (strip lengths,
// indices, positions, colours, normals, two texture-coordinate sets) plus optional animation
// frames. Strips and fans come first over the indices (or the vertex numbers 0, 1, ... without
// indices); the entries after them are loose triangles. Drawn through the render accumulator;
// compiled to a vertex array on first draw while "Use display lists" is on. Every bunch is on
// one process-wide list for the storage report. Main thread only.
class GeoBunch : public heron::Streamable, public heron::Refcountable, public LoadedOwner, public QueuedBunch
{
public:
    static constexpr const char* classIdentifier = "duskharbor::finch::GeoBunch";
    [[nodiscard]] static heron::Streamable* create();

    // Change bits of addFlags.
    static constexpr std::uint32_t positionsChanged = 1;
    static constexpr std::uint32_t coloursChanged = 2;
    static constexpr std::uint32_t normalsChanged = 4;
    static constexpr std::uint32_t texCoords0Changed = 1u << 16;
    static constexpr std::uint32_t texCoords1Changed = 1u << 17;

    // Called once per triangle of the walk.
    class TriangleProcessor
    {
    public:
        virtual ~TriangleProcessor() = default;
        virtual void process(GeoBunch& bunch, std::uint32_t a, std::uint32_t b, std::uint32_t c) = 0;
    };

    GeoBunch();
    // Leaves its branch's list and the process-wide list.
    ~GeoBunch() override;
    GeoBunch(const GeoBunch&) = delete;
    GeoBunch& operator=(const GeoBunch&) = delete;

    int vertexCount() const;
    int triangleCount() const;
    void addFlags(std::uint32_t bits);
    std::uint32_t flags() const;

    // Each setter replaces the stream and invalidates the triangle counts.
    void setStripData(const heron::counted_ptr<strip_data>& strips);
    void setIndexData(const heron::counted_ptr<index_data>& indices);
    // recomputeBounds: the bounds follow the new positions at once.
    void setVertexData(const heron::counted_ptr<vertex_data>& vertices, bool recomputeBounds);
    void setColorData(const heron::counted_ptr<color_data>& colours);
    void setNormalData(const heron::counted_ptr<normal_data>& normals);
    // Unit 0 or 1; others are ignored.
    void setTexcoordData(const heron::counted_ptr<texcoord_data>& texCoords, int unit);
    // The streams as they are, for editing in place (hooks report edits with addFlags).
    heron::counted_ptr<vertex_data>& vertexSlot();
    heron::counted_ptr<texcoord_data>& texcoordSlot(int unit);
    heron::counted_ptr<color_data>& colorSlot();
    // Replaces the streams by the welded, indexed form of the list's triangles, with its surface.
    void buildFromTriangles(const TriangleList& list);
    // Frames from the source model, all of one length, matched to the vertex stream by position.
    void setAnimationFrames(const std::vector<AnimationFrame>& frames);
    std::vector<AnimationFrame>& animationFrames();

    void setSurface(const Surface& surface) { m_surface = surface; }
    Surface& editSurface() { return m_surface; }
    const BoundingBox& bounds() const { return m_bounds; }
    GeoBunchInternals& internals() { return *m_internals; }
    const GeoBunchInternals& internals() const { return *m_internals; }

    // QueuedBunch.
    const Surface& surface() const override { return m_surface; }
    bool isAnimated() const override;
    void setAnimationTime(float t) override;
    void render() override;
    bool drawsColourArray() const override;

    const char* className() const override { return classIdentifier; }
    void registerFactories(heron::DataSource& source) override;
    void read(heron::DataSource& source) override;
    void afterLoad() override;
    void write(heron::DataDest& dest) const override;
    void adoptLoaded(LoadClaims& claims) override;

    // Adds the storage of every bunch to the report.
    static void collectGeometryStats(GeometryStats& stats);

private:
    friend class GeoBunchInternals;

    Surface m_surface;
    std::unique_ptr<GeoBunchInternals> m_internals;
    GeoBunchInternals* m_storedInternals = nullptr;
    BoundingBox m_bounds;
    // The process-wide list.
    GeoBunch* m_previousBunch = nullptr;
    GeoBunch* m_nextBunch = nullptr;
};

}
