#include "gui/paint/GifCore.h"

#include "base/DataSource.h"
#include "base/ReadError.h"

#include <algorithm>
#include <cstring>

namespace kestrel
{

namespace
{

constexpr int tableSize = 4096;
constexpr int widestCode = 12;
constexpr std::uint32_t opaqueBlack = 0xFF000000;
constexpr int imageDescriptor = 0x2C;
constexpr int extensionIntroducer = 0x21;
constexpr int trailer = 0x3B;
constexpr int graphicControl = 0xF9;

// Kept out of the decoding loops, whose registers it would otherwise take.
[[noreturn, gnu::cold, gnu::noinline]] void fail(const char* reason)
{
    throw heron::ReadError(reason);
}

// Codes of the LZW stream, least significant bit first. The decoders below keep plain pointers and sizes
// rather than references to vectors: the byte stores of the decoding loop then cannot seem to change them.
class CodeReader
{
public:
    CodeReader(const GifImageData& data, const GifReasons& reasons)
        : m_data(data.bytes.data()), m_size(data.bytes.size()),
          m_ranOut(data.closed ? reasons.dataClosed : reasons.endOfData)
    {
    }

    int read(int width)
    {
        while (m_bits < width) {
            if (m_position >= m_size) {
                fail(m_ranOut);
            }
            m_buffer |= static_cast<std::uint32_t>(m_data[m_position++]) << m_bits;
            m_bits += 8;
        }
        const int code = static_cast<int>(m_buffer & ((1u << width) - 1));
        m_buffer >>= width;
        m_bits -= width;
        return code;
    }

private:
    const std::uint8_t* const m_data;
    const std::size_t m_size;
    const char* const m_ranOut;
    std::size_t m_position = 0;
    std::uint32_t m_buffer = 0;
    int m_bits = 0;
};

// The LZW string table: each entry is a prefix entry plus one index, with its length and first index kept so
// that a string is written backwards straight into the output.
class LzwDecoder
{
public:
    LzwDecoder(int codeSize, std::vector<std::uint8_t>& indices, const GifReasons& reasons)
        : m_clear(1 << codeSize), m_codeSize(codeSize), m_indices(indices.data()), m_size(indices.size()),
          m_reasons(reasons)
    {
        for (int code = 0; code < m_clear; ++code) {
            m_suffix[code] = static_cast<std::uint8_t>(code);
            m_first[code] = static_cast<std::uint8_t>(code);
            m_length[code] = 1;
        }
        reset();
    }

    // Decodes up to the end code; returns how many indices were written.
    std::size_t decode(CodeReader& codes)
    {
        const int end = m_clear + 1;
        for (;;) {
            const int code = codes.read(m_width);
            if (code == m_clear) {
                reset();
                continue;
            }
            if (code == end) {
                return m_written;
            }
            if (code > m_next || (code == m_next && m_previous < 0)) {
                fail(m_reasons.badCode);
            }
            output(code);
        }
    }

private:
    void reset()
    {
        m_width = m_codeSize + 1;
        m_next = m_clear + 2;
        m_previous = -1;
    }

    // Writes the string of a code (a code equal to the next free entry is the previous string plus its own
    // first index), then adds the previous string extended by this string's first index.
    void output(int code)
    {
        const bool repeat = code == m_next;
        const int stem = repeat ? m_previous : code;
        const std::size_t length = m_length[stem] + (repeat ? 1 : 0);
        if (length > m_size - m_written) {
            fail(m_reasons.pastImage);
        }
        std::uint8_t* last = m_indices + m_written + m_length[stem] - 1;
        if (repeat) {
            last[1] = m_first[stem];
        }
        int at = stem;
        while (at >= m_clear) {
            *last-- = m_suffix[at];
            at = m_prefix[at];
        }
        *last = static_cast<std::uint8_t>(at);
        m_written += length;
        addEntry(m_first[stem]);
        m_previous = code;
    }

    void addEntry(std::uint8_t firstIndex)
    {
        if (m_previous < 0 || m_next >= tableSize) {
            return;
        }
        m_prefix[m_next] = static_cast<std::uint16_t>(m_previous);
        m_suffix[m_next] = firstIndex;
        m_first[m_next] = m_first[m_previous];
        m_length[m_next] = static_cast<std::uint16_t>(m_length[m_previous] + 1);
        ++m_next;
        if (m_next == (1 << m_width) && m_width < widestCode) {
            ++m_width;
        }
    }

    const int m_clear;
    const int m_codeSize;
    std::uint8_t* const m_indices;
    const std::size_t m_size;
    const GifReasons& m_reasons;
    std::size_t m_written = 0;
    int m_width = 0;
    int m_next = 0;
    int m_previous = -1;
    std::uint16_t m_prefix[tableSize] = {};
    std::uint8_t m_suffix[tableSize] = {};
    std::uint8_t m_first[tableSize] = {};
    std::uint16_t m_length[tableSize] = {};
};

// Picture rows (0 = top) in the order an interlaced image stores them: every 8th row from 0, every 8th
// from 4, every 4th from 2, every 2nd from 1.
std::vector<int> interlacedRows(int height)
{
    static constexpr int starts[4] = {0, 4, 2, 1};
    static constexpr int steps[4] = {8, 8, 4, 2};
    std::vector<int> rows;
    rows.reserve(height);
    for (int pass = 0; pass < 4; ++pass) {
        for (int row = starts[pass]; row < height; row += steps[pass]) {
            rows.push_back(row);
        }
    }
    return rows;
}

}

bool isGifSignature(const std::uint8_t* bytes)
{
    return std::memcmp(bytes, "GIF87a", 6) == 0 || std::memcmp(bytes, "GIF89a", 6) == 0;
}

GifStream::GifStream(heron::DataSource& source, const GifReasons& reasons) : m_source(source), m_reasons(reasons)
{
    m_source.setBigEndian(false);
    m_palette.fill(opaqueBlack);
}

// The logical screen: its size, a flags byte announcing the global colour table, and the background index
// and aspect byte, which are not used.
GifSize GifStream::readScreen()
{
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    char flags = 0;
    std::uint16_t unused = 0;
    m_source.readUInt16(width).readUInt16(height).readByte(flags).readUInt16(unused);
    heron::requireGood(m_source, m_reasons.endOfData);
    readPalette(static_cast<std::uint8_t>(flags));
    return GifSize{width, height};
}

GifBlock GifStream::findImage()
{
    for (;;) {
        const int byte = m_source.readByte();
        if (byte == imageDescriptor) {
            return GifBlock::Image;
        }
        if (byte < 0) {
            return GifBlock::EndOfData;
        }
        if (byte == 0 || byte == trailer) {
            return GifBlock::Trailer;
        }
        if (byte == extensionIntroducer) {
            readExtension();
        }
    }
}

GifSize GifStream::readImageSize()
{
    std::uint16_t left = 0;
    std::uint16_t top = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    m_source.readUInt16(left).readUInt16(top).readUInt16(width).readUInt16(height);
    heron::requireGood(m_source, m_reasons.endOfData);
    return GifSize{width, height};
}

bool GifStream::readImageLayout()
{
    char flags = 0;
    m_source.readByte(flags);
    heron::requireGood(m_source, m_reasons.endOfData);
    readPalette(static_cast<std::uint8_t>(flags));
    return (flags & 0x40) != 0;
}

int GifStream::readCodeSize()
{
    char codeSize = 0;
    m_source.readByte(codeSize);
    heron::requireGood(m_source, m_reasons.endOfData);
    if (static_cast<std::uint8_t>(codeSize) > 8) {
        throw heron::ReadError(m_reasons.badCodeSize);
    }
    return static_cast<std::uint8_t>(codeSize);
}

// Each sub-block is read with the size byte of the next one, in one read.
GifImageData GifStream::readImageData(CutBlock cut)
{
    GifImageData data;
    int size = m_source.readByte();
    while (size > 0) {
        const std::size_t start = data.bytes.size();
        data.bytes.resize(start + size + 1);
        const auto wanted = static_cast<std::uint32_t>(size + 1);
        const auto got = static_cast<int>(m_source.read(data.bytes.data() + start, wanted));
        if (got <= size) {
            // The stream ended inside this block or right after it.
            const bool keep = got == size || cut == CutBlock::Keep;
            data.bytes.resize(start + (keep ? got : 0));
            return data;
        }
        size = data.bytes.back();
        data.bytes.pop_back();
    }
    data.closed = size == 0;
    return data;
}

GifPalette GifStream::palette() const
{
    GifPalette palette = m_palette;
    if (m_transparent >= 0 && m_transparent < m_paletteSize) {
        palette[m_transparent] &= 0x00FFFFFF;
    }
    return palette;
}

void GifStream::readBlock(std::uint8_t* block, int size)
{
    if (m_source.read(block, static_cast<std::uint32_t>(size)) != static_cast<std::uint32_t>(size)) {
        throw heron::ReadError(m_reasons.endOfData);
    }
}

// Reads the colour table announced by bit 7 of flags; it replaces the table in force, its entries past the
// table's end opaque black.
void GifStream::readPalette(int flags)
{
    if ((flags & 0x80) == 0) {
        return;
    }
    const int entries = 2 << (flags & 7);
    std::uint8_t rgb[3 * 256];
    readBlock(rgb, 3 * entries);
    m_palette.fill(opaqueBlack);
    for (int i = 0; i < entries; ++i) {
        m_palette[i] = opaqueBlack | rgb[3 * i] << 16 | rgb[3 * i + 1] << 8 | rgb[3 * i + 2];
    }
    m_paletteSize = entries;
}

// Skips an extension's sub-blocks, each read with the next one's size byte; a graphic-control extension with
// its transparency bit set names the transparent index in its fourth byte.
void GifStream::readExtension()
{
    std::uint8_t start[2];
    readBlock(start, 2);
    const int label = start[0];
    std::uint8_t block[256];
    bool first = true;
    for (int size = start[1]; size != 0; size = block[size]) {
        readBlock(block, size + 1);
        if (first && label == graphicControl && size >= 4 && (block[0] & 1) != 0) {
            m_transparent = block[3];
        }
        first = false;
    }
}

std::uint64_t mostGifPixels(std::uint64_t dataBytes, int codeSize)
{
    const std::uint64_t codes = dataBytes * 8 / static_cast<std::uint64_t>(codeSize + 1);
    if (codeSize < 2) {
        return codes;
    }
    const std::uint64_t growing = std::min<std::uint64_t>(codes, tableSize);
    return growing * (growing + 1) / 2 + (codes - growing) * tableSize;
}

std::size_t decodeGifCodes(const GifImageData& data, int codeSize, std::vector<std::uint8_t>& indices,
                           const GifReasons& reasons)
{
    CodeReader codes(data, reasons);
    return LzwDecoder(codeSize, indices, reasons).decode(codes);
}

void paintGifIndices(Image& image, const std::vector<std::uint8_t>& indices, std::size_t count,
                     const GifPalette& palette, bool interlaced)
{
    const int width = image.width();
    const int height = image.height();
    const std::vector<int> order = interlaced ? interlacedRows(height) : std::vector<int>();
    std::uint32_t* const pixels = image.pixels();
    const std::uint8_t* source = indices.data();
    for (int r = 0; r < height && count > 0; ++r) {
        const int row = interlaced ? order[r] : r;
        std::uint32_t* const target = pixels + static_cast<std::size_t>(height - 1 - row) * width;
        const std::size_t n = std::min<std::size_t>(count, static_cast<std::size_t>(width));
        for (std::size_t x = 0; x < n; ++x) {
            target[x] = palette[source[x]];
        }
        source += n;
        count -= n;
    }
}

}
