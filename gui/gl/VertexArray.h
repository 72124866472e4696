#pragma once

#include "gui/gl/GrowableArray.h"

#include <cstdint>
#include <memory>

namespace kestrel
{

class VertexArrayInternals;

// A batch of triangle geometry: positions with optional colours, normals and two texture sets,
// an optional index list whose leading part is triangle strips and fans (one size per strip) and
// whose rest is plain triangles; an array with neither an index list nor strips draws nothing.
// Drawn from buffer objects once compiled, else from client arrays. Main thread only; needs a
// current context when drawn or compiled.
class VertexArray
{
public:
    // Array-mask bits.
    static constexpr std::uint32_t PositionBit = 1;
    static constexpr std::uint32_t ColourBit = 2;
    static constexpr std::uint32_t NormalBit = 4;
    static constexpr std::uint32_t TexCoord0Bit = 64;
    static constexpr std::uint32_t TexCoord1Bit = 128;

    explicit VertexArray(int vertexCount);
    // Frees the client buffers; the display list, and buffer objects no other array shares, are
    // deleted in the shared context.
    ~VertexArray();
    VertexArray(const VertexArray&) = delete;
    VertexArray& operator=(const VertexArray&) = delete;

    // Each setter copies vertexCount elements and does nothing once a display list exists. Once a
    // buffer object exists the new values are written into it when it was made with that array,
    // else ignored.
    // 3 floats per vertex.
    void setVertices(const float* positions);
    // Packed colours, bytes R, G, B, A in memory order.
    void setColours(const std::uint32_t* colours);
    // 3 floats per vertex.
    void setNormals(const float* normals);
    // 2 floats per vertex for texture unit 0 or 1 (other units are ignored).
    void setTexCoords(const float* texCoords, int unit);
    // The index list (count > 0); a list with an index not below vertexCount is refused and logged.
    // Ignored once compiled.
    void setIndices(const std::uint32_t* indices, int count);
    // One entry per leading strip: n >= 1 a triangle strip of n indices, n <= 0 a fan of -n.
    // Ignored once compiled.
    void setStripSizes(const std::int32_t* sizes, int count);
    // With "Use display lists" on and positions set: narrows the indices to 16 bits when the
    // vertex count allows and moves the geometry into buffer objects (a static array's into ones
    // shared with other static arrays, gui/gl/SharedBuffers.h). When the driver has none, a static
    // array's drawing goes into a display list and a dynamic one stays on client arrays, so that
    // its setters still take effect.
    void compile(bool dynamic);
    // Draws the triangles with the current state.
    void draw();

    // Ends the buffer-object client state when it is active, so other code may use client arrays.
    static void endClientArrays();
    // Sends the draw a DrawBatch holds back, if any. Code that changes GL state between draws
    // while a batch is open calls this first.
    static void flushBatch();

    VertexArrayInternals& internals() { return *m_internals; }

private:
    std::unique_ptr<VertexArrayInternals> m_internals;
};

// While a batch is open, a buffered array's draw is held back, and the next draw joins it when it
// needs no state changed and its indices follow the held ones in the same element buffer: a run of
// static arrays compiled one after another then goes to GL as one draw. The held draw is sent by
// the first draw that cannot join it, before any other vertex-array call touches GL (compiling,
// editing a buffer, ending client arrays, deleting an array), by VertexArray::flushBatch() and when
// the batch closes. Batches nest; main thread only.
class DrawBatch
{
public:
    DrawBatch();
    ~DrawBatch();
    DrawBatch(const DrawBatch&) = delete;
    DrawBatch& operator=(const DrawBatch&) = delete;
};

// Turns strips and fans plus trailing triangles into a plain triangle list. indexCount < 1
// numbers the vertices 0.. (up to vertexCount) instead of reading a list. Every strip is checked
// against what is left before it is read; an overrun or a trailing part that is not whole
// triangles is logged ("Error in strip sizes while compiling a vertex array!") and conversion
// stops there. Returns false when that was logged.
bool convertStrips(const std::uint16_t* indices, int indexCount, const std::int32_t* strips, int stripCount,
                   int vertexCount, GrowableArray<std::uint16_t>& out);
bool convertStrips(const std::uint32_t* indices, int indexCount, const std::int32_t* strips, int stripCount,
                   int vertexCount, GrowableArray<std::uint32_t>& out);

}
