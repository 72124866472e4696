#pragma once

#include <cstddef>
#include <cstdint>

namespace kestrel
{

// Buffer objects that many vertex arrays share. A driver pays for every switch of buffer between
// draws, so the static arrays of a scene are packed one after another into a few large buffers:
// consecutive draws then bind nothing and only move their pointers. The room an array gives back
// is reused by later arrays (neighbouring free room joins up), and the buffer object goes with the
// last of them. Main thread only; needs the shared context current.

// Where bytes were placed: the buffer object's name (0 when the driver could not take them), the
// offset of the first byte in it and how many bytes were placed.
struct BufferPlace
{
    std::uint32_t name = 0;
    std::int32_t offset = 0;
    std::size_t bytes = 0;
};

// How the bytes will be used: shared with other static data, or alone in a buffer of their own
// that is written again.
enum class BufferUse
{
    Shared,
    OwnDynamic,
};

// What bytes go into: only bytes of one target and kind share a buffer, at offsets that are
// multiples of alignment, up to room bytes a buffer (larger bytes get a buffer of their own).
struct BufferRequest
{
    unsigned target = 0;
    BufferUse use = BufferUse::Shared;
    std::uint64_t kind = 0;
    std::size_t alignment = 4;
    std::size_t room = std::size_t(4) << 20;
};

// Copies bytes into a buffer object for the request, left bound to its target. Returns name 0
// when the driver reports an error.
[[nodiscard]] BufferPlace placeInBuffer(const BufferRequest& request, const void* data, std::size_t bytes);
// Gives back the bytes placeInBuffer placed (name 0 does nothing). Returns true when they were the
// last in their buffer and the buffer object was deleted.
bool releaseBuffer(const BufferPlace& place);

// The space of the buffers alive: what they hold up to the end of their last placed bytes, free
// gaps included, and the bytes placed in them.
struct BufferSpace
{
    std::size_t held = 0;
    std::size_t live = 0;
};
[[nodiscard]] BufferSpace bufferSpace();

}
