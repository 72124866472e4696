#include "gui/gl/SharedBuffers.h"

#include "base/Debug.h"
#include "platform/GLFunctions.h"

#include <algorithm>
#include <climits>
#include <optional>
#include <vector>

namespace kestrel
{

namespace
{

// Free room inside a buffer, below the end of its last placed bytes.
struct Gap
{
    std::size_t offset = 0;
    std::size_t bytes = 0;

    std::size_t end() const { return offset + bytes; }
};

struct Buffer
{
    std::uint32_t name = 0;
    unsigned target = 0;
    std::uint64_t kind = 0;
    std::size_t alignment = 1;
    std::size_t used = 0;       // end of the last placed bytes
    std::size_t capacity = 0;
    std::size_t live = 0;       // bytes placed and not given back
    int holds = 0;
    bool shared = false;
    std::vector<Gap> gaps;      // by offset; none touches another or the end of the used part
};

std::vector<Buffer>& buffers()
{
    static std::vector<Buffer> all;
    return all;
}

std::size_t aligned(std::size_t bytes, std::size_t alignment)
{
    return (bytes + alignment - 1) / alignment * alignment;
}

// Where bytes would go in the buffer: the first gap they fit, else after the used part; none
// when the buffer has no room for them.
std::optional<std::size_t> fit(const Buffer& b, std::size_t bytes)
{
    for (const Gap& gap : b.gaps) {
        const std::size_t start = aligned(gap.offset, b.alignment);
        if (start + bytes <= gap.end()) {
            return start;
        }
    }
    const std::size_t start = aligned(b.used, b.alignment);
    if (start + bytes <= b.capacity) {
        return start;
    }
    return std::nullopt;
}

// Adds free room and joins it with the gaps it touches; room that reaches the end of the used
// part shortens that instead.
void giveBack(Buffer& b, std::size_t offset, std::size_t bytes)
{
    if (bytes == 0) {
        return;
    }
    auto at = std::lower_bound(b.gaps.begin(), b.gaps.end(), offset,
                               [](const Gap& gap, std::size_t o) { return gap.offset < o; });
    at = b.gaps.insert(at, Gap{offset, bytes});
    const auto next = at + 1;
    if (next != b.gaps.end() && next->offset == at->end()) {
        at->bytes += next->bytes;
        b.gaps.erase(next);
    }
    if (at != b.gaps.begin() && (at - 1)->end() == at->offset) {
        (at - 1)->bytes += at->bytes;
        at = b.gaps.erase(at) - 1;
    }
    if (at->end() == b.used) {
        b.used = at->offset;
        b.gaps.erase(at);
    }
}

// Marks bytes at start as placed, cutting them out of the gap they lie in or adding them after the
// used part (the alignment's padding before them becomes a gap).
void take(Buffer& b, std::size_t start, std::size_t bytes)
{
    b.live += bytes;
    ++b.holds;
    const auto in = std::find_if(b.gaps.begin(), b.gaps.end(), [start](const Gap& gap) { return gap.end() > start; });
    if (in == b.gaps.end() || in->offset > start) {
        const std::size_t padding = b.used;
        b.used = start + bytes;
        giveBack(b, padding, start - padding);
        return;
    }
    const Gap gap = *in;
    b.gaps.erase(in);
    giveBack(b, gap.offset, start - gap.offset);
    giveBack(b, start + bytes, gap.end() - start - bytes);
}

// The shared buffer for the request with room for bytes, null when there is none.
Buffer* sharedWithRoom(const BufferRequest& request, std::size_t bytes)
{
    for (Buffer& b : buffers()) {
        if (b.shared && b.target == request.target && b.kind == request.kind && b.alignment == request.alignment &&
            fit(b, bytes)) {
            return &b;
        }
    }
    return nullptr;
}

void deleteBuffer(std::uint32_t name)
{
    auto& all = buffers();
    all.erase(std::remove_if(all.begin(), all.end(), [name](const Buffer& b) { return b.name == name; }), all.end());
    plat::gl().DeleteBuffersARB(1, &name);
}

// A new buffer object of capacity bytes for the request, bound to its target; null when the driver
// could not make it.
Buffer* makeBuffer(const BufferRequest& request, std::size_t capacity)
{
    const unsigned target = request.target;
    plat::GLFunctions& g = plat::gl();
    GLuint name = 0;
    g.GenBuffersARB(1, &name);
    if (name == 0) {
        return nullptr;
    }
    g.BindBufferARB(target, name);
    g.BufferDataARB(target, static_cast<GLsizeiptrARB>(capacity), nullptr,
                    request.use == BufferUse::Shared ? GL_STATIC_DRAW_ARB : GL_DYNAMIC_DRAW_ARB);
    if (g.GetError() != GL_NO_ERROR) {
        g.DeleteBuffersARB(1, &name);
        return nullptr;
    }
    Buffer made;
    made.name = name;
    made.target = target;
    made.kind = request.kind;
    made.alignment = std::max<std::size_t>(request.alignment, 1);
    made.capacity = capacity;
    buffers().push_back(made);
    return &buffers().back();
}

}

BufferPlace placeInBuffer(const BufferRequest& request, const void* data, std::size_t bytes)
{
    if (bytes > std::size_t(INT32_MAX)) {
        return {};
    }
    Buffer* buffer = request.use == BufferUse::Shared ? sharedWithRoom(request, bytes) : nullptr;
    if (buffer == nullptr) {
        const bool alone = request.use != BufferUse::Shared || bytes > request.room;
        buffer = makeBuffer(request, alone ? bytes : request.room);
        if (buffer == nullptr) {
            return {};
        }
        buffer->shared = !alone;
    }
    plat::GLFunctions& g = plat::gl();
    const std::size_t offset = fit(*buffer, bytes).value_or(0);
    g.BindBufferARB(request.target, buffer->name);
    g.BufferSubDataARB(request.target, static_cast<GLintptrARB>(offset), static_cast<GLsizeiptrARB>(bytes), data);
    if (g.GetError() != GL_NO_ERROR) {
        if (buffer->holds == 0) {
            deleteBuffer(buffer->name);
        }
        return {};
    }
    take(*buffer, offset, bytes);
    return BufferPlace{buffer->name, static_cast<std::int32_t>(offset), bytes};
}

bool releaseBuffer(const BufferPlace& place)
{
    auto& all = buffers();
    const std::uint32_t name = place.name;
    const auto found = std::find_if(all.begin(), all.end(), [name](const Buffer& b) { return b.name == name; });
    if (name == 0 || found == all.end()) {
        return false;
    }
    const auto offset = static_cast<std::size_t>(std::max(place.offset, 0));
    if (offset + place.bytes <= found->used && place.bytes <= found->live) {
        found->live -= place.bytes;
        giveBack(*found, offset, place.bytes);
    } else {
        heron::debug("Released bytes %zu..%zu lie outside buffer %u\n", offset, offset + place.bytes, name);
    }
    if (--found->holds > 0) {
        return false;
    }
    deleteBuffer(name);
    return true;
}

BufferSpace bufferSpace()
{
    BufferSpace space;
    for (const Buffer& b : buffers()) {
        space.held += b.used;
        space.live += b.live;
    }
    return space;
}

}
