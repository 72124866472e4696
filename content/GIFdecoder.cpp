#include "content/GIFdecoder.h"

#include "base/DataSource.h"
#include "base/Debug.h"

#include <algorithm>
#include <cstdio>

namespace pelican
{

namespace
{

constexpr const char* unexpectedEnd = "GIFdecoder - unexpected end of file";
constexpr int tableSize = 4096;
constexpr int widestCode = 12;
constexpr std::uint32_t opaqueBlack = 0xFF000000;
constexpr int imageDescriptor = 0x2C;
constexpr int extensionIntroducer = 0x21;
constexpr int trailer = 0x3B;
constexpr int graphicControl = 0xF9;

// Most colour indices the code stream in bytes could stand for. The k-th code after a clear stands
// for at most k indices, and no string is longer than the table; below a code size of 2 the codes
// never grow wide enough to name a string entry, so each stands for one index.
std::uint64_t mostIndices(std::uint64_t bytes, int codeSize)
{
    const std::uint64_t codes = bytes * 8 / static_cast<std::uint64_t>(codeSize + 1);
    if (codeSize < 2) {
        return codes;
    }
    const std::uint64_t growing = std::min<std::uint64_t>(codes, tableSize);
    return growing * (growing + 1) / 2 + (codes - growing) * tableSize;
}

// The codes of an image's data sub-blocks, least significant bit first.
class CodeStream
{
public:
    explicit CodeStream(heron::DataSource& source) : m_source(source) {}

    int read(int width)
    {
        while (m_bits < width) {
            if (m_at == m_blockSize) {
                nextBlock();
            }
            m_buffer |= static_cast<std::uint32_t>(m_block[m_at++]) << m_bits;
            m_bits += 8;
        }
        const int code = static_cast<int>(m_buffer & ((1u << width) - 1));
        m_buffer >>= width;
        m_bits -= width;
        return code;
    }

private:
    void nextBlock()
    {
        const int size = m_source.readByte();
        if (size == 0) {
            throw ImageError("GIFdecoder - unexpected EOF merker in file");
        }
        if (size < 0 || m_source.read(m_block, static_cast<std::uint32_t>(size)) != static_cast<std::uint32_t>(size)) {
            throw ImageError(unexpectedEnd);
        }
        m_blockSize = size;
        m_at = 0;
    }

    heron::DataSource& m_source;
    std::uint8_t m_block[255] = {};
    int m_blockSize = 0;
    int m_at = 0;
    std::uint32_t m_buffer = 0;
    int m_bits = 0;
};

// Puts colour indices through the palette into the image, from its top row down; an interlaced
// image's rows come in four passes (every 8th row from 0, every 8th from 4, every 4th from 2,
// every 2nd from 1).
class PixelSink
{
public:
    PixelSink(kestrel::Image& image, const std::array<std::uint32_t, 256>& palette, bool interlaced)
        : m_pixels(image.pixels()), m_width(image.width()), m_height(image.height()), m_palette(palette),
          m_interlaced(interlaced)
    {
    }

    void put(const std::uint8_t* indices, int count)
    {
        for (int i = 0; i < count; ++i) {
            if (m_rowsDone == m_height) {
                throw ImageError("GIFdecoder - the file is corrupt");
            }
            line()[m_x] = m_palette[indices[i]];
            if (++m_x == m_width) {
                nextRow();
            }
        }
    }

    bool full() const { return m_rowsDone == m_height; }

private:
    static constexpr int passStart[4] = {0, 4, 2, 1};
    static constexpr int passStep[4] = {8, 8, 4, 2};

    std::uint32_t* line() const { return m_pixels + static_cast<std::size_t>(m_height - 1 - m_row) * m_width; }

    void nextRow()
    {
        m_x = 0;
        ++m_rowsDone;
        if (!m_interlaced) {
            ++m_row;
            return;
        }
        m_row += passStep[m_pass];
        while (m_row >= m_height && m_pass < 3) {
            m_row = passStart[++m_pass];
        }
    }

    std::uint32_t* const m_pixels;
    const int m_width;
    const int m_height;
    const std::array<std::uint32_t, 256>& m_palette;
    const bool m_interlaced;
    int m_x = 0;
    int m_row = 0;
    int m_pass = 0;
    int m_rowsDone = 0;
};

// The LZW string table. Each entry is a prefix entry and one last index, with its length and first
// index kept, so a string is written backwards at once.
class StringTable
{
public:
    explicit StringTable(int codeSize) : m_codeSize(codeSize), m_clear(1 << codeSize)
    {
        for (int code = 0; code < m_clear; ++code) {
            m_last[code] = static_cast<std::uint8_t>(code);
            m_first[code] = static_cast<std::uint8_t>(code);
            m_length[code] = 1;
        }
        reset();
    }

    // Decodes codes up to the end code into the sink.
    void decode(CodeStream& codes, PixelSink& sink)
    {
        for (;;) {
            const int code = codes.read(m_width);
            if (code == m_clear) {
                reset();
            } else if (code == m_clear + 1) {
                return;
            } else {
                output(code, sink);
            }
        }
    }

private:
    void reset()
    {
        m_width = m_codeSize + 1;
        m_next = m_clear + 2;
        m_previous = -1;
    }

    // Writes the string of a code; the next free code stands for the previous string followed by
    // its own first index. Then the previous string, extended by this string's first index, joins
    // the table.
    void output(int code, PixelSink& sink)
    {
        if (code > m_next || (code == m_next && m_previous < 0)) {
            throw ImageError("GIFdecoder - garbage in file");
        }
        const bool repeat = code == m_next;
        const int stem = repeat ? m_previous : code;
        const int length = m_length[stem] + (repeat ? 1 : 0);
        int at = m_length[stem] - 1;
        if (repeat) {
            m_string[length - 1] = m_first[stem];
        }
        for (int entry = stem; at >= 0; entry = m_prefix[entry]) {
            m_string[at--] = m_last[entry];
        }
        sink.put(m_string, length);
        grow(m_first[stem]);
        m_previous = code;
    }

    void grow(std::uint8_t firstIndex)
    {
        if (m_previous < 0 || m_next >= tableSize) {
            return;
        }
        m_prefix[m_next] = static_cast<std::uint16_t>(m_previous);
        m_last[m_next] = firstIndex;
        m_first[m_next] = m_first[m_previous];
        m_length[m_next] = static_cast<std::uint16_t>(m_length[m_previous] + 1);
        ++m_next;
        if (m_next == (1 << m_width) && m_width < widestCode) {
            ++m_width;
        }
    }

    const int m_codeSize;
    const int m_clear;
    int m_width = 0;
    int m_next = 0;
    int m_previous = -1;
    std::uint16_t m_prefix[tableSize] = {};
    std::uint8_t m_last[tableSize] = {};
    std::uint8_t m_first[tableSize] = {};
    std::uint16_t m_length[tableSize] = {};
    std::uint8_t m_string[tableSize] = {};
};

}

GIFdecoder::GIFdecoder(heron::DataSource& source) : m_source(source)
{
    m_palette.fill(opaqueBlack);
}

kestrel::Image GIFdecoder::decode()
{
    readScreen();
    if (!findImage()) {
        return kestrel::Image();
    }
    return readImage();
}

ImageInfo GIFdecoder::readInfo()
{
    readScreen();
    findImage();
    return ImageInfo{m_width, m_height, m_transparent >= 0 ? 4 : 3};
}

int GIFdecoder::nextByte()
{
    const int byte = m_source.readByte();
    if (byte < 0) {
        throw ImageError(unexpectedEnd);
    }
    return byte;
}

int GIFdecoder::nextWord()
{
    const int low = nextByte();
    return low | nextByte() << 8;
}

void GIFdecoder::readBlock(std::uint8_t* block, int size)
{
    if (m_source.read(block, static_cast<std::uint32_t>(size)) != static_cast<std::uint32_t>(size)) {
        throw ImageError(unexpectedEnd);
    }
}

// The logical screen: its size, a flags byte announcing the global colour table, and the
// background index and aspect byte, which are not used.
void GIFdecoder::readScreen()
{
    m_width = nextWord();
    m_height = nextWord();
    const int flags = nextByte();
    nextWord();
    readPalette(flags);
}

// Reads the colour table that bit 7 of flags announces into the palette, which it replaces; the
// entries past it are opaque black.
void GIFdecoder::readPalette(int flags)
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

bool GIFdecoder::findImage()
{
    for (;;) {
        const int byte = m_source.readByte();
        if (byte == imageDescriptor) {
            return true;
        }
        if (byte <= 0 || byte == trailer) {
            return false;
        }
        if (byte == extensionIntroducer) {
            readExtension();
        }
    }
}

// Skips an extension's sub-blocks; a graphic-control extension whose flags have bit 0 set names
// the transparent index in its fourth byte.
void GIFdecoder::readExtension()
{
    const int label = nextByte();
    bool first = true;
    for (int size = nextByte(); size != 0; size = nextByte()) {
        std::uint8_t block[255];
        readBlock(block, size);
        if (first && label == graphicControl && size >= 4 && (block[0] & 1) != 0) {
            m_transparent = block[3];
        }
        first = false;
    }
}

kestrel::Image GIFdecoder::readImage()
{
    nextWord();
    nextWord();
    const int width = nextWord();
    const int height = nextWord();
    if (width != m_width || height != m_height) {
        throw ImageError("GIFdecoder: Bad image size in GIF data");
    }
    const int flags = nextByte();
    readPalette(flags);
    Palette palette = m_palette;
    if (m_transparent >= 0 && m_transparent < m_paletteSize) {
        palette[m_transparent] &= 0x00FFFFFF;
    }
    const int codeSize = nextByte();
    if (codeSize > 8) {
        throw ImageError("GIFdecoder - corrupted file");
    }
    if (std::uint64_t(width) * std::uint64_t(height) > mostIndices(m_source.remaining(), codeSize)) {
        char message[96];
        std::snprintf(message, sizeof message, "GIFdecoder - too little image data for %d x %d pixels", width,
                      height);
        throw ImageError(message);
    }
    kestrel::Image image = makeDecodedImage("GIFdecoder", width, height, m_transparent >= 0 ? 4 : 3);
    CodeStream codes(m_source);
    PixelSink sink(image, palette, (flags & 0x40) != 0);
    StringTable(codeSize).decode(codes, sink);
    if (!sink.full()) {
        heron::debug("GIFdecoder - image data ended early\n");
    }
    return image;
}

}
