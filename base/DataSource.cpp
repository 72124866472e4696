#include "base/DataSource.h"

#include "base/Debug.h"
#include "base/Limits.h"
#include "base/heron_string.h"

namespace heron
{

namespace
{

constexpr std::uint32_t endOfDataTag = 0xFFFFFFFF;

}

DataSource::~DataSource()
{
    dropStreamReader();
}

void DataSource::skip(std::uint32_t n)
{
    for (std::uint32_t i = 0; i < n; ++i) {
        if (readByte() < 0) {
            return;
        }
    }
}

void DataSource::close()
{
}

bool DataSource::canSeek() const
{
    return false;
}

std::uint32_t DataSource::tell() const
{
    return 0;
}

void DataSource::seek(std::uint32_t)
{
}

std::uint32_t DataSource::remaining() const
{
    return 0;
}

int DataSource::fetchByte()
{
    const int byte = readByte();
    if (byte < 0) {
        setError();
    }
    return byte;
}

bool DataSource::fetchBits(std::uint16_t& bits)
{
    const int first = readByte();
    const int second = first < 0 ? -1 : readByte();
    if (second < 0) {
        setError();
        return false;
    }
    const unsigned char bytes[2] = {static_cast<unsigned char>(first), static_cast<unsigned char>(second)};
    bits = decode<std::uint16_t>(bytes);
    return true;
}

bool DataSource::fetchBits(std::uint32_t& bits)
{
    unsigned char bytes[4];
    if (read(bytes, 4) != 4) {
        setError();
        return false;
    }
    bits = decode<std::uint32_t>(bytes);
    return true;
}

bool DataSource::fetchBits(std::uint64_t& bits)
{
    std::uint32_t first = 0;
    std::uint32_t second = 0;
    if (!takeBits(first) || !takeBits(second)) {
        return false;
    }
    const std::uint32_t low = isBigEndian() ? second : first;
    const std::uint32_t high = isBigEndian() ? first : second;
    bits = std::uint64_t(high) << 32 | low;
    return true;
}

bool DataSource::fetchTag(std::uint32_t& value)
{
    const int byte = typedByte();
    if (byte < 0) {
        return false;
    }
    if (std::uint32_t(byte) != longTagMarker) {
        value = std::uint32_t(byte);
        return true;
    }
    return takeBits(value);
}

std::uint32_t DataSource::tagOutsideWindow()
{
    std::uint32_t value = 0;
    return fetchTag(value) ? value : endOfDataTag;
}

void DataSource::consumeLineEnd(int first, LineEndPair pair)
{
    const int next = windowHasByte() ? *m_next : peekByte();
    const bool sameEnd = pair == LineEndPair::AnyTwo ? isLineEnd(next) : endsTogether(first, next);
    if (sameEnd) {
        takeByte();
    }
}

void DataSource::readTextString(heron_string& value)
{
    for (;;) {
        const int byte = takeByte();
        if (byte <= 0) {
            return;
        }
        if (isLineEnd(byte)) {
            consumeLineEnd(byte, LineEndPair::AnyTwo);
            return;
        }
        value.push_back(char(byte));
    }
}

bool DataSource::fetchStringLength(std::uint32_t& length)
{
    if (stringMode() == 2) {
        const int byte = typedByte();
        length = std::uint32_t(byte);
        return byte >= 0;
    }
    if (stringMode() == 3) {
        return takeBits(length);
    }
    return fetchTag(length);
}

void DataSource::readCountedString(heron_string& value)
{
    std::uint32_t length = 0;
    if (!fetchStringLength(length)) {
        return;
    }
    if (windowHolds(length)) {
        value.assign(reinterpret_cast<const char*>(m_next), length);
        m_next += length;
        return;
    }
    const std::uint32_t available = canSeek() ? remaining() : limits::maxUnboundedStringLength;
    if (length > available || length > heron_string::maxLength) {
        debug("DataSource::readString() - length %u is beyond the %u bytes left, string left empty\n", length,
              available);
        setError();
        return;
    }
    value.resize(length);
    if (read(value.data(), length) != length) {
        setError();
    }
}

DataSource& DataSource::readStringOutsideWindow(heron_string& value)
{
    value.clear();
    if (stringMode() == 0 || stringMode() == 1) {
        readTextString(value);
    } else if (stringMode() >= 2 && stringMode() <= 4) {
        readCountedString(value);
    } else {
        debug("DataSource::readString() - unknown string mode %d, nothing read\n", stringMode());
        setError();
    }
    return *this;
}

bool DataSource::readLine(heron_string& value)
{
    value.clear();
    for (;;) {
        const int byte = takeByte();
        if (byte < 0) {
            return !value.empty();
        }
        if (isLineEnd(byte)) {
            consumeLineEnd(byte, LineEndPair::OtherKind);
            return true;
        }
        value.push_back(char(byte));
    }
}

}
