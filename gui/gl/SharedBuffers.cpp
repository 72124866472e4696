#include "gui/gl/SharedBuffers.h"

#include "platform/GLFunctions.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace kestrel
{

namespace
{

struct Buffer
{
    std::uint32_t name = 0;
    unsigned target = 0;
    std::uint64_t kind = 0;
    std::size_t alignment = 1;
    std::size_t used = 0;
    std::size_t capacity = 0;
    int holds = 0;
    bool shared = false;
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

// The shared buffer for the request with room for bytes, null when there is none.
Buffer* sharedWithRoom(const BufferRequest& request, std::size_t bytes)
{
    for (Buffer& b : buffers()) {
        if (b.shared && b.target == request.target && b.kind == request.kind && b.alignment == request.alignment &&
            aligned(b.used, b.alignment) + bytes <= b.capacity) {
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
    buffers().push_back(Buffer{name, target, request.kind, std::max<std::size_t>(request.alignment, 1), 0, capacity, 0, false});
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
    const std::size_t offset = aligned(buffer->used, buffer->alignment);
    g.BindBufferARB(request.target, buffer->name);
    g.BufferSubDataARB(request.target, static_cast<GLintptrARB>(offset), static_cast<GLsizeiptrARB>(bytes), data);
    if (g.GetError() != GL_NO_ERROR) {
        if (buffer->holds == 0) {
            deleteBuffer(buffer->name);
        }
        return {};
    }
    buffer->used = offset + bytes;
    ++buffer->holds;
    return BufferPlace{buffer->name, static_cast<std::int32_t>(offset)};
}

bool releaseBuffer(std::uint32_t name)
{
    auto& all = buffers();
    const auto found = std::find_if(all.begin(), all.end(), [name](const Buffer& b) { return b.name == name; });
    if (name == 0 || found == all.end() || --found->holds > 0) {
        return false;
    }
    deleteBuffer(name);
    return true;
}

}
