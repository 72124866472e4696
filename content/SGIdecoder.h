#pragma once

#include "base/MemoryDataSource.h"
#include "content/ImageFormat.h"
#include "gui/paint/Image.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace heron
{
class DataSource;
}

namespace pelican
{

// Decoder of SGI image files: a 512-byte header (magic 474 in either byte order), then the
// channel rows bottom row first, stored verbatim or run-length encoded behind tables of row
// offsets and lengths. One or two bytes per channel; of two-byte samples the less significant
// byte is kept. Every offset and length is checked against the file before it is used, a file
// whose data cannot fill its size is refused before the image is made, and damaged data throws
// heron::ReadError. One thread at a time uses a decoder.
class SGIdecoder
{
public:
    // Reads the whole file from source when it is longer than the header and starts with the
    // magic; otherwise the decoder holds nothing. A file above heron::limits::maxImageFileBytes
    // throws.
    explicit SGIdecoder(heron::DataSource& source);

    // Why a file that starts with the magic holds no valid file (too short for its header, or a
    // header of channels or sample sizes this decoder does not read); null for any other file.
    [[nodiscard]] const char* refusal() const { return m_refusal; }

    // Width, height and channels of a valid file; nothing otherwise.
    [[nodiscard]] std::optional<ImageInfo> readInfo() const;
    // The image, with the channel count as its components: 1 and 2 channels give grey, channel 3
    // is alpha (255 without it). Empty when the decoder holds no valid file.
    [[nodiscard]] kestrel::Image decode();
    // Delivers the width samples of row y of channel c into row. Files of dimension 1 or 2 repeat
    // channel 0, files of dimension 1 also row 0.
    void readImageRow(std::uint8_t* row, int y, int c);

private:
    void readHeader();
    void readTables();
    // Channels and rows that readImageRow reads: files of dimension 1 or 2 repeat channel 0,
    // files of dimension 1 also row 0.
    int channelsRead() const { return m_dimension < 3 ? 1 : m_channels; }
    int rowsRead() const { return m_dimension < 2 ? 1 : m_height; }
    // Refuse a file whose data cannot make the image, before the image is made.
    void checkVerbatimRows() const;
    void checkRleRows() const;
    std::size_t rleIndex(int y, int c) const;
    void checkRleData(std::size_t index) const;
    void readVerbatimRow(std::uint8_t* row, int y, int c);
    void readRleRow(std::uint8_t* row, int y, int c);
    void expandRle(std::uint8_t* row, std::uint64_t offset, std::uint64_t length);
    // The next value of a channel row: a byte, or the less significant byte of a 16-bit word.
    std::uint8_t readValue();
    void fillPixels(kestrel::Image& image, int y, const std::uint8_t* channels) const;

    std::vector<std::uint8_t> m_file;
    // Typed reads over m_file, in the file's byte order.
    heron::MemoryDataSource m_bytes;
    bool m_ok = false;
    const char* m_refusal = nullptr;
    bool m_rle = false;
    int m_bytesPerChannel = 1;
    int m_dimension = 0;
    int m_width = 0;
    int m_height = 0;
    int m_channels = 0;
    std::vector<std::uint32_t> m_starts;
    std::vector<std::uint32_t> m_lengths;
};

}
