#include "gui/gl/VertexArray.h"

#include "base/Debug.h"
#include "gui/gl/GLcapabilities.h"
#include "gui/gl/GLclient.h"
#include "gui/gl/GLstate.h"
#include "gui/gl/SharedBuffers.h"
#include "gui/gl/VertexArrayInternals.h"
#include "platform/GLFunctions.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace kestrel
{

namespace
{

constexpr const char* stripError = "Error in strip sizes while compiling a vertex array!\n";

// What the buffer-object path last told GL, so that repeated draws skip redundant calls.
struct ClientArrayCache
{
    bool vboStateActive = false;
    std::uint32_t mask = 0;
    std::intptr_t positionOffset = -1;
    std::intptr_t colourOffset = -1;
    std::intptr_t normalOffset = -1;
    std::intptr_t texCoordOffset[2] = {-1, -1};
    std::uint32_t arrayBuffer = 0;
    std::uint32_t elementBuffer = 0;
    std::int32_t stride = 0;
    int clientUnit = 0;
};

ClientArrayCache cache;

// The draw an open DrawBatch holds back: count indices of a type from offset bytes into the
// element buffer bound for it.
struct HeldDraw
{
    int openBatches = 0;
    std::int32_t count = 0;
    std::int64_t offset = 0;
    GLenum type = 0;
};

HeldDraw held;

void sendHeldDraw()
{
    if (held.count == 0) {
        return;
    }
    plat::gl().DrawElements(GL_TRIANGLES, held.count, held.type,
                            reinterpret_cast<const void*>(static_cast<std::intptr_t>(held.offset)));
    held.count = 0;
}

// Client vertex data; index lists made by conversion and buffer staging blocks.
heron::PrivateHeap& vertexHeap()
{
    static heron::PrivateHeap heap;
    return heap;
}

heron::PrivateHeap& conversionHeap()
{
    static heron::PrivateHeap heap;
    return heap;
}

void forgetOffsets()
{
    cache.positionOffset = cache.colourOffset = cache.normalOffset = -1;
    cache.texCoordOffset[0] = cache.texCoordOffset[1] = -1;
}

void bindArrayBuffer(std::uint32_t name)
{
    if (cache.arrayBuffer != name) {
        plat::gl().BindBufferARB(GL_ARRAY_BUFFER_ARB, name);
        cache.arrayBuffer = name;
        forgetOffsets();
    }
}

void selectClientUnit(int unit)
{
    if (weHaveMultitexture && cache.clientUnit != unit) {
        plat::gl().ClientActiveTextureARB(GL_TEXTURE0_ARB + unit);
        cache.clientUnit = unit;
    }
}

// Back to a known state: offsets unknown, no arrays but positions, no buffers bound.
void resetCache()
{
    forgetOffsets();
    cache.mask = 0;
    cache.arrayBuffer = 0;
    cache.elementBuffer = 0;
    loadVBOExtensions();
    plat::GLFunctions& g = plat::gl();
    g.EnableClientState(GL_VERTEX_ARRAY);
    g.DisableClientState(GL_COLOR_ARRAY);
    g.DisableClientState(GL_NORMAL_ARRAY);
    if (weHaveMultitexture) {
        g.ClientActiveTextureARB(GL_TEXTURE1_ARB);
        g.DisableClientState(GL_TEXTURE_COORD_ARRAY);
        g.ClientActiveTextureARB(GL_TEXTURE0_ARB);
    }
    g.DisableClientState(GL_TEXTURE_COORD_ARRAY);
    cache.clientUnit = 0;
    // Buffers may still be bound from before the switch went off: unbind whenever the driver can.
    if (plat::glDriver().BindBufferARB) {
        g.BindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
        g.BindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, 0);
    }
}

template <typename Index>
void emitStrip(const Index* from, int n, GrowableArray<Index>& out)
{
    Index a = from[0];
    Index b = from[1];
    for (int k = 0; k + 2 < n; ++k) {
        const Index c = from[k + 2];
        out.append(k % 2 == 0 ? a : b);
        out.append(k % 2 == 0 ? b : a);
        out.append(c);
        a = b;
        b = c;
    }
}

template <typename Index>
void emitFan(const Index* from, int n, GrowableArray<Index>& out)
{
    const Index a = from[0];
    Index b = from[1];
    for (int k = 2; k < n; ++k) {
        out.append(a);
        out.append(b);
        out.append(from[k]);
        b = from[k];
    }
}

template <typename Index>
bool convert(const Index* indices, int indexCount, const std::int32_t* strips, int stripCount, int vertexCount,
             GrowableArray<Index>& out)
{
    const bool listed = indexCount >= 1 && indices;
    if (!listed && stripCount < 1) {
        return true;    // neither a list nor strips: nothing to convert
    }
    const int available = listed ? indexCount : std::max(0, vertexCount);
    GrowableArray<Index> numbers;
    const Index* source = indices;
    if (!listed) {
        numbers.resize(static_cast<std::size_t>(available));
        for (int i = 0; i < available; ++i) {
            numbers[static_cast<std::size_t>(i)] = static_cast<Index>(i);
        }
        source = numbers.data();
    }
    int position = 0;
    for (int s = 0; s < stripCount; ++s) {
        const std::int32_t size = strips[s];
        const std::int64_t length = size >= 1 ? size : -static_cast<std::int64_t>(size);
        if (length > available - position) {
            heron::debug("%s", stripError);
            return false;
        }
        const int n = static_cast<int>(length);
        if (n >= 3) {
            if (size >= 1) {
                emitStrip(source + position, n, out);
            } else {
                emitFan(source + position, n, out);
            }
        }
        position += n;
    }
    if (!listed) {
        return true;
    }
    const int rest = indexCount - position;
    const int whole = rest - rest % 3;
    for (int i = 0; i < whole; ++i) {
        out.append(source[position + i]);
    }
    if (rest % 3 != 0) {
        heron::debug("%s", stripError);
        return false;
    }
    return true;
}

// Replaces the array's strips (and list, which is the array's current index list) by a
// triangle list when the conversion gives any triangles.
template <typename Index>
void toTriangles(VertexArrayInternals& in, GrowableArray<Index>& list)
{
    GrowableArray<Index> out(&conversionHeap());
    convert(list.data(), in.indexCount, in.stripSizes.data(), in.stripCount, in.vertexCount, out);
    if (out.empty()) {
        return;
    }
    list.assign(out.data(), out.size());
    in.indexCount = static_cast<std::int32_t>(out.size());
    in.stripSizes.reserve(0);
    in.stripCount = 0;
}

// Copies count elements of size bytes from data (zeros when data is null) to out, one every step bytes.
void copyElements(std::uint8_t* out, std::size_t step, const void* data, std::size_t size, std::size_t count)
{
    const auto* in = static_cast<const std::uint8_t*>(data);
    for (std::size_t i = 0; i < count; ++i, out += step) {
        if (in) {
            std::memcpy(out, in + i * size, size);
        } else {
            std::memset(out, 0, size);
        }
    }
}

// Most vertices in a shared array buffer: its arrays' 16-bit indices count from its first vertex.
constexpr std::size_t maxSharedVertices = 65536;
// The most bytes a shared buffer holds otherwise.
constexpr std::size_t defaultBufferRoom = std::size_t(4) << 20;

GLenum indexType(bool sixteen)
{
    return sixteen ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT;
}

}

VertexArrayInternals::VertexArrayInternals(int count)
    : vertexCount(std::max(0, count)),
      positions(&vertexHeap()),
      colours(&vertexHeap()),
      normals(&vertexHeap()),
      texCoords{GrowableArray<float>(&vertexHeap()), GrowableArray<float>(&vertexHeap())},
      indices32(&vertexHeap()),
      indices16(&vertexHeap()),
      stripSizes(&vertexHeap())
{
}

void VertexArrayInternals::updateBuffer(std::uint32_t bit, std::int32_t offset, const void* data, std::size_t bytes)
{
    // The buffer object has room only for the arrays it was made with.
    if ((arrayMask & bit) == 0) {
        return;
    }
    sendHeldDraw();
    bindArrayBuffer(arrayBuffer);
    plat::GLFunctions& g = plat::gl();
    if (stride == 0) {
        g.BufferSubDataARB(GL_ARRAY_BUFFER_ARB, offset, static_cast<GLsizeiptrARB>(bytes), data);
        return;
    }
    // Interleaved, the values lie one stride apart: the vertices are read back, patched and written
    // again. Positions come first in a vertex, so an array's offset less the positions' is its place
    // in the vertex.
    const std::size_t n = static_cast<std::size_t>(vertexCount);
    GrowableArray<std::uint8_t> block(&conversionHeap());
    block.resize(static_cast<std::size_t>(stride) * n);
    const auto size = static_cast<GLsizeiptrARB>(block.size());
    g.GetBufferSubDataARB(GL_ARRAY_BUFFER_ARB, vertexBase, size, block.data());
    copyElements(block.data() + (offset - positionOffset), static_cast<std::size_t>(stride), data, bytes / n, n);
    g.BufferSubDataARB(GL_ARRAY_BUFFER_ARB, vertexBase, size, block.data());
}

std::uint32_t VertexArrayInternals::usedMask() const
{
    std::uint32_t mask = 0;
    mask |= positions.empty() ? 0 : VertexArray::PositionBit;
    mask |= colours.empty() ? 0 : VertexArray::ColourBit;
    mask |= normals.empty() ? 0 : VertexArray::NormalBit;
    mask |= texCoords[0].empty() ? 0 : VertexArray::TexCoord0Bit;
    mask |= texCoords[1].empty() ? 0 : VertexArray::TexCoord1Bit;
    return mask;
}

void VertexArrayInternals::convertToTriangles()
{
    if (indices16bit) {
        toTriangles(*this, indices16);
    } else {
        toTriangles(*this, indices32);
    }
}

std::uint32_t VertexArrayInternals::makeVBO(bool dynamic)
{
    ensureGLcontext();
    loadVBOExtensions();
    if (!weHaveARBVertexBufferObjects) {
        return 0;
    }
    VertexArray::endClientArrays();
    plat::GLFunctions& g = plat::gl();
    if (g.GetError() != GL_NO_ERROR) {
        heron::debug("GL had an error at the start of makeVBO()\n");
    }
    convertToTriangles();
    GrowableArray<std::uint8_t> block(&conversionHeap());
    // A static array's attributes are interleaved, which a driver fetches faster; a dynamic one
    // keeps one block per array, so that an update is one write.
    const bool packed = packVertices(block, dynamic ? VertexLayout::Blocks : VertexLayout::Interleaved);
    const std::uint32_t name = packed ? upload(block, dynamic) : 0;
    if (name == 0) {
        heron::debug("Failed to create/bind a VBO!\n");
        unbindAfterFailure();
        return 0;
    }
    resetAfterUpload();
    return name;
}

bool VertexArrayInternals::packVertices(GrowableArray<std::uint8_t>& block, VertexLayout layout)
{
    const std::size_t n = static_cast<std::size_t>(vertexCount);
    const std::size_t perVertex = 12 + (colours.empty() ? 0 : 4) + (normals.empty() ? 0 : 12) +
                                  (texCoords[0].empty() ? 0 : 8) + (texCoords[1].empty() ? 0 : 8);
    // Block offsets are 32-bit: a larger array stays on client arrays.
    if (perVertex * n > static_cast<std::size_t>(INT32_MAX)) {
        return false;
    }
    block.resize(perVertex * n);
    const bool interleaved = layout == VertexLayout::Interleaved;
    stride = interleaved ? static_cast<std::int32_t>(perVertex) : 0;
    std::size_t at = 0;
    const auto place = [&](const void* data, std::size_t size, std::int32_t& offset) {
        offset = static_cast<std::int32_t>(at);
        copyElements(block.data() + at, interleaved ? perVertex : size, data, size, n);
        at += interleaved ? size : size * n;
    };
    place(positions.data(), 12, positionOffset);
    if (!colours.empty()) {
        place(colours.data(), 4, colourOffset);
    }
    if (!normals.empty()) {
        place(normals.data(), 12, normalOffset);
    }
    for (int unit = 0; unit < 2; ++unit) {
        if (!texCoords[unit].empty()) {
            place(texCoords[unit].data(), 8, texCoordOffset[unit]);
        }
    }
    return true;
}

std::uint32_t VertexArrayInternals::upload(GrowableArray<std::uint8_t>& block, bool dynamic)
{
    // The client copies go only once the driver holds the data: a buffer it could not fill (out of
    // memory) must not be drawn from.
    const BufferPlace vertices = placeInBuffer(vertexRequest(dynamic), block.data(), block.size());
    block.reserve(0);
    if (vertices.name == 0) {
        return 0;
    }
    vertexBase = vertices.offset;
    vertexBlockBytes = vertices.bytes;
    if (indexCount <= 0 || !uploadIndices()) {
        moveOffsets(vertexBase);
    }
    return vertices.name;
}

BufferRequest VertexArrayInternals::vertexRequest(bool dynamic) const
{
    if (dynamic) {
        return BufferRequest{GL_ARRAY_BUFFER_ARB, BufferUse::OwnDynamic};
    }
    // Arrays of one layout share a buffer vertex-aligned and no larger than 16-bit indices reach,
    // so that their indices can count from the buffer's first vertex: consecutive draws then set
    // no pointer either.
    const auto size = static_cast<std::size_t>(stride);
    return BufferRequest{GL_ARRAY_BUFFER_ARB, BufferUse::Shared, std::uint64_t(size) << 32 | usedMask(), size,
                         std::min(maxSharedVertices * size, defaultBufferRoom)};
}

bool VertexArrayInternals::uploadIndices()
{
    const std::uint32_t first = stride > 0 ? static_cast<std::uint32_t>(vertexBase / stride) : 0;
    // Aligned to the index size only, so that the lists of arrays compiled one after another lie
    // back to back and a batch can draw them as one.
    BufferRequest request{GL_ELEMENT_ARRAY_BUFFER_ARB};
    request.alignment = indices16bit ? 2 : 4;
    const auto count = static_cast<std::size_t>(indexCount);
    BufferPlace elements;
    if (indices16bit) {
        GrowableArray<std::uint16_t> counted(&conversionHeap());
        counted.assign(indices16.data(), count);
        for (std::size_t i = 0; i < count; ++i) {
            counted[i] = static_cast<std::uint16_t>(counted[i] + first);
        }
        elements = placeInBuffer(request, counted.data(), count * 2);
    } else {
        GrowableArray<std::uint32_t> counted(&conversionHeap());
        counted.assign(indices32.data(), count);
        for (std::size_t i = 0; i < count; ++i) {
            counted[i] += first;
        }
        elements = placeInBuffer(request, counted.data(), count * 4);
    }
    elementBuffer = elements.name;
    indexOffset = elements.offset;
    indexListBytes = elements.bytes;
    return elements.name != 0;
}

void VertexArrayInternals::moveOffsets(std::int32_t base)
{
    positionOffset += base;
    colourOffset += base;
    normalOffset += base;
    texCoordOffset[0] += base;
    texCoordOffset[1] += base;
}

void VertexArrayInternals::unbindAfterFailure()
{
    plat::gl().BindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
    cache.arrayBuffer = 0;
}

void VertexArrayInternals::resetAfterUpload()
{
    arrayMask = usedMask() | VertexArray::PositionBit;
    positions.reserve(0);
    colours.reserve(0);
    normals.reserve(0);
    texCoords[0].reserve(0);
    texCoords[1].reserve(0);
    if (elementBuffer != 0) {
        indices16.reserve(0);
        indices32.reserve(0);
        stripSizes.reserve(0);
        stripCount = 0;
    }
    plat::GLFunctions& g = plat::gl();
    g.BindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
    g.BindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, 0);
    cache.arrayBuffer = 0;
    cache.elementBuffer = 0;
}

bool VertexArrayInternals::usesSetPointers() const
{
    const auto same = [&](std::uint32_t bit, std::int32_t offset, std::intptr_t cached) {
        return (arrayMask & bit) == 0 || offset == cached;
    };
    return arrayBuffer == cache.arrayBuffer && stride == cache.stride && arrayMask == cache.mask &&
           positionOffset == cache.positionOffset && same(VertexArray::ColourBit, colourOffset, cache.colourOffset) &&
           same(VertexArray::NormalBit, normalOffset, cache.normalOffset) &&
           same(VertexArray::TexCoord0Bit, texCoordOffset[0], cache.texCoordOffset[0]) &&
           same(VertexArray::TexCoord1Bit, texCoordOffset[1], cache.texCoordOffset[1]);
}

bool VertexArrayInternals::joinsHeldDraw() const
{
    const std::int64_t indexBytes = indices16bit ? 2 : 4;
    return held.count > 0 && indexCount <= INT32_MAX - held.count && elementBuffer != 0 &&
           elementBuffer == cache.elementBuffer && indexType(indices16bit) == held.type &&
           indexOffset == held.offset + held.count * indexBytes && usesSetPointers();
}

void VertexArrayInternals::drawBufferObjects()
{
    if (joinsHeldDraw()) {
        held.count += indexCount;
        return;
    }
    sendHeldDraw();
    plat::GLFunctions& g = plat::gl();
    bindArrayBuffer(arrayBuffer);
    // An offset names one array's values only together with its stride.
    if (cache.stride != stride) {
        forgetOffsets();
        cache.stride = stride;
    }
    if (cache.positionOffset != positionOffset) {
        g.VertexPointer(3, GL_FLOAT, stride, reinterpret_cast<const void*>(static_cast<std::intptr_t>(positionOffset)));
        cache.positionOffset = positionOffset;
    }
    const auto array = [&](std::uint32_t bit, GLenum state, std::int32_t offset, std::intptr_t& cached, auto setPointer) {
        const bool on = (arrayMask & bit) != 0;
        if (on != ((cache.mask & bit) != 0)) {
            plat::glClientSwitch(state, on);
        }
        if (on && cached != offset) {
            setPointer(reinterpret_cast<const void*>(static_cast<std::intptr_t>(offset)));
            cached = offset;
        }
    };
    array(VertexArray::ColourBit, GL_COLOR_ARRAY, colourOffset, cache.colourOffset,
          [&](const void* p) { g.ColorPointer(4, GL_UNSIGNED_BYTE, stride, p); });
    array(VertexArray::NormalBit, GL_NORMAL_ARRAY, normalOffset, cache.normalOffset,
          [&](const void* p) { g.NormalPointer(GL_FLOAT, stride, p); });
    const std::uint32_t unitBits[2] = {VertexArray::TexCoord0Bit, VertexArray::TexCoord1Bit};
    for (int unit = weHaveMultitexture ? 1 : 0; unit >= 0; --unit) {
        const bool on = (arrayMask & unitBits[unit]) != 0;
        const bool changes = on != ((cache.mask & unitBits[unit]) != 0) || (on && cache.texCoordOffset[unit] != texCoordOffset[unit]);
        if (changes) {
            selectClientUnit(unit);
        }
        array(unitBits[unit], GL_TEXTURE_COORD_ARRAY, texCoordOffset[unit], cache.texCoordOffset[unit],
              [&](const void* p) { g.TexCoordPointer(2, GL_FLOAT, stride, p); });
    }
    selectClientUnit(0);
    cache.mask = arrayMask;
    if (elementBuffer != 0) {
        if (cache.elementBuffer != elementBuffer) {
            g.BindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, elementBuffer);
            cache.elementBuffer = elementBuffer;
        }
        held.count = indexCount;
        held.offset = indexOffset;
        held.type = indexType(indices16bit);
        if (held.openBatches == 0) {
            sendHeldDraw();
        }
        return;
    }
    if (cache.elementBuffer != 0) {
        g.BindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, 0);
        cache.elementBuffer = 0;
    }
    if (indexCount > 0) {
        const void* const data = indices16bit ? static_cast<const void*>(indices16.data()) : indices32.data();
        g.DrawElements(GL_TRIANGLES, indexCount, indexType(indices16bit), data);
    }
}

template <typename Index>
void VertexArrayInternals::drawStrips(const Index* indices, unsigned type)
{
    plat::GLFunctions& g = plat::gl();
    int position = 0;
    for (int s = 0; s < stripCount; ++s) {
        const std::int32_t size = stripSizes[static_cast<std::size_t>(s)];
        const std::int64_t length = size >= 1 ? size : -static_cast<std::int64_t>(size);
        if (length > indexCount - position) {
            heron::debug("%s", stripError);
            return;
        }
        g.DrawElements(size >= 1 ? GL_TRIANGLE_STRIP : GL_TRIANGLE_FAN, static_cast<GLsizei>(length), type, indices + position);
        position += static_cast<int>(length);
    }
    const int rest = indexCount - position;
    if (rest > 0) {
        g.DrawElements(GL_TRIANGLES, rest - rest % 3, type, indices + position);
    }
}

void VertexArrayInternals::drawStripsWithoutIndices()
{
    int position = 0;
    for (int s = 0; s < stripCount; ++s) {
        const std::int32_t size = stripSizes[static_cast<std::size_t>(s)];
        const std::int64_t length = size >= 1 ? size : -static_cast<std::int64_t>(size);
        if (length > vertexCount - position) {
            heron::debug("%s", stripError);
            return;
        }
        plat::gl().DrawArrays(size >= 1 ? GL_TRIANGLE_STRIP : GL_TRIANGLE_FAN, position, static_cast<GLsizei>(length));
        position += static_cast<int>(length);
    }
}

void VertexArrayInternals::drawClientArrays(ClientDrawing drawing)
{
    plat::GLFunctions& g = plat::gl();
    if (positions.empty()) {
        return;
    }
    g.VertexPointer(3, GL_FLOAT, 0, positions.data());
    g.EnableClientState(GL_VERTEX_ARRAY);
    plat::glClientSwitch(GL_COLOR_ARRAY, !colours.empty());
    if (!colours.empty()) {
        g.ColorPointer(4, GL_UNSIGNED_BYTE, 0, colours.data());
    }
    plat::glClientSwitch(GL_NORMAL_ARRAY, !normals.empty());
    if (!normals.empty()) {
        g.NormalPointer(GL_FLOAT, 0, normals.data());
    }
    for (int unit = 1; unit >= 0; --unit) {
        if (!clientActiveTexture(unit) && unit != 0) {
            continue;
        }
        plat::glClientSwitch(GL_TEXTURE_COORD_ARRAY, !texCoords[unit].empty());
        if (!texCoords[unit].empty()) {
            g.TexCoordPointer(2, GL_FLOAT, 0, texCoords[unit].data());
        }
    }
    const bool compileList = drawing == ClientDrawing::IntoDisplayList;
    if (compileList) {
        displayList = g.GenLists(1);
        g.NewList(displayList, GL_COMPILE);
    } else {
        lockArrays(0, vertexCount);
    }
    if (indexCount > 0 && indices16bit) {
        drawStrips(indices16.data(), GL_UNSIGNED_SHORT);
    } else if (indexCount > 0) {
        drawStrips(indices32.data(), GL_UNSIGNED_INT);
    } else {
        drawStripsWithoutIndices();
    }
    if (compileList) {
        g.EndList();
    } else {
        unlockArrays();
    }
    g.DisableClientState(GL_COLOR_ARRAY);
    g.DisableClientState(GL_NORMAL_ARRAY);
    for (int unit = 1; unit >= 0; --unit) {
        if (clientActiveTexture(unit) || unit == 0) {
            g.DisableClientState(GL_TEXTURE_COORD_ARRAY);
        }
    }
}

VertexArray::VertexArray(int vertexCount)
    : m_internals(std::make_unique<VertexArrayInternals>(vertexCount))
{
}

VertexArray::~VertexArray()
{
    VertexArrayInternals& in = *m_internals;
    if (in.arrayBuffer == 0 && in.elementBuffer == 0 && in.displayList == 0) {
        return;
    }
    // A held draw may read this array's buffers, and must go in the context it was made for.
    sendHeldDraw();
    if (!makeSharedContextCurrent()) {
        return;
    }
    // Deleting a bound buffer unbinds it; the cache must not think it is still there.
    if (releaseBuffer(BufferPlace{in.arrayBuffer, in.vertexBase, in.vertexBlockBytes}) &&
        cache.arrayBuffer == in.arrayBuffer) {
        cache.arrayBuffer = 0;
    }
    if (releaseBuffer(BufferPlace{in.elementBuffer, in.indexOffset, in.indexListBytes}) &&
        cache.elementBuffer == in.elementBuffer) {
        cache.elementBuffer = 0;
    }
    plat::GLFunctions& g = plat::gl();
    if (in.displayList != 0) {
        g.DeleteLists(in.displayList, 1);
    }
}

void VertexArray::setVertices(const float* data)
{
    VertexArrayInternals& in = *m_internals;
    if (in.displayList != 0 || !data) {
        return;
    }
    const std::size_t count = 3 * static_cast<std::size_t>(in.vertexCount);
    if (in.arrayBuffer != 0) {
        in.updateBuffer(PositionBit, in.positionOffset, data, count * sizeof(float));
        return;
    }
    in.positions.assign(data, count);
}

void VertexArray::setColours(const std::uint32_t* data)
{
    VertexArrayInternals& in = *m_internals;
    if (in.displayList != 0 || !data) {
        return;
    }
    const std::size_t count = static_cast<std::size_t>(in.vertexCount);
    if (in.arrayBuffer == 0) {
        in.colours.assign(data, count);
        return;
    }
    in.updateBuffer(ColourBit, in.colourOffset, data, count * sizeof(std::uint32_t));
}

void VertexArray::setNormals(const float* data)
{
    VertexArrayInternals& in = *m_internals;
    if (in.displayList != 0 || !data) {
        return;
    }
    const std::size_t count = 3 * static_cast<std::size_t>(in.vertexCount);
    if (in.arrayBuffer == 0) {
        in.normals.assign(data, count);
        return;
    }
    in.updateBuffer(NormalBit, in.normalOffset, data, count * sizeof(float));
}

void VertexArray::setTexCoords(const float* data, int unit)
{
    VertexArrayInternals& in = *m_internals;
    if (in.displayList != 0 || !data || unit < 0 || unit > 1) {
        return;
    }
    const std::size_t count = 2 * static_cast<std::size_t>(in.vertexCount);
    if (in.arrayBuffer == 0) {
        in.texCoords[unit].assign(data, count);
        return;
    }
    in.updateBuffer(unit == 0 ? TexCoord0Bit : TexCoord1Bit, in.texCoordOffset[unit], data, count * sizeof(float));
}

void VertexArray::setIndices(const std::uint32_t* indices, int count)
{
    VertexArrayInternals& in = *m_internals;
    // Compiled geometry keeps its triangle list: the element buffer holds exactly indexCount.
    if (count <= 0 || !indices || in.displayList != 0 || in.arrayBuffer != 0) {
        return;
    }
    for (int i = 0; i < count; ++i) {
        if (indices[i] >= static_cast<std::uint32_t>(in.vertexCount)) {
            heron::debug("Vertex array index %u at %d is not below the vertex count %d; the indices are dropped\n",
                         indices[i], i, in.vertexCount);
            return;
        }
    }
    in.indices32.assign(indices, static_cast<std::size_t>(count));
    in.indices16.reserve(0);
    in.indices16bit = false;
    in.indexCount = count;
}

void VertexArray::setStripSizes(const std::int32_t* sizes, int count)
{
    VertexArrayInternals& in = *m_internals;
    if (count <= 0 || !sizes || in.displayList != 0 || in.arrayBuffer != 0) {
        return;
    }
    in.stripSizes.assign(sizes, static_cast<std::size_t>(count));
    in.stripCount = count;
}

void VertexArray::compile(bool dynamic)
{
    VertexArrayInternals& in = *m_internals;
    sendHeldDraw();
    if (!useDisplayLists || in.positions.empty()) {
        return;
    }
    if (!in.indices32.empty() && in.vertexCount < 65536) {
        in.indices16.resize(in.indices32.size());
        for (std::size_t i = 0; i < in.indices32.size(); ++i) {
            in.indices16[i] = static_cast<std::uint16_t>(in.indices32[i]);
        }
        in.indices32.reserve(0);
        in.indices16bit = true;
    }
    if (in.arrayBuffer != 0 || in.displayList != 0) {
        return;
    }
    in.arrayBuffer = in.makeVBO(dynamic);
    // Without buffer objects a static array's drawing is compiled; a dynamic one stays on client
    // arrays, which take its updates.
    if (in.arrayBuffer == 0 && !dynamic && !weHaveARBVertexBufferObjects && plat::currentGLContext()) {
        endClientArrays();
        in.drawClientArrays(VertexArrayInternals::ClientDrawing::IntoDisplayList);
    }
}

void VertexArray::draw()
{
    VertexArrayInternals& in = *m_internals;
    if (!cache.vboStateActive) {
        heron::setProgress(30401);
        resetCache();
        cache.vboStateActive = true;
    }
    if (in.arrayBuffer != 0) {
        heron::setProgress(30402);
        in.drawBufferObjects();
    } else if (in.displayList != 0) {
        heron::setProgress(30403);
        sendHeldDraw();
        plat::gl().CallList(in.displayList);
    } else {
        heron::setProgress(30404);
        endClientArrays();
        in.drawClientArrays(VertexArrayInternals::ClientDrawing::Now);
    }
}

void VertexArray::endClientArrays()
{
    sendHeldDraw();
    if (!cache.vboStateActive) {
        return;
    }
    resetCache();
    cache.vboStateActive = false;
}

void VertexArray::flushBatch()
{
    sendHeldDraw();
}

DrawBatch::DrawBatch()
{
    ++held.openBatches;
}

DrawBatch::~DrawBatch()
{
    sendHeldDraw();
    --held.openBatches;
}

bool convertStrips(const std::uint16_t* indices, int indexCount, const std::int32_t* strips, int stripCount,
                   int vertexCount, GrowableArray<std::uint16_t>& out)
{
    return convert(indices, indexCount, strips, stripCount, vertexCount, out);
}

bool convertStrips(const std::uint32_t* indices, int indexCount, const std::int32_t* strips, int stripCount,
                   int vertexCount, GrowableArray<std::uint32_t>& out)
{
    return convert(indices, indexCount, strips, stripCount, vertexCount, out);
}

}
