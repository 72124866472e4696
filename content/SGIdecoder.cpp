#include "content/SGIdecoder.h"

#include "base/DataSource.h"
#include "base/Limits.h"
#include "base/ReadError.h"

#include <algorithm>
#include <array>

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
constexpr const char* tooShort = "SGIdecoder - file too short for its header";
// Most values one run-length control value stands for.
constexpr std::uint64_t maxRunLength = 0x7F;

bool hasMagic(const std::uint8_t* bytes)
{
    return (bytes[0] == magicHigh && bytes[1] == magicLow) || (bytes[0] == magicLow && bytes[1] == magicHigh);
}

}

SGIdecoder::SGIdecoder(heron::DataSource& source)
{
    const std::uint32_t size = source.remaining();
    std::uint8_t magic[2];
    if (source.read(magic, 2) != 2 || !hasMagic(magic)) {
        return;
    }
    if (size <= headerSize) {
        m_refusal = tooShort;
        return;
    }
    if (size > heron::limits::maxImageFileBytes) {
        throw heron::ReadError("SGIdecoder - file too large");
    }
    m_file.resize(size);
    m_file[0] = magic[0];
    m_file[1] = magic[1];
    m_file.resize(2 + source.read(m_file.data() + 2, size - 2));
    if (m_file.size() <= headerSize) {
        m_refusal = tooShort;
        return;
    }
    readHeader();
}

// The header's first words: the magic, storage (run-length flag and bytes per channel), dimension,
// width, height and channels. The file is longer than the header, so they are all there.
void SGIdecoder::readHeader()
{
    m_bytes.assign(m_file.data(), static_cast<std::uint32_t>(m_file.size()), false);
    m_bytes.setBigEndian(m_file[0] == magicHigh);
    std::array<std::uint16_t, 6> words{};
    for (std::uint16_t& word : words) {
        m_bytes.readUInt16(word);
    }
    const auto [magic, storage, dimension, width, height, channels] = words;
    m_bytesPerChannel = storage & 0xFF;
    m_rle = (storage >> 8) == 1;
    m_dimension = dimension;
    m_width = width;
    m_height = height;
    m_channels = channels;
    m_ok = m_channels >= 1 && m_channels <= 4 && (m_bytesPerChannel == 1 || m_bytesPerChannel == 2);
    if (!m_ok) {
        m_refusal = "SGIdecoder - Bad image header";
    }
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
    kestrel::Image image = makeDecodedImage(who, m_width, m_height, m_channels, kestrel::PixelStart::Zeroed);
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
    const char* const pastEnd = "SGIdecoder - the row tables run past the end of the file";
    if (m_file.size() - headerSize < 8 * entries) {
        throw heron::ReadError(pastEnd);
    }
    m_starts.resize(entries);
    m_lengths.resize(entries);
    m_bytes.seek(headerSize);
    for (std::uint32_t& start : m_starts) {
        m_bytes.readUInt32(start);
    }
    for (std::uint32_t& length : m_lengths) {
        m_bytes.readUInt32(length);
    }
    heron::requireGood(m_bytes, pastEnd);
}

// Verbatim rows lie one after another, channel by channel: the file must reach to the end of the
// last row read.
void SGIdecoder::checkVerbatimRows() const
{
    const std::uint64_t rowBytes = std::uint64_t(m_width) * std::uint64_t(m_bytesPerChannel);
    const std::uint64_t rows = std::uint64_t(channelsRead() - 1) * std::uint64_t(m_height) + rowsRead();
    if (headerSize + rows * rowBytes > m_file.size()) {
        refuseTooLittleData(who, m_width, m_height);
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
                refuseTooLittleData(who, m_width, m_height);
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
        throw heron::ReadError("SGIdecoder - readImageRow() out of range");
    }
    if (m_rle) {
        readRleRow(row, y, c);
    } else {
        readVerbatimRow(row, y, c);
    }
}

void SGIdecoder::readVerbatimRow(std::uint8_t* row, int y, int c)
{
    const std::uint64_t rowBytes = std::uint64_t(m_width) * std::uint64_t(m_bytesPerChannel);
    const std::uint64_t index = std::uint64_t(c) * std::uint64_t(m_height) + std::uint64_t(y);
    const std::uint64_t offset = headerSize + index * rowBytes;
    if (offset + rowBytes > m_file.size()) {
        throw heron::ReadError(badData);
    }
    m_bytes.seek(static_cast<std::uint32_t>(offset));
    for (int x = 0; x < m_width; ++x) {
        row[x] = readValue();
    }
    heron::requireGood(m_bytes, badData);
}

void SGIdecoder::readRleRow(std::uint8_t* row, int y, int c)
{
    const std::size_t index = rleIndex(y, c);
    checkRleData(index);
    expandRle(row, m_starts[index], m_lengths[index]);
}

std::size_t SGIdecoder::rleIndex(int y, int c) const
{
    if (m_dimension < 1 || m_dimension > 3) {
        throw heron::ReadError("SGIdecoder - Bad image dimension");
    }
    return m_dimension == 1 ? 0 : static_cast<std::size_t>(c) * m_height + y;
}

// The row's data must lie after the header and within the file.
void SGIdecoder::checkRleData(std::size_t index) const
{
    if (index >= m_starts.size()) {
        throw heron::ReadError(badData);
    }
    const std::uint64_t offset = m_starts[index];
    if (offset < headerSize || offset + m_lengths[index] > m_file.size()) {
        throw heron::ReadError(badData);
    }
}

// Run-length data, one value at a time (a byte, or a 16-bit word for two-byte channels): a control
// value's low 7 bits count values; with bit 7 set that many values follow to be copied, otherwise
// one value follows to be repeated. The row must come out exactly width values long.
void SGIdecoder::expandRle(std::uint8_t* row, std::uint64_t offset, std::uint64_t length)
{
    const std::uint64_t step = static_cast<std::uint64_t>(m_bytesPerChannel);
    std::uint64_t left = length - length % step;
    m_bytes.seek(static_cast<std::uint32_t>(offset));
    int x = 0;
    while (left > 0) {
        const int control = readValue();
        left -= step;
        const int count = control & static_cast<int>(maxRunLength);
        const bool literal = (control & 0x80) != 0;
        const std::uint64_t needed = literal ? count * step : (count > 0 ? step : 0);
        if (count > m_width - x || needed > left) {
            throw heron::ReadError(badRow);
        }
        const std::uint8_t repeated = literal || count == 0 ? 0 : readValue();
        for (int i = 0; i < count; ++i) {
            row[x++] = literal ? readValue() : repeated;
        }
        left -= needed;
    }
    if (x != m_width) {
        throw heron::ReadError(badRow);
    }
    heron::requireGood(m_bytes, badData);
}

std::uint8_t SGIdecoder::readValue()
{
    if (m_bytesPerChannel == 1) {
        char byte = 0;
        m_bytes.readByte(byte);
        return static_cast<std::uint8_t>(byte);
    }
    std::uint16_t word = 0;
    m_bytes.readUInt16(word);
    return static_cast<std::uint8_t>(word & 0xFF);
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
