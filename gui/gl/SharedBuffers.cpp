#include "gui/gl/SharedBuffers.h"

#include "platform/GLFunctions.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace kestrel
{

namespace
{

// The size of a shared buffer: a few thousand small arrays fill one. Larger data gets a buffer of
// its own size.
constexpr std::size_t sharedBufferBytes = std::size_t(4) << 20;
constexpr std::size_t offsetAlignment = 4;

struct Buffer
{
    std::uint32_t name = 0;
    unsigned target = 0;
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

std::size_t aligned(std::size_t bytes)
{
    return (bytes + offsetAlignment - 1) / offsetAlignment * offsetAlignment;
}

// The shared buffer of target with room for bytes, null when there is none.
Buffer* sharedWithRoom(unsigned target, std::size_t bytes)
{
    for (Buffer& b : buffers()) {
        if (b.shared && b.target == target && aligned(b.used) + bytes <= b.capacity) {
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

// A new buffer object of capacity bytes, bound to target; null when the driver could not make it.
Buffer* makeBuffer(unsigned target, std::size_t capacity, BufferUse use)
{
    plat::GLFunctions& g = plat::gl();
    GLuint name = 0;
    g.GenBuffersARB(1, &name);
    if (name == 0) {
        return nullptr;
    }
    g.BindBufferARB(target, name);
    g.BufferDataARB(target, static_cast<GLsizeiptrARB>(capacity), nullptr,
                    use == BufferUse::Shared ? GL_STATIC_DRAW_ARB : GL_DYNAMIC_DRAW_ARB);
    if (g.GetError() != GL_NO_ERROR) {
        g.DeleteBuffersARB(1, &name);
        return nullptr;
    }
    buffers().push_back(Buffer{name, target, 0, capacity, 0, use == BufferUse::Shared});
    return &buffers().back();
}

}

BufferPlace placeInBuffer(unsigned target, const void* data, std::size_t bytes, BufferUse use)
{
    if (bytes > std::size_t(INT32_MAX)) {
        return {};
    }
    Buffer* buffer = use == BufferUse::Shared ? sharedWithRoom(target, bytes) : nullptr;
    if (buffer == nullptr) {
        const bool alone = use != BufferUse::Shared || bytes > sharedBufferBytes;
        buffer = makeBuffer(target, alone ? bytes : sharedBufferBytes, use);
        if (buffer == nullptr) {
            return {};
        }
        buffer->shared = !alone;
    }
    plat::GLFunctions& g = plat::gl();
    const std::size_t offset = aligned(buffer->used);
    g.BindBufferARB(target, buffer->name);
    g.BufferSubDataARB(target, static_cast<GLintptrARB>(offset), static_cast<GLsizeiptrARB>(bytes), data);
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
