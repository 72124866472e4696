#include "gui/paint/GifReader.h"

#include "base/DataSource.h"
#include "base/Debug.h"

#include <cstring>

namespace kestrel
{

namespace
{

// A broken stream; the text is logged by GifReader::read.
struct GifError
{
    const char* text;
};

constexpr GifError unexpectedEnd{"unexpected end of file"};
constexpr GifError corrupted{"corrupted file"};
constexpr GifError tooLarge{"image too large"};

constexpr int maxCodes = 4096;
constexpr int maxCodeWidth = 12;
constexpr std::uint32_t opaqueBlack = 0xFF000000;

// Most pixels a code stream of the given size can produce. After a clear code the i-th code stands for at most
// i pixels (each new string is one longer than an old one) and no string exceeds the table, so n codes give at
// most 1 + 2 + ... + n pixels, each term capped at the table size. Below a minimum code size of 2 the codes
// never widen enough to name a string entry, so each code is one pixel.
std::uint64_t maxPixels(std::size_t dataBytes, int minimumCodeSize)
{
    const std::uint64_t codes = static_cast<std::uint64_t>(dataBytes) * 8 / (minimumCodeSize + 1);
    if (minimumCodeSize < 2) {
        return codes;
    }
    if (codes <= maxCodes) {
        return codes * (codes + 1) / 2;
    }
    return static_cast<std::uint64_t>(maxCodes) * (maxCodes + 1) / 2 + (codes - maxCodes) * maxCodes;
}

// Codes of the LZW stream, least significant bit first.
class CodeReader
{
public:
    explicit CodeReader(const std::vector<std::uint8_t>& data) : m_data(data) {}

    int read(int width)
    {
        while (m_bits < width) {
            if (m_position >= m_data.size()) {
                throw unexpectedEnd;
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
    const std::vector<std::uint8_t>& m_data;
    std::size_t m_position = 0;
    std::uint32_t m_buffer = 0;
    int m_bits = 0;
};

// The LZW string table: each entry is a prefix entry plus one pixel, with its length and first pixel kept so
// that a string is written backwards straight into the output.
class LzwDecoder
{
public:
    LzwDecoder(int minimumCodeSize, std::vector<std::uint8_t>& indices)
        : m_clear(1 << minimumCodeSize), m_minimumCodeSize(minimumCodeSize), m_indices(indices)
    {
        for (int code = 0; code < m_clear; ++code) {
            m_suffix[code] = static_cast<std::uint8_t>(code);
            m_first[code] = static_cast<std::uint8_t>(code);
            m_length[code] = 1;
        }
        reset();
    }

    // Decodes up to the end code; false when that came before every pixel was written (the rest
    // keeps colour 0).
    bool decode(CodeReader& codes)
    {
        const int end = m_clear + 1;
        for (;;) {
            const int code = codes.read(m_width);
            if (code == m_clear) {
                reset();
                continue;
            }
            if (code == end) {
                return m_written == m_indices.size();
            }
            if (code > m_next || (code == m_next && m_previous < 0)) {
                throw corrupted;
            }
            output(code);
        }
    }

private:
    void reset()
    {
        m_width = m_minimumCodeSize + 1;
        m_next = m_clear + 2;
        m_previous = -1;
    }

    // Writes the string of a code (a code equal to the next free entry is the previous string plus its own
    // first pixel), then adds the previous string extended by this string's first pixel.
    void output(int code)
    {
        const bool repeat = code == m_next;
        const int stem = repeat ? m_previous : code;
        const std::size_t length = m_length[stem] + (repeat ? 1 : 0);
        if (length > m_indices.size() - m_written) {
            throw corrupted;
        }
        std::uint8_t* last = m_indices.data() + m_written + m_length[stem] - 1;
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

    void addEntry(std::uint8_t firstPixel)
    {
        if (m_previous < 0 || m_next >= maxCodes) {
            return;
        }
        m_prefix[m_next] = static_cast<std::uint16_t>(m_previous);
        m_suffix[m_next] = firstPixel;
        m_first[m_next] = m_first[m_previous];
        m_length[m_next] = static_cast<std::uint16_t>(m_length[m_previous] + 1);
        ++m_next;
        if (m_next == (1 << m_width) && m_width < maxCodeWidth) {
            ++m_width;
        }
    }

    const int m_clear;
    const int m_minimumCodeSize;
    std::vector<std::uint8_t>& m_indices;
    std::size_t m_written = 0;
    int m_width = 0;
    int m_next = 0;
    int m_previous = -1;
    std::uint16_t m_prefix[maxCodes] = {};
    std::uint8_t m_suffix[maxCodes] = {};
    std::uint8_t m_first[maxCodes] = {};
    std::uint16_t m_length[maxCodes] = {};
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

GifReader::GifReader(heron::DataSource& source) : m_source(source)
{
    m_global.fill(opaqueBlack);
}

Image GifReader::read()
{
    try {
        return decode();
    } catch (const GifError& error) {
        heron::debug("GIF decode failed: %s\n", error.text);
    }
    return Image();
}

Image GifReader::decode()
{
    char signature[6];
    if (m_source.read(signature, 6) != 6 ||
        (std::memcmp(signature, "GIF87a", 6) != 0 && std::memcmp(signature, "GIF89a", 6) != 0)) {
        return Image();
    }
    skipBytes(4);
    const int flags = nextByte();
    skipBytes(2);
    m_globalSize = readPalette(m_global, flags);
    for (;;) {
        switch (nextByte()) {
        case 0x21:
            readExtension();
            break;
        case 0x2C:
            return readImage();
        case 0x3B:
        case 0x00:
            return Image();
        default:
            break;
        }
    }
}

int GifReader::nextByte()
{
    const int byte = m_source.readByte();
    if (byte < 0) {
        throw unexpectedEnd;
    }
    return byte;
}

int GifReader::nextWord()
{
    const int low = nextByte();
    return low | (nextByte() << 8);
}

void GifReader::skipBytes(int count)
{
    for (int i = 0; i < count; ++i) {
        nextByte();
    }
}

void GifReader::readBytes(std::uint8_t* buffer, int count)
{
    if (m_source.read(buffer, static_cast<std::uint32_t>(count)) != static_cast<std::uint32_t>(count)) {
        throw unexpectedEnd;
    }
}

// Reads the colour table announced by bit 7 of flags; returns its number of entries (0 when there is none).
int GifReader::readPalette(Palette& palette, int flags)
{
    if ((flags & 0x80) == 0) {
        return 0;
    }
    const int entries = 2 << (flags & 7);
    std::uint8_t rgb[3 * 256];
    readBytes(rgb, 3 * entries);
    for (int i = 0; i < entries; ++i) {
        palette[i] = opaqueBlack | rgb[3 * i] << 16 | rgb[3 * i + 1] << 8 | rgb[3 * i + 2];
    }
    return entries;
}

// Skips an extension's sub-blocks; a graphic-control extension with its transparency bit set names the
// transparent colour index in its fourth byte.
void GifReader::readExtension()
{
    const int label = nextByte();
    bool first = true;
    for (int size = nextByte(); size != 0; size = nextByte()) {
        std::uint8_t block[255];
        readBytes(block, size);
        if (first && label == 0xF9 && size >= 4 && (block[0] & 1) != 0) {
            m_transparent = block[3];
        }
        first = false;
    }
}

Image GifReader::readImage()
{
    skipBytes(4);
    const int width = nextWord();
    const int height = nextWord();
    if (width > maxDimension || height > maxDimension || std::int64_t{width} * height > maxPixelCount) {
        throw tooLarge;
    }
    const int flags = nextByte();
    Palette palette = m_global;
    int entries = m_globalSize;
    if ((flags & 0x80) != 0) {
        palette.fill(opaqueBlack);
        entries = readPalette(palette, flags);
    }
    if (m_transparent >= 0 && m_transparent < entries) {
        palette[m_transparent] &= 0x00FFFFFF;
    }
    const int minimumCodeSize = nextByte();
    if (minimumCodeSize > 8) {
        throw corrupted;
    }
    const std::vector<std::uint8_t> data = readImageData();
    const std::uint64_t pixels = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    if (pixels > maxPixels(data.size(), minimumCodeSize)) {
        throw unexpectedEnd;
    }
    std::vector<std::uint8_t> indices(pixels);
    CodeReader codes(data);
    if (!LzwDecoder(minimumCodeSize, indices).decode(codes)) {
        // The picture is kept, but damaged content shows in the log.
        heron::debug("GIF decode: image data ended early\n");
    }
    return paint(indices, width, height, (flags & 0x40) != 0, palette);
}

// The image's data sub-blocks joined into one run of bytes. Data that stops without the empty closing block
// is taken as far as it goes; the code stream then tells whether it was enough.
std::vector<std::uint8_t> GifReader::readImageData()
{
    std::vector<std::uint8_t> data;
    for (int size = m_source.readByte(); size > 0; size = m_source.readByte()) {
        const std::size_t start = data.size();
        data.resize(start + size);
        const std::uint32_t got = m_source.read(data.data() + start, static_cast<std::uint32_t>(size));
        if (got != static_cast<std::uint32_t>(size)) {
            data.resize(start + got);
            break;
        }
    }
    return data;
}

// Turns colour indices, read top row first, into the bottom-up pixel layout.
Image GifReader::paint(const std::vector<std::uint8_t>& indices, int width, int height, bool interlaced,
                       const Palette& palette) const
{
    Image image(width, height);
    if (image.isEmpty()) {
        return image;
    }
    const std::vector<int> order = interlaced ? interlacedRows(height) : std::vector<int>();
    std::uint32_t* const pixels = image.pixels();
    for (int r = 0; r < height; ++r) {
        const int row = interlaced ? order[r] : r;
        std::uint32_t* target = pixels + static_cast<std::size_t>(height - 1 - row) * width;
        const std::uint8_t* source = indices.data() + static_cast<std::size_t>(r) * width;
        for (int x = 0; x < width; ++x) {
            target[x] = palette[source[x]];
        }
    }
    image.setComponents(m_transparent >= 0 ? 4 : 3);
    return image;
}

}
