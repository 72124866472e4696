#pragma once

#include <ogg/ogg.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

// Sets the checksum of every whole Ogg page in bytes, so that pages changed on purpose (damaged
// files in tests, mutated inputs when fuzzing) reach the Vorbis decoder instead of being dropped
// by the page layer.
namespace oggpages
{

// Bytes of a page header before its segment table.
constexpr std::size_t headerSize = 27;

// The length of the whole page at at, or 0 when no whole page starts there.
inline std::size_t pageLength(const std::uint8_t* at, std::size_t left)
{
    if (left < headerSize || std::memcmp(at, "OggS", 4) != 0) {
        return 0;
    }
    const std::size_t segments = at[26];
    if (left < headerSize + segments) {
        return 0;
    }
    std::size_t body = 0;
    for (std::size_t i = 0; i < segments; ++i) {
        body += at[headerSize + i];
    }
    const std::size_t length = headerSize + segments + body;
    return length <= left ? length : 0;
}

inline void fixChecksums(std::uint8_t* bytes, std::size_t size)
{
    for (std::size_t at = 0; at < size;) {
        const std::size_t length = pageLength(bytes + at, size - at);
        if (length == 0) {
            ++at;
            continue;
        }
        const long header = static_cast<long>(headerSize + bytes[at + 26]);
        ogg_page page{bytes + at, header, bytes + at + header, static_cast<long>(length) - header};
        ogg_page_checksum_set(&page);
        at += length;
    }
}

}
