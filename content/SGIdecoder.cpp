#include "content/SGIdecoder.h"

#include "base/DataSource.h"

#include <algorithm>
#include <cstdio>

namespace pelican
{

namespace
{

constexpr std::uint32_t headerSize = 512;
constexpr std::uint8_t magicHigh = 0x01;
constexpr std::uint8_t magicLow = 0xDA;
constexpr const char* badData = "SGIdecoder - Bad image data";
constexpr const char* badRow = "SGIdecoder - Bad row size";
constexpr const char* who = "SGIdecoder";
// Most values one run-length control value stands for.
constexpr std::uint64_t maxRunLength = 0x7F;

// Header fields, as byte offsets.
constexpr std::uint64_t storageField = 2;
constexpr std::uint64_t dimensionField = 4;
constexpr std::uint64_t widthField = 6;
constexpr std::uint64_t heightField = 8;
constexpr std::uint64_t channelsField = 10;

bool hasMagic(const std::uint8_t* bytes)
{
    return (bytes[0] == magicHigh && bytes[1] == magicLow) || (bytes[0] == magicLow && bytes[1] == magicHigh);
}

}

SGIdecoder::SGIdecoder(heron::DataSource& source)
{
    const std::uint32_t size = source.remaining();
    std::uint8_t magic[2];
    if (size <= headerSize || source.read(magic, 2) != 2 || !hasMagic(magic)) {
        return;
    }
    if (size > maxImageFileBytes) {
        throw ImageError("SGIdecoder - file too large");
    }
    m_file.resize(size);
    m_file[0] = magic[0];
    m_file[1] = magic[1];
    m_file.resize(2 + source.read(m_file.data() + 2, size - 2));
    if (m_file.size() > headerSize) {
        readHeader();
    }
}

std::uint16_t SGIdecoder::word16(std::uint64_t offset) const
{
    const std::uint8_t* bytes = m_file.data() + offset;
    return static_cast<std::uint16_t>(m_bigEndian ? bytes[0] << 8 | bytes[1] : bytes[1] << 8 | bytes[0]);
}

std::uint32_t SGIdecoder::word32(std::uint64_t offset) const
{
    const std::uint32_t first = word16(offset);
    const std::uint32_t second = word16(offset + 2);
    return m_bigEndian ? first << 16 | second : second << 16 | first;
}

void SGIdecoder::readHeader()
{
    m_bigEndian = m_file[0] == magicHigh;
    const std::uint16_t storage = word16(storageField);
    m_bytesPerChannel = storage & 0xFF;
    m_rle = (storage >> 8) == 1;
    m_dimension = word16(dimensionField);
    m_width = word16(widthField);
    m_height = word16(heightField);
    m_channels = word16(channelsField);
    m_ok = m_channels >= 1 && m_channels <= 4 && (m_bytesPerChannel == 1 || m_bytesPerChannel == 2);
}

std::optional<ImageInfo> SGIdecoder::readInfo() const
{
    if (!m_ok) {
        return std::nullopt;
    }
    return ImageInfo{m_width, m_height, m_channels};
}

kestrel::Image SGIdecoder::decode()
{
    if (!m_ok) {
        return kestrel::Image();
    }
    checkImageSize(who, m_width, m_height);
    if (m_rle) {
        readTables();
        checkRleRows();
    } else {
        checkVerbatimRows();
    }
    kestrel::Image image = makeDecodedImage(who, m_width, m_height, m_channels);
    std::vector<std::uint8_t> channels(static_cast<std::size_t>(m_width) * 4);
    std::fill(channels.begin() + 3 * m_width, channels.end(), 0xFF);
    for (int y = 0; y < m_height; ++y) {
        for (int c = 0; c < m_channels; ++c) {
            readImageRow(channels.data() + static_cast<std::size_t>(c) * m_width, y, c);
        }
        fillPixels(image, y, channels.data());
    }
    return image;
}

// The row start and row length tables: height x channels 32-bit words each, after the header.
void SGIdecoder::readTables()
{
    const std::uint64_t entries = std::uint64_t(m_height) * std::uint64_t(m_channels);
    if (m_file.size() - headerSize < 8 * entries) {
        throw ImageError("SGIdecoder - the row tables run past the end of the file");
    }
    m_starts.resize(entries);
    m_lengths.resize(entries);
    for (std::uint64_t i = 0; i < entries; ++i) {
        m_starts[i] = word32(headerSize + 4 * i);
        m_lengths[i] = word32(headerSize + 4 * (entries + i));
    }
}

void SGIdecoder::refuseTooLittleData() const
{
    char message[96];
    std::snprintf(message, sizeof message, "SGIdecoder - too little image data for %d x %d pixels", m_width, m_height);
    throw ImageError(message);
}

// Verbatim rows lie one after another, channel by channel: the file must reach to the end of the
// last row read.
void SGIdecoder::checkVerbatimRows() const
{
    const std::uint64_t rowBytes = std::uint64_t(m_width) * std::uint64_t(m_bytesPerChannel);
    const std::uint64_t rows = std::uint64_t(channelsRead() - 1) * std::uint64_t(m_height) + rowsRead();
    if (headerSize + rows * rowBytes > m_file.size()) {
        refuseTooLittleData();
    }
}

// Every run-length row read must lie in the file and be long enough for width values: a control
// value and the value it repeats make at most 127 of them.
void SGIdecoder::checkRleRows() const
{
    const auto step = static_cast<std::uint64_t>(m_bytesPerChannel);
    for (int c = 0; c < channelsRead(); ++c) {
        for (int y = 0; y < rowsRead(); ++y) {
            const std::size_t index = rleIndex(y, c);
            checkRleData(index);
            if (maxRunLength * (m_lengths[index] / step / 2) < std::uint64_t(m_width)) {
                refuseTooLittleData();
            }
        }
    }
}

void SGIdecoder::readImageRow(std::uint8_t* row, int y, int c)
{
    if (m_dimension < 3) {
        c = 0;
    }
    if (m_dimension < 2) {
        y = 0;
    }
    if (y < 0 || y >= m_height || c < 0 || c >= m_channels) {
        throw ImageError("SGIdecoder - readImageRow() out of range");
    }
    if (m_rle) {
        readRleRow(row, y, c);
    } else {
        readVerbatimRow(row, y, c);
    }
}

void SGIdecoder::readVerbatimRow(std::uint8_t* row, int y, int c) const
{
    const std::uint64_t rowBytes = std::uint64_t(m_width) * std::uint64_t(m_bytesPerChannel);
    const std::uint64_t index = std::uint64_t(c) * std::uint64_t(m_height) + std::uint64_t(y);
    const std::uint64_t offset = headerSize + index * rowBytes;
    if (offset + rowBytes > m_file.size()) {
        throw ImageError(badData);
    }
    const std::uint8_t* samples = m_file.data() + offset;
    const int low = m_bytesPerChannel == 2 && m_bigEndian ? 1 : 0;
    for (int x = 0; x < m_width; ++x) {
        row[x] = samples[x * m_bytesPerChannel + low];
    }
}

void SGIdecoder::readRleRow(std::uint8_t* row, int y, int c) const
{
    const std::size_t index = rleIndex(y, c);
    checkRleData(index);
    expandRle(row, m_starts[index], m_lengths[index]);
}

std::size_t SGIdecoder::rleIndex(int y, int c) const
{
    if (m_dimension < 1 || m_dimension > 3) {
        throw ImageError("SGIdecoder - Bad image dimension");
    }
    return m_dimension == 1 ? 0 : static_cast<std::size_t>(c) * m_height + y;
}

// The row's data must lie after the header and within the file.
void SGIdecoder::checkRleData(std::size_t index) const
{
    if (index >= m_starts.size()) {
        throw ImageError(badData);
    }
    const std::uint64_t offset = m_starts[index];
    if (offset < headerSize || offset + m_lengths[index] > m_file.size()) {
        throw ImageError(badData);
    }
}

// Run-length data, one value at a time (a byte, or a 16-bit word for two-byte channels): a control
// value's low 7 bits count values; with bit 7 set that many values follow to be copied, otherwise
// one value follows to be repeated. The row must come out exactly width values long.
void SGIdecoder::expandRle(std::uint8_t* row, std::uint64_t offset, std::uint64_t length) const
{
    const std::uint64_t step = static_cast<std::uint64_t>(m_bytesPerChannel);
    const std::uint64_t end = offset + length - length % step;
    const auto value = [&](std::uint64_t at) {
        return m_bytesPerChannel == 2 ? static_cast<std::uint8_t>(word16(at) & 0xFF) : m_file[at];
    };
    int x = 0;
    for (std::uint64_t at = offset; at < end;) {
        const int control = value(at);
        at += step;
        const int count = control & static_cast<int>(maxRunLength);
        const bool literal = (control & 0x80) != 0;
        const std::uint64_t needed = literal ? count * step : (count > 0 ? step : 0);
        if (count > m_width - x || needed > end - at) {
            throw ImageError(badRow);
        }
        for (int i = 0; i < count; ++i) {
            row[x++] = value(literal ? at + i * step : at);
        }
        at += needed;
    }
    if (x != m_width) {
        throw ImageError(badRow);
    }
}

// Pixel row y from the channel rows: alpha from channel 3, red, green and blue from channels 0, 1
// and 2, or all three from channel 0 when there are fewer than 3 channels.
void SGIdecoder::fillPixels(kestrel::Image& image, int y, const std::uint8_t* channels) const
{
    const std::uint8_t* red = channels;
    const std::uint8_t* green = m_channels < 3 ? red : channels + m_width;
    const std::uint8_t* blue = m_channels < 3 ? red : channels + 2 * m_width;
    const std::uint8_t* alpha = channels + 3 * m_width;
    std::uint32_t* pixels = image.pixelAt(0, y);
    for (int x = 0; x < m_width; ++x) {
        pixels[x] = std::uint32_t(alpha[x]) << 24 | std::uint32_t(red[x]) << 16 | std::uint32_t(green[x]) << 8 |
                    blue[x];
    }
}

}
