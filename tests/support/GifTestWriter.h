#pragma once

// A small GIF writer for tests and benchmarks: an LZW encoder plus the file's blocks, with switches for the
// features a reader must handle (global and local colour tables, transparency, interlacing, code sizes, table
// resets) and a way to put a hand-made code stream into a file.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

namespace giftest
{

using Bytes = std::vector<std::uint8_t>;

// One code of a hand-made code stream and the number of bits it takes.
struct Code
{
    int value;
    int width;
};

// Packs codes least significant bit first.
class BitWriter
{
public:
    void put(int code, int width)
    {
        m_buffer |= static_cast<std::uint64_t>(code) << m_bits;
        for (m_bits += width; m_bits >= 8; m_bits -= 8, m_buffer >>= 8) {
            m_bytes.push_back(static_cast<std::uint8_t>(m_buffer & 0xFF));
        }
    }

    // The bytes written, the last one padded with zero bits.
    Bytes finish()
    {
        put(0, (8 - m_bits) % 8);
        return std::move(m_bytes);
    }

private:
    Bytes m_bytes;
    std::uint64_t m_buffer = 0;
    int m_bits = 0;
};

inline Bytes packCodes(const std::vector<Code>& codes)
{
    BitWriter writer;
    for (const Code& code : codes) {
        writer.put(code.value, code.width);
    }
    return writer.finish();
}

// LZW-encodes colour indices. The code width follows the reader's rule, tracked as the reader sees it: after
// each code that adds an entry the next free code grows, and reaching 2^width widens the codes (up to 12 bits).
// With clearWhenFull a full table is reset with a clear code; otherwise 12-bit codes go on without new entries.
inline Bytes lzwEncode(const Bytes& indices, int minimumCodeSize, bool clearWhenFull = true)
{
    const int clear = 1 << minimumCodeSize;
    const int end = clear + 1;
    BitWriter writer;
    std::unordered_map<std::uint32_t, int> table;
    int next = clear + 2;        // the encoder's next code
    int readerNext = clear + 2;  // the reader's next free code
    int width = minimumCodeSize + 1;
    bool readerHasPrevious = false;
    const auto emit = [&](int code) {
        writer.put(code, width);
        if (readerHasPrevious && readerNext < 4096) {
            ++readerNext;
            if (readerNext == (1 << width) && width < 12) {
                ++width;
            }
        }
        readerHasPrevious = true;
    };
    const auto reset = [&] {
        writer.put(clear, width);
        table.clear();
        next = clear + 2;
        readerNext = clear + 2;
        width = minimumCodeSize + 1;
        readerHasPrevious = false;
    };
    reset();
    if (indices.empty()) {
        writer.put(end, width);
        return writer.finish();
    }
    int prefix = indices[0];
    for (std::size_t i = 1; i < indices.size(); ++i) {
        const std::uint32_t key = static_cast<std::uint32_t>(prefix) << 8 | indices[i];
        const auto found = table.find(key);
        if (found != table.end()) {
            prefix = found->second;
            continue;
        }
        emit(prefix);
        if (next < 4096) {
            table[key] = next++;
        } else if (clearWhenFull) {
            reset();
        }
        prefix = indices[i];
    }
    emit(prefix);
    writer.put(end, width);
    return writer.finish();
}

// Splits data into sub-blocks of at most blockSize bytes and closes them with the empty block.
inline Bytes subBlocks(const Bytes& data, std::size_t blockSize = 255)
{
    Bytes out;
    for (std::size_t at = 0; at < data.size(); at += blockSize) {
        const std::size_t size = std::min(blockSize, data.size() - at);
        out.push_back(static_cast<std::uint8_t>(size));
        out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                   data.begin() + static_cast<std::ptrdiff_t>(at + size));
    }
    out.push_back(0);
    return out;
}

struct Picture
{
    int width = 0;
    int height = 0;
    Bytes indices{};                      // colour indices, top row first, each row left to right
    std::vector<std::uint32_t> global{};  // 0xRRGGBB entries; none when empty
    std::vector<std::uint32_t> local{};   // 0xRRGGBB entries; none when empty
    int transparent = -1;                 // index named by a graphic-control extension, -1 for none
    bool interlaced = false;
    int minimumCodeSize = 8;
    bool clearWhenFull = true;
    std::size_t blockSize = 255;
    std::optional<Bytes> codeStream{};    // replaces the encoded indices when set
};

// Colour-table size bits for the flags byte: the table is padded to 2^(bits + 1) entries.
inline int tableBits(std::size_t entries)
{
    int bits = 0;
    while ((std::size_t{2} << bits) < entries) {
        ++bits;
    }
    return bits;
}

inline void putWord(Bytes& out, int value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

inline void putTable(Bytes& out, const std::vector<std::uint32_t>& table)
{
    const std::size_t padded = std::size_t{2} << tableBits(table.size());
    for (std::size_t i = 0; i < padded; ++i) {
        const std::uint32_t rgb = i < table.size() ? table[i] : 0;
        out.push_back(static_cast<std::uint8_t>(rgb >> 16));
        out.push_back(static_cast<std::uint8_t>(rgb >> 8));
        out.push_back(static_cast<std::uint8_t>(rgb));
    }
}

// The indices in the order the file stores rows: as they are, or in the four interlace passes.
inline Bytes storedOrder(const Picture& picture)
{
    if (!picture.interlaced) {
        return picture.indices;
    }
    Bytes out;
    const int starts[4] = {0, 4, 2, 1};
    const int steps[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        for (int row = starts[pass]; row < picture.height; row += steps[pass]) {
            const auto first = picture.indices.begin() + static_cast<std::ptrdiff_t>(row) * picture.width;
            out.insert(out.end(), first, first + picture.width);
        }
    }
    return out;
}

inline Bytes writeGif(const Picture& picture)
{
    Bytes out = {'G', 'I', 'F', '8', '9', 'a'};
    putWord(out, picture.width);
    putWord(out, picture.height);
    out.push_back(picture.global.empty() ? 0x70 : static_cast<std::uint8_t>(0xF0 | tableBits(picture.global.size())));
    out.push_back(0);
    out.push_back(0);
    if (!picture.global.empty()) {
        putTable(out, picture.global);
    }
    if (picture.transparent >= 0) {
        const Bytes control = {0x21, 0xF9, 4, 1, 0, 0, static_cast<std::uint8_t>(picture.transparent), 0};
        out.insert(out.end(), control.begin(), control.end());
    }
    out.push_back(0x2C);
    putWord(out, 0);
    putWord(out, 0);
    putWord(out, picture.width);
    putWord(out, picture.height);
    int flags = picture.interlaced ? 0x40 : 0;
    if (!picture.local.empty()) {
        flags |= 0x80 | tableBits(picture.local.size());
    }
    out.push_back(static_cast<std::uint8_t>(flags));
    if (!picture.local.empty()) {
        putTable(out, picture.local);
    }
    out.push_back(static_cast<std::uint8_t>(picture.minimumCodeSize));
    const Bytes data = picture.codeStream
                           ? *picture.codeStream
                           : lzwEncode(storedOrder(picture), picture.minimumCodeSize, picture.clearWhenFull);
    const Bytes blocks = subBlocks(data, picture.blockSize);
    out.insert(out.end(), blocks.begin(), blocks.end());
    out.push_back(0x3B);
    return out;
}

}
