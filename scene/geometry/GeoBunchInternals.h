#pragma once

#include "base/Streamable.h"
#include "base/counted_ptr.h"
#include "scene/geometry/GeoBunch.h"
#include "scene/render/Material.h"
#include "scene/render/Texture.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace kestrel
{
class VertexArray;
}

namespace finch
{
class BunchCallbacks;
}

namespace finch
{

// Reads stored animation frames (a frame count, then per frame a position count and the
// positions) into frames; a damaged list fails the read and leaves frames as they were.
void readAnimationFrames(heron::DataSource& source, std::vector<AnimationFrame>& frames);

// The private body of a bunch: its streams, frames, validity, triangle counts, the compiled
// vertex array and the fields of an older stored form. Stored as its own object. Main thread only.
class GeoBunchInternals : public heron::Streamable
{
public:
    static constexpr const char* classIdentifier = "duskharbor::finch::GeoBunchInternals";
    static heron::Streamable* create();

    explicit GeoBunchInternals(GeoBunch* owner = nullptr);
    ~GeoBunchInternals() override;
    GeoBunchInternals(const GeoBunchInternals&) = delete;
    GeoBunchInternals& operator=(const GeoBunchInternals&) = delete;

    // Checks the streams against each other; logs each fault and stores and returns validity.
    bool verify();
    // The bounds of every position of the vertex stream and the frames; without positions the
    // box from (-1, -1, -1) to (1, 1, 1).
    void computeBounds();
    // Strips (alternating winding), fans, then loose triangles, by index or by vertex number.
    void forEachTriangle(GeoBunch::TriangleProcessor& processor);
    // Draws the bunch (compiling it first when it may be compiled); invalid bunches draw nothing.
    void render();
    // One compile attempt per compiled cycle.
    void compile();
    // Drops the compiled array, so that the next render compiles again.
    void releaseCompiled();
    // Interpolates the frames at phase t into the positions.
    void setAnimationTime(float t);

    // A stream was replaced: the counts and the verification no longer hold.
    void streamsChanged()
    {
        m_triangleCount = -1;
        m_verified = false;
    }
    int triangleCount();
    int stripVertexTotal();
    int looseTriangleCount();
    bool isValid() const { return m_valid; }
    // Verifies first when a stream was replaced since the last verification.
    bool checkedValid();
    bool isCompiled() const { return m_compiled; }
    bool hasVertexArray() const { return m_vertexArray != nullptr; }
    std::uint32_t changeFlags() const { return m_changeFlags; }
    GeoBunch* owner() const { return m_owner; }
    GeometryBranch* branch() const { return m_branch; }
    const heron::counted_ptr<index_data>& indices() const { return m_indices; }
    const heron::counted_ptr<color_data>& colours() const { return m_colours; }
    const heron::counted_ptr<normal_data>& normals() const { return m_normals; }
    const heron::counted_ptr<texcoord_data>& texCoords(int unit) const { return m_texCoords[unit == 1 ? 1 : 0]; }
    void setBranch(GeometryBranch* branch) { m_branch = branch; }

    const char* className() const override { return classIdentifier; }
    void read(heron::DataSource& source) override;
    void afterLoad() override;
    void write(heron::DataDest& dest) const override;

private:
    friend class GeoBunch;

    void countTriangles();
    // The branch's hook, held while it runs.
    heron::counted_ptr<BunchCallbacks> branchHook() const;
    void logFault(const char* text);
    bool verifyStreams();
    bool verifyStrips();
    bool verifyFrames();
    void rebuildOldSurface();
    void readOldTextures(heron::DataSource& source);
    void buildVertexArray(bool dynamic);
    void resendChanged();
    void drawClientArrays();
    void drawPrimitives();

    bool m_compiled = false;
    std::unique_ptr<kestrel::VertexArray> m_vertexArray;
    std::uint32_t m_changeFlags = 0;
    bool m_hasOldFlags = false;
    std::uint32_t m_oldFlags = 0;
    heron::counted_ptr<Material> m_oldMaterial;
    heron::counted_ptr<Texture> m_oldTextures[2];
    GeoBunch* m_owner;
    GeometryBranch* m_branch = nullptr;
    heron::counted_ptr<strip_data> m_strips;
    heron::counted_ptr<index_data> m_indices;
    heron::counted_ptr<vertex_data> m_vertices;
    heron::counted_ptr<color_data> m_colours;
    heron::counted_ptr<normal_data> m_normals;
    heron::counted_ptr<texcoord_data> m_texCoords[2];
    std::vector<AnimationFrame> m_frames;
    bool m_valid = true;
    bool m_verified = false;
    std::int32_t m_stripVertexTotal = -1;
    std::int32_t m_triangleCount = -1;
    std::int32_t m_looseTriangleCount = -1;
};

}
