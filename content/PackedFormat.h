#pragma once

#include "base/Limits.h"

#include <cstdint>

// Layout of the packed data file, shared by its reader (content/PackedFile.h) and the packer
// (tools/pack/). All integers are little-endian; positions count from the start of the file.
//
//   marker byte 0, header word (the packer stores the member count; readers ignore it),
//   one directory entry per member:
//     name-length word (only its low 16 bits count: L), L scrambled name bytes,
//     position word, size word, a word without use (the packer stores 0),
//   a name-length word of 0 that ends the directory,
//   the members' bytes, each scrambled with one key byte.
namespace pelican::packed
{

// The first byte of every packed data file.
constexpr std::uint8_t marker = 0;
// Bytes of the marker and the header word.
constexpr std::uint32_t headerSize = 5;
// Bytes of an entry besides its name: the length, position, size and spare words.
constexpr std::uint32_t entryFixedSize = 16;
// Bytes of the terminating name-length word.
constexpr std::uint32_t terminatorSize = 4;

// The low bits of a name-length word that hold the length; the rest are ignored.
constexpr std::uint32_t nameLengthMask = 0xFFFF;
static_assert(heron::limits::maxPackedNameLength == nameLengthMask, "a name is as long as its length field allows");

// Name bytes: byte i is stored XORed with a key that starts at the low byte of the name length
// and grows by nameKeyStep (modulo 256) after each byte.
constexpr std::uint8_t nameKeyStep = 0x35;

constexpr std::uint8_t firstNameKey(std::uint32_t nameLength)
{
    return static_cast<std::uint8_t>(nameLength & 0xFF);
}

constexpr std::uint8_t nextNameKey(std::uint8_t key)
{
    return static_cast<std::uint8_t>(key + nameKeyStep);
}

// Member bytes: every byte of a member is stored XORed with one key derived from the low byte of
// the member's size.
constexpr std::uint8_t memberKeyFactor = 0xA7;
constexpr std::uint8_t memberKeyOffset = 0x5C;

constexpr std::uint8_t memberKey(std::uint32_t size)
{
    return static_cast<std::uint8_t>((size & 0xFF) * memberKeyFactor + memberKeyOffset);
}

}
