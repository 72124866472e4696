#pragma once

#include "gui/gl/GrowableArray.h"
#include "gui/gl/SharedBuffers.h"

#include <cstddef>
#include <cstdint>

namespace kestrel
{

// The private state of a vertex array.
class VertexArrayInternals
{
public:
    explicit VertexArrayInternals(int vertexCount);

    // Where drawing from the client arrays goes.
    enum class ClientDrawing
    {
        Now,
        IntoDisplayList,
    };

    // The vertex data and strips go into buffer objects; returns the array buffer's name, 0 when
    // the client arrays stay in use.
    [[nodiscard]] std::uint32_t makeVBO(bool dynamic);
    // Replaces strips and fans by a triangle list (in place).
    void convertToTriangles();
    void drawBufferObjects();
    // Draws from the client arrays, or compiles that drawing into a new display list.
    void drawClientArrays(ClientDrawing drawing);
    std::uint32_t usedMask() const;
    // Writes bytes of an array (its mask bit) at offset into the buffer object; an array the
    // buffer was made without is ignored.
    void updateBuffer(std::uint32_t bit, std::int32_t offset, const void* data, std::size_t bytes);

    std::int32_t vertexCount;
    GrowableArray<float> positions;
    GrowableArray<std::uint32_t> colours;
    GrowableArray<float> normals;
    GrowableArray<float> texCoords[2];
    GrowableArray<std::uint32_t> indices32;
    GrowableArray<std::uint16_t> indices16;
    std::int32_t indexCount = 0;
    GrowableArray<std::int32_t> stripSizes;
    std::int32_t stripCount = 0;
    bool indices16bit = false;
    std::uint32_t arrayMask = 0;
    std::uint32_t arrayBuffer = 0;
    std::uint32_t elementBuffer = 0;
    // Where the index list starts in the element buffer, and its length, in bytes.
    std::int32_t indexOffset = 0;
    std::size_t indexListBytes = 0;
    // Where the vertices start in the array buffer, in bytes. The offsets below include it unless
    // the indices in the element buffer count from the buffer's first vertex.
    std::int32_t vertexBase = 0;
    // How many bytes of the array buffer the vertices take.
    std::size_t vertexBlockBytes = 0;
    std::uint32_t displayList = 0;
    std::int32_t stride = 0;
    std::int32_t positionOffset = 0;
    std::int32_t colourOffset = 0;
    std::int32_t normalOffset = 0;
    std::int32_t texCoordOffset[2] = {0, 0};

private:
    // How packVertices lays the arrays out.
    enum class VertexLayout
    {
        Blocks,        // one array after another
        Interleaved,   // vertex after vertex, each with all its arrays
    };
    // The arrays in use in one block, positions first (zeros when absent), each one's offset and
    // the stride noted; false, with nothing allocated, when the block would pass 32-bit offsets.
    bool packVertices(GrowableArray<std::uint8_t>& block, VertexLayout layout);
    // Hands the block (freeing it) to a shared array buffer, or to one of its own when dynamic, and
    // the index list to a shared element buffer; returns the array buffer's name, 0 when the driver
    // could not take the vertices. An index list it could not take leaves the element buffer 0 and
    // the list on the client.
    std::uint32_t upload(GrowableArray<std::uint8_t>& block, bool dynamic);
    // True when the buffers bound and the pointers set are this array's.
    bool usesSetPointers() const;
    // True when the draw held back by a batch can take this array's indices as they are: the same
    // buffers and pointers, and its indices right after the held ones.
    bool joinsHeldDraw() const;
    // Where the vertices go: a shared buffer of arrays of the same layout when static.
    BufferRequest vertexRequest(bool dynamic) const;
    // The index list, counted from the array buffer's first vertex, into a shared element buffer;
    // false when the driver could not take it.
    bool uploadIndices();
    // Adds the block's place in its buffer to the offsets of the arrays.
    void moveOffsets(std::int32_t base);
    // After a failed upload: no array buffer bound.
    void unbindAfterFailure();
    // Once the buffers hold the data: the client copies go and both buffers are unbound.
    void resetAfterUpload();
    template <typename Index>
    void drawStrips(const Index* indices, unsigned type);
    void drawStripsWithoutIndices();
};

}
