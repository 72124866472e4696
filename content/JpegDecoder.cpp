#include "content/JpegDecoder.h"

#include "base/DataSource.h"
#include "base/Debug.h"
#include "base/Limits.h"
#include "base/ReadError.h"
#include "content/JpegErrors.h"

#include <jerror.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <string>

namespace pelican
{

namespace
{

constexpr std::size_t sourceBufferSize = 1024;
// The library's cap on its own memory (a progressive file's coefficients take 6 bytes a pixel when
// no component is subsampled); past it the library refuses the file before it decodes any scan.
constexpr long maxLibraryBytes = static_cast<long>(heron::limits::maxJpegWorkingBytes);

// The source manager over a byte source, made in the decompressor's permanent pool.
struct JpegSource
{
    jpeg_source_mgr manager;
    heron::DataSource* bytes;
    JOCTET buffer[sourceBufferSize];
};

JpegSource& sourceOf(j_decompress_ptr info)
{
    return *reinterpret_cast<JpegSource*>(info->src);
}

void initSource(j_decompress_ptr info)
{
    info->src->next_input_byte = nullptr;
    info->src->bytes_in_buffer = 0;
}

// Refills the buffer from the byte source. When the bytes have run out the library is warned,
// which fails the decoding (see JpegErrors); an end-of-image marker follows only so that a library
// that went on would finish rather than ask for bytes forever.
boolean fillInputBuffer(j_decompress_ptr info)
{
    JpegSource& source = sourceOf(info);
    std::size_t got = source.bytes->read(source.buffer, sourceBufferSize);
    if (got == 0) {
        WARNMS(info, JWRN_JPEG_EOF);
        source.buffer[0] = 0xFF;
        source.buffer[1] = JPEG_EOI;
        got = 2;
    }
    source.manager.next_input_byte = source.buffer;
    source.manager.bytes_in_buffer = got;
    return TRUE;
}

void skipInputData(j_decompress_ptr info, long count)
{
    if (count <= 0) {
        return;
    }
    JpegSource& source = sourceOf(info);
    const std::size_t wanted = static_cast<std::size_t>(count);
    if (wanted <= source.manager.bytes_in_buffer) {
        source.manager.next_input_byte += wanted;
        source.manager.bytes_in_buffer -= wanted;
        return;
    }
    const std::size_t rest = wanted - source.manager.bytes_in_buffer;
    source.bytes->skip(static_cast<std::uint32_t>(std::min<std::size_t>(rest, 0xFFFFFFFF)));
    source.manager.next_input_byte = source.buffer;
    source.manager.bytes_in_buffer = 0;
}

void termSource(j_decompress_ptr)
{
}

void installSource(j_decompress_ptr info, heron::DataSource* bytes)
{
    void* const memory =
        (*info->mem->alloc_small)(reinterpret_cast<j_common_ptr>(info), JPOOL_PERMANENT, sizeof(JpegSource));
    auto* const source = static_cast<JpegSource*>(memory);
    source->manager.init_source = initSource;
    source->manager.fill_input_buffer = fillInputBuffer;
    source->manager.skip_input_data = skipInputData;
    source->manager.resync_to_restart = jpeg_resync_to_restart;
    source->manager.term_source = termSource;
    source->manager.next_input_byte = nullptr;
    source->manager.bytes_in_buffer = 0;
    source->bytes = bytes;
    info->src = &source->manager;
}

// The most scans a file of the image's size may have.
int mostScans(const jpeg_decompress_struct& info)
{
    const std::uint64_t area = std::max<std::uint64_t>(1, std::uint64_t(info.image_width) * info.image_height);
    const std::uint64_t byArea = heron::limits::maxJpegScanArea / area;
    return static_cast<int>(std::min<std::uint64_t>(heron::limits::maxJpegScans, byArea));
}

// The progress hook, called as the library works through the file.
void checkScans(j_common_ptr common)
{
    const auto info = reinterpret_cast<j_decompress_ptr>(common);
    if (info->input_scan_number <= mostScans(*info)) {
        return;
    }
    char message[JMSG_LENGTH_MAX];
    std::snprintf(message, sizeof message, "too many scans (%d) for %u x %u pixels", info->input_scan_number,
                  info->image_width, info->image_height);
    failJpeg(common, message);
}

// One decompression: libjpeg's record, its error manager and its progress hook.
struct Decompression
{
    jpeg_decompress_struct info;
    JpegErrors errors;
    jpeg_progress_mgr progress;
};

// Most rows the library hands over at once (its output buffer height is 1 to 4).
constexpr JDIMENSION mostRowsAtOnce = 16;
// The library's output whose pixels are our 32-bit words 0xAARRGGBB in memory, alpha 255.
constexpr J_COLOR_SPACE pixelSpace = std::endian::native == std::endian::little ? JCS_EXT_BGRA : JCS_EXT_ARGB;

// The calls into libjpeg, each behind its own setjmp and false when the library failed. Their
// frames hold plain values only (see JpegErrors).
bool readHeader(Decompression* d, heron::DataSource* bytes)
{
    if (setjmp(d->errors.jump) != 0) {
        return false;
    }
    jpeg_create_decompress(&d->info);
    d->info.mem->max_memory_to_use = maxLibraryBytes;
    d->progress.progress_monitor = checkScans;
    d->info.progress = &d->progress;
    installSource(&d->info, bytes);
    jpeg_read_header(&d->info, TRUE);
    return true;
}

bool startDecompress(Decompression* d)
{
    if (setjmp(d->errors.jump) != 0) {
        return false;
    }
    jpeg_start_decompress(&d->info);
    return true;
}

// Rows arrive top row first, straight into the image from its last row down.
bool readScanlines(Decompression* d, std::uint32_t* pixels)
{
    if (setjmp(d->errors.jump) != 0) {
        return false;
    }
    j_decompress_ptr info = &d->info;
    const JDIMENSION width = info->output_width;
    const JDIMENSION height = info->output_height;
    JSAMPROW rows[mostRowsAtOnce];
    while (info->output_scanline < height) {
        const JDIMENSION first = info->output_scanline;
        const JDIMENSION wanted =
            std::min({static_cast<JDIMENSION>(info->rec_outbuf_height), mostRowsAtOnce, height - first});
        for (JDIMENSION i = 0; i < wanted; ++i) {
            rows[i] = reinterpret_cast<JSAMPROW>(pixels + std::size_t(height - 1 - first - i) * width);
        }
        const JDIMENSION got = jpeg_read_scanlines(info, rows, wanted);
        if (got == 0) {
            failJpeg(reinterpret_cast<j_common_ptr>(info), "no rows decoded");
        }
    }
    jpeg_finish_decompress(info);
    return true;
}

// Owns a decompression and destroys it on every way out, failed or not.
class Decompressor
{
public:
    Decompressor() { m_d.info.err = useJpegErrors(m_d.errors); }
    ~Decompressor() { jpeg_destroy_decompress(&m_d.info); }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    Decompression* get() { return &m_d; }
    jpeg_decompress_struct& info() { return m_d.info; }

    // Why the library failed. Past its memory cap it asks for a backing store, which it has none
    // of here: that is told as the memory it needed.
    std::string reason() const
    {
        if (m_d.errors.manager.msg_code == JERR_NO_BACKING_STORE) {
            return "the library needs more than " + std::to_string(maxLibraryBytes >> 20) + " MiB of working memory";
        }
        return m_d.errors.message;
    }

private:
    Decompression m_d{};
};

// The boundary between the library's failures and the program's: the reason goes to the log, and
// the caller gets the one read error of every refused JPEG file.
[[noreturn]] void refuse(const char* who, const char* reason)
{
    heron::debug("%s: %s\n", who, reason);
    throw heron::ReadError("Bad jpg file");
}

// Reads the header and refuses what the image code does not take: more than maxDecodedImageSide
// pixels a side, CMYK, anything but one or three components. Asks for our pixel layout.
void readAcceptedHeader(const char* who, Decompressor& decompressor, heron::DataSource& source)
{
    if (!readHeader(decompressor.get(), &source)) {
        refuse(who, decompressor.reason().c_str());
    }
    jpeg_decompress_struct& info = decompressor.info();
    char reason[96];
    constexpr unsigned largest = heron::limits::maxDecodedImageSide;
    if (info.image_width > largest || info.image_height > largest) {
        std::snprintf(reason, sizeof reason, "image too large (%u x %u)", info.image_width, info.image_height);
        refuse(who, reason);
    }
    if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK) {
        refuse(who, "CMYK images are not supported");
    }
    if (info.num_components != 1 && info.num_components != 3) {
        std::snprintf(reason, sizeof reason, "images of %d components are not supported", info.num_components);
        refuse(who, reason);
    }
    info.out_color_space = pixelSpace;
}

// Refuses a file whose bytes cannot hold the blocks its header claims, before the library allots
// memory for them. Each block of a component needs at least a one-bit code for its first
// coefficient, so the bytes after the header hold at most eight blocks each; the component of the
// most blocks must fit. Arithmetic coding packs tighter and is not bounded here.
void refuseTooFewBytes(const char* who, const jpeg_decompress_struct& info, const heron::DataSource& source)
{
    if (info.arith_code || !source.canSeek()) {
        return;
    }
    std::uint64_t blocks = 0;
    for (int c = 0; c < info.num_components; ++c) {
        const jpeg_component_info& component = info.comp_info[c];
        blocks = std::max(blocks, std::uint64_t(component.width_in_blocks) * component.height_in_blocks);
    }
    const std::uint64_t bytes = std::uint64_t(source.remaining()) + info.src->bytes_in_buffer;
    if (blocks > bytes * 8) {
        char reason[120];
        std::snprintf(reason, sizeof reason, "%llu bytes of data cannot hold a %u x %u image",
                      static_cast<unsigned long long>(bytes), info.image_width, info.image_height);
        refuse(who, reason);
    }
}

}

kestrel::Image decodeJpeg(heron::DataSource& source)
{
    static constexpr const char* who = "decodeJpeg";
    Decompressor decompressor;
    readAcceptedHeader(who, decompressor, source);
    refuseTooFewBytes(who, decompressor.info(), source);
    if (!startDecompress(decompressor.get())) {
        refuse(who, decompressor.reason().c_str());
    }
    const jpeg_decompress_struct& info = decompressor.info();
    // Every row is decoded into the image, and a decode that stops part-way throws it away, so
    // its pixels need no fill first.
    kestrel::Image image =
        makeDecodedImage(who, static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                         info.num_components == 1 ? 1 : 3, kestrel::PixelStart::Unset);
    if (!readScanlines(decompressor.get(), image.pixels())) {
        refuse(who, decompressor.reason().c_str());
    }
    return image;
}

ImageInfo readJpegInfo(heron::DataSource& source)
{
    Decompressor decompressor;
    readAcceptedHeader("readJpegInfo", decompressor, source);
    const jpeg_decompress_struct& info = decompressor.info();
    return ImageInfo{static_cast<int>(info.image_width), static_cast<int>(info.image_height),
                     info.num_components == 1 ? 1 : 3};
}

}
