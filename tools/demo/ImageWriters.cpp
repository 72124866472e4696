#include "tools/demo/ImageWriters.h"

#include "base/Debug.h"
#include "content/JpegErrors.h"

#include <algorithm>
#include <cstdlib>
#include <unordered_map>
#include <vector>

namespace demo
{

namespace
{

constexpr int largestSide = 65535;

bool writable(const kestrel::Image& image)
{
    return !image.isEmpty() && image.width() <= largestSide && image.height() <= largestSide;
}

// The pixels of row y of the file, where files list rows top row first.
const std::uint32_t* fileRow(const kestrel::Image& image, int y)
{
    return image.pixelAt(0, image.height() - 1 - y);
}

void putLittle16(Bytes& out, int value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

// ---- GIF ----

constexpr int gifTableSize = 4096;
constexpr int gifWidestCode = 12;

// Colour indices of the pixels (top row first) and the colour table they index.
struct Indexed
{
    Bytes indices;
    std::vector<std::uint32_t> colours;
    int transparent = -1;
};

std::optional<Indexed> indexColours(const kestrel::Image& image)
{
    Indexed result;
    result.indices.reserve(static_cast<std::size_t>(image.width()) * image.height());
    std::unordered_map<std::uint32_t, std::uint8_t> known;
    const bool withAlpha = image.components() == 4;
    for (int y = 0; y < image.height(); ++y) {
        const std::uint32_t* row = fileRow(image, y);
        for (int x = 0; x < image.width(); ++x) {
            const bool clear = withAlpha && (row[x] >> 24) < 128;
            // Transparent pixels share one key that no opaque colour has.
            const std::uint32_t key = clear ? 0 : (row[x] | 0xFF000000);
            const auto found = known.find(key);
            if (found != known.end()) {
                result.indices.push_back(found->second);
                continue;
            }
            if (result.colours.size() == 256) {
                return std::nullopt;
            }
            const auto index = static_cast<std::uint8_t>(result.colours.size());
            if (clear) {
                result.transparent = index;
            }
            result.colours.push_back(row[x] & 0x00FFFFFF);
            known.emplace(key, index);
            result.indices.push_back(index);
        }
    }
    return result;
}

// Codes packed least significant bit first into sub-blocks of up to 255 bytes.
class GifCodeWriter
{
public:
    void put(int code, int width)
    {
        m_buffer |= static_cast<std::uint32_t>(code) << m_bits;
        for (m_bits += width; m_bits >= 8; m_bits -= 8) {
            m_data.push_back(static_cast<std::uint8_t>(m_buffer & 0xFF));
            m_buffer >>= 8;
        }
    }

    // Appends the sub-blocks and the empty block that closes them.
    void finishInto(Bytes& out)
    {
        if (m_bits > 0) {
            m_data.push_back(static_cast<std::uint8_t>(m_buffer & 0xFF));
        }
        for (std::size_t at = 0; at < m_data.size(); at += 255) {
            const std::size_t size = std::min<std::size_t>(255, m_data.size() - at);
            out.push_back(static_cast<std::uint8_t>(size));
            out.insert(out.end(), m_data.begin() + static_cast<std::ptrdiff_t>(at),
                       m_data.begin() + static_cast<std::ptrdiff_t>(at + size));
        }
        out.push_back(0);
    }

private:
    Bytes m_data;
    std::uint32_t m_buffer = 0;
    int m_bits = 0;
};

// LZW encoding for GIF. The code width is the one the reader uses at each code: the reader adds an
// entry after every code but the first after a clear, and a code wider by one bit follows once its
// next entry reaches 2^width. The encoder's table runs one entry ahead of the reader's.
class LzwEncoder
{
public:
    explicit LzwEncoder(int codeSize)
        : m_codeSize(codeSize), m_clear(1 << codeSize), m_children(std::size_t{gifTableSize} * 256, 0)
    {
    }

    void encode(const Bytes& indices, GifCodeWriter& out)
    {
        startTable(out);
        int string = indices.empty() ? -1 : indices[0];
        for (std::size_t i = 1; i < indices.size(); ++i) {
            std::uint32_t& child = m_children[static_cast<std::size_t>(string) << 8 | indices[i]];
            if ((child >> 16) == m_generation) {
                string = static_cast<int>(child & 0xFFFF);
                continue;
            }
            putCode(string, out);
            if (m_next < gifTableSize) {
                child = m_generation << 16 | static_cast<std::uint32_t>(m_next++);
            } else {
                startTable(out);
            }
            string = indices[i];
        }
        if (string >= 0) {
            putCode(string, out);
        }
        out.put(m_clear + 1, m_width);
    }

private:
    void startTable(GifCodeWriter& out)
    {
        out.put(m_clear, m_width > 0 ? m_width : m_codeSize + 1);
        m_width = m_codeSize + 1;
        m_next = m_clear + 2;
        m_readerNext = m_clear + 2;
        m_readerHasString = false;
        ++m_generation;
    }

    void putCode(int code, GifCodeWriter& out)
    {
        out.put(code, m_width);
        if (m_readerHasString && m_readerNext < gifTableSize) {
            ++m_readerNext;
            if (m_readerNext == (1 << m_width) && m_width < gifWidestCode) {
                ++m_width;
            }
        }
        m_readerHasString = true;
    }

    const int m_codeSize;
    const int m_clear;
    // Per (string code, next index): the generation of the table it was made in and its code.
    std::vector<std::uint32_t> m_children;
    std::uint32_t m_generation = 0;
    int m_width = 0;
    int m_next = 0;
    int m_readerNext = 0;
    bool m_readerHasString = false;
};

// Bits of the table-size field: the table holds 2^(bits + 1) entries.
int tableBits(std::size_t colours)
{
    int bits = 0;
    while ((std::size_t{2} << bits) < colours) {
        ++bits;
    }
    return bits;
}

void putGifHeader(Bytes& out, const kestrel::Image& image, const Indexed& indexed, int bits)
{
    out = {'G', 'I', 'F', '8', '9', 'a'};
    putLittle16(out, image.width());
    putLittle16(out, image.height());
    out.push_back(static_cast<std::uint8_t>(0xF0 | bits));
    out.push_back(0);
    out.push_back(0);
    for (int i = 0; i < (2 << bits); ++i) {
        const std::uint32_t colour = i < static_cast<int>(indexed.colours.size()) ? indexed.colours[i] : 0;
        out.push_back(static_cast<std::uint8_t>(colour >> 16));
        out.push_back(static_cast<std::uint8_t>(colour >> 8));
        out.push_back(static_cast<std::uint8_t>(colour));
    }
    if (indexed.transparent >= 0) {
        const Bytes control = {0x21, 0xF9, 4, 1, 0, 0, static_cast<std::uint8_t>(indexed.transparent), 0};
        out.insert(out.end(), control.begin(), control.end());
    }
    out.push_back(0x2C);
    putLittle16(out, 0);
    putLittle16(out, 0);
    putLittle16(out, image.width());
    putLittle16(out, image.height());
    out.push_back(0);
}

// ---- SGI ----

constexpr int sgiHeaderSize = 512;
constexpr int sgiLongestRun = 127;

class SgiWriter
{
public:
    SgiWriter(const kestrel::Image& image, const SgiOptions& options)
        : m_image(image), m_options(options), m_channels(channelsOf(image))
    {
    }

    Bytes write()
    {
        putHeader();
        if (m_options.storage == SgiStorage::Verbatim) {
            for (int c = 0; c < m_channels; ++c) {
                for (int y = 0; y < m_image.height(); ++y) {
                    putValues(channelRow(y, c));
                }
            }
            return std::move(m_out);
        }
        writeRunLength();
        return std::move(m_out);
    }

private:
    static int channelsOf(const kestrel::Image& image)
    {
        const int components = image.components();
        return components == 1 ? 1 : (components == 3 ? 3 : 4);
    }

    void putWord(std::uint32_t value, int bytes)
    {
        for (int i = 0; i < bytes; ++i) {
            const int shift = m_options.order == SgiByteOrder::BigEndian ? 8 * (bytes - 1 - i) : 8 * i;
            m_out.push_back(static_cast<std::uint8_t>(value >> shift));
        }
    }

    void putValue(std::uint32_t value)
    {
        putWord(m_options.bytesPerChannel == 2 ? value * 257 : value, m_options.bytesPerChannel);
    }

    void putValues(const Bytes& values)
    {
        for (const std::uint8_t value : values) {
            putValue(value);
        }
    }

    void putHeader()
    {
        m_out.reserve(sgiHeaderSize);
        putWord(474, 2);
        const std::uint32_t storage = m_options.storage == SgiStorage::RunLength ? 1 : 0;
        putWord(storage << 8 | static_cast<std::uint32_t>(m_options.bytesPerChannel), 2);
        putWord(m_channels == 1 ? 2 : 3, 2);
        putWord(static_cast<std::uint32_t>(m_image.width()), 2);
        putWord(static_cast<std::uint32_t>(m_image.height()), 2);
        putWord(static_cast<std::uint32_t>(m_channels), 2);
        putWord(0, 4);
        putWord(m_options.bytesPerChannel == 2 ? 65535 : 255, 4);
        m_out.resize(sgiHeaderSize, 0);
    }

    // The samples of channel c in image row y: red, green, blue, alpha.
    Bytes channelRow(int y, int c) const
    {
        const std::uint32_t* pixels = m_image.pixelAt(0, y);
        static constexpr int shifts[4] = {16, 8, 0, 24};
        Bytes values(static_cast<std::size_t>(m_image.width()));
        for (int x = 0; x < m_image.width(); ++x) {
            values[x] = static_cast<std::uint8_t>(pixels[x] >> shifts[c]);
        }
        return values;
    }

    // The tables of row offsets and lengths (channel by channel, bottom row first), then the rows.
    void writeRunLength()
    {
        const std::size_t rows = static_cast<std::size_t>(m_channels) * m_image.height();
        const std::size_t tables = m_out.size();
        m_out.resize(tables + 8 * rows, 0);
        std::vector<std::uint32_t> starts;
        std::vector<std::uint32_t> lengths;
        for (int c = 0; c < m_channels; ++c) {
            for (int y = 0; y < m_image.height(); ++y) {
                starts.push_back(static_cast<std::uint32_t>(m_out.size()));
                putRuns(channelRow(y, c));
                lengths.push_back(static_cast<std::uint32_t>(m_out.size()) - starts.back());
            }
        }
        Bytes data(m_out.begin() + static_cast<std::ptrdiff_t>(tables + 8 * rows), m_out.end());
        m_out.resize(tables);
        for (const std::uint32_t start : starts) {
            putWord(start, 4);
        }
        for (const std::uint32_t length : lengths) {
            putWord(length, 4);
        }
        m_out.insert(m_out.end(), data.begin(), data.end());
    }

    // Runs of three or more equal values become repeat packets, the rest literal packets; a zero
    // control ends the row.
    void putRuns(const Bytes& values)
    {
        std::size_t at = 0;
        while (at < values.size()) {
            const std::size_t run = runLength(values, at);
            if (run >= 3) {
                putValue(static_cast<std::uint32_t>(run));
                putValue(values[at]);
                at += run;
                continue;
            }
            std::size_t end = at;
            while (end < values.size() && end - at < sgiLongestRun && runLength(values, end) < 3) {
                ++end;
            }
            putValue(static_cast<std::uint32_t>(0x80 | (end - at)));
            for (; at < end; ++at) {
                putValue(values[at]);
            }
        }
        putValue(0);
    }

    static std::size_t runLength(const Bytes& values, std::size_t at)
    {
        std::size_t end = at + 1;
        while (end < values.size() && end - at < sgiLongestRun && values[end] == values[at]) {
            ++end;
        }
        return end - at;
    }

    const kestrel::Image& m_image;
    const SgiOptions m_options;
    const int m_channels;
    Bytes m_out;
};

// ---- JPEG ----

struct Compression
{
    jpeg_compress_struct info;
    pelican::JpegErrors errors;
    unsigned char* buffer;
    unsigned long size;
    JpegScans scans;
    // The scan sequence of JpegScans::EveryCoefficient, which the library reads while it writes.
    std::vector<jpeg_scan_info> script;
};

// A DC scan of all components, then for each component each AC coefficient first without its
// lowest bit and then that bit.
std::vector<jpeg_scan_info> everyCoefficientScript(int components)
{
    std::vector<jpeg_scan_info> script(1);
    script[0].comps_in_scan = components;
    for (int c = 0; c < components; ++c) {
        script[0].component_index[c] = c;
    }
    for (int c = 0; c < components; ++c) {
        for (int k = 1; k < DCTSIZE2; ++k) {
            for (const int lowBit : {1, 0}) {
                jpeg_scan_info scan{};
                scan.comps_in_scan = 1;
                scan.component_index[0] = c;
                scan.Ss = scan.Se = k;
                scan.Ah = lowBit == 0 ? 1 : 0;
                scan.Al = lowBit;
                script.push_back(scan);
            }
        }
    }
    return script;
}

// Sets the scans the compression is to write, after the library's defaults.
void setScans(Compression* c)
{
    if (c->scans == JpegScans::Progressive) {
        jpeg_simple_progression(&c->info);
    } else if (c->scans == JpegScans::EveryCoefficient) {
        c->info.scan_info = c->script.data();
        c->info.num_scans = static_cast<int>(c->script.size());
    }
}

// The library's work, behind its setjmp: a frame of plain values only (see JpegErrors).
bool compress(Compression* c, const std::uint8_t* samples, JDIMENSION width, JDIMENSION height, J_COLOR_SPACE space,
              int components, int quality)
{
    if (setjmp(c->errors.jump) != 0) {
        return false;
    }
    jpeg_compress_struct* info = &c->info;
    jpeg_create_compress(info);
    jpeg_mem_dest(info, &c->buffer, &c->size);
    info->image_width = width;
    info->image_height = height;
    info->input_components = components;
    info->in_color_space = space;
    jpeg_set_defaults(info);
    jpeg_set_quality(info, quality, TRUE);
    setScans(c);
    jpeg_start_compress(info, TRUE);
    const std::size_t stride = std::size_t(info->image_width) * components;
    while (info->next_scanline < info->image_height) {
        JSAMPROW row = const_cast<JSAMPLE*>(samples + info->next_scanline * stride);
        jpeg_write_scanlines(info, &row, 1);
    }
    jpeg_finish_compress(info);
    return true;
}

// Owns a compression and its output memory.
class Compressor
{
public:
    Compressor() { m_c.info.err = pelican::useJpegErrors(m_c.errors); }
    ~Compressor()
    {
        jpeg_destroy_compress(&m_c.info);
        std::free(m_c.buffer);
    }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;

    Compression* get() { return &m_c; }

private:
    Compression m_c{};
};

// The samples top row first: grey from red, or red, green and blue.
Bytes jpegSamples(const kestrel::Image& image, int components)
{
    Bytes samples;
    samples.reserve(static_cast<std::size_t>(image.width()) * image.height() * components);
    for (int y = 0; y < image.height(); ++y) {
        const std::uint32_t* row = fileRow(image, y);
        for (int x = 0; x < image.width(); ++x) {
            samples.push_back(static_cast<std::uint8_t>(row[x] >> 16));
            if (components == 3) {
                samples.push_back(static_cast<std::uint8_t>(row[x] >> 8));
                samples.push_back(static_cast<std::uint8_t>(row[x]));
            }
        }
    }
    return samples;
}

}

std::optional<Bytes> writeGif(const kestrel::Image& image)
{
    if (!writable(image)) {
        return std::nullopt;
    }
    const std::optional<Indexed> indexed = indexColours(image);
    if (!indexed) {
        return std::nullopt;
    }
    const int bits = tableBits(indexed->colours.size());
    const int codeSize = std::max(2, bits + 1);
    Bytes out;
    putGifHeader(out, image, *indexed, bits);
    out.push_back(static_cast<std::uint8_t>(codeSize));
    GifCodeWriter codes;
    LzwEncoder(codeSize).encode(indexed->indices, codes);
    codes.finishInto(out);
    out.push_back(0x3B);
    return out;
}

Bytes writeSgi(const kestrel::Image& image, const SgiOptions& options)
{
    if (!writable(image)) {
        return {};
    }
    return SgiWriter(image, options).write();
}

Bytes writeJpeg(const kestrel::Image& image, int quality, JpegScans scans)
{
    if (image.isEmpty()) {
        return {};
    }
    const bool grey = image.components() == 1;
    const Bytes samples = jpegSamples(image, grey ? 1 : 3);
    return writeJpegSamples(samples.data(), image.width(), image.height(), grey ? JpegColours::Grey : JpegColours::Rgb,
                            quality, scans);
}

Bytes writeJpegSamples(const std::uint8_t* samples, int width, int height, JpegColours colours, int quality,
                       JpegScans scans)
{
    static constexpr J_COLOR_SPACE spaces[] = {JCS_GRAYSCALE, JCS_RGB, JCS_CMYK};
    static constexpr int components[] = {1, 3, 4};
    const auto kind = static_cast<std::size_t>(colours);
    Compressor compressor;
    Compression* const c = compressor.get();
    c->scans = scans;
    if (scans == JpegScans::EveryCoefficient) {
        c->script = everyCoefficientScript(components[kind]);
    }
    if (!compress(c, samples, static_cast<JDIMENSION>(width), static_cast<JDIMENSION>(height), spaces[kind],
                  components[kind], std::clamp(quality, 1, 100))) {
        heron::debug("writeJpeg: %s\n", c->errors.message);
        return {};
    }
    return Bytes(c->buffer, c->buffer + c->size);
}

}
