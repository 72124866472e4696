#include "content/BigFileInput.h"

#include "base/FilePath.h"
#include "content/DataFiles.h"
#include "content/PackedFormat.h"

#include <algorithm>
#include <cstring>

namespace pelican
{

namespace
{

// The bytes of a member that lie inside its packed file.
std::uint32_t readableSize(const PackedMember& member)
{
    const std::uint64_t fileSize = member.file->size();
    if (member.position >= fileSize) {
        return 0;
    }
    return std::uint32_t(std::min<std::uint64_t>(member.size, fileSize - member.position));
}

}

BigFileInput::BigFileInput(const heron::FilePath& name) : BigFileInput(findPackedMember(name).value_or(PackedMember()))
{
}

BigFileInput::BigFileInput(const PackedMember& member) : m_key(packed::memberKey(member.size))
{
    attach(member.file, member.position, member.file ? readableSize(member) : 0);
}

BigFileInput::~BigFileInput() = default;

void BigFileInput::arrived(unsigned char* bytes, std::uint32_t n) const
{
    // Four 8-byte words at a time, then the rest one by one.
    const std::uint64_t keys = 0x0101010101010101u * m_key;
    std::uint32_t i = 0;
    for (; n - i >= sizeof(std::uint64_t[4]); i += sizeof(std::uint64_t[4])) {
        std::uint64_t words[4];
        std::memcpy(words, bytes + i, sizeof words);
        for (std::uint64_t& word : words) {
            word ^= keys;
        }
        std::memcpy(bytes + i, words, sizeof words);
    }
    for (; i < n; ++i) {
        bytes[i] ^= m_key;
    }
}

}
