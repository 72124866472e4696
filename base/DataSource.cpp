#include "base/DataSource.h"

#include "base/Debug.h"
#include "base/heron_string.h"

#include <bit>

namespace heron
{

namespace
{

constexpr int lineFeed = 10;
constexpr int carriageReturn = 13;
constexpr std::uint32_t endOfDataTag = 0xFFFFFFFF;

bool isLineEnd(int byte)
{
    return byte == lineFeed || byte == carriageReturn;
}

// Fetches the bit pattern of a value and stores it in value, which stays unchanged when the
// fetch comes up short.
template <class Bits, class T>
DataSource& fetchAs(DataSource& source, bool (DataSource::*fetch)(Bits&), T& value)
{
    Bits bits = 0;
    if ((source.*fetch)(bits)) {
        value = std::bit_cast<T>(bits);
    }
    return source;
}

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

bool DataSource::fetchUInt32(std::uint32_t& value)
{
    unsigned char bytes[4];
    if (read(bytes, 4) != 4) {
        setError();
        return false;
    }
    value = decodeUInt32(bytes);
    return true;
}

bool DataSource::fetchUInt64(std::uint64_t& value)
{
    std::uint32_t first = 0;
    std::uint32_t second = 0;
    if (!fetchUInt32(first) || !fetchUInt32(second)) {
        return false;
    }
    const std::uint32_t low = isBigEndian() ? second : first;
    const std::uint32_t high = isBigEndian() ? first : second;
    value = std::uint64_t(high) << 32 | low;
    return true;
}

bool DataSource::fetchTag(std::uint32_t& value)
{
    const int byte = readByte();
    if (byte < 0) {
        setError();
        return false;
    }
    if (std::uint32_t(byte) != longTagMarker) {
        value = std::uint32_t(byte);
        return true;
    }
    return fetchUInt32(value);
}

DataSource& DataSource::readTag(std::uint32_t& value)
{
    if (!fetchTag(value)) {
        value = endOfDataTag;
    }
    return *this;
}

DataSource& DataSource::readBool(bool& value)
{
    const int byte = readByte();
    if (byte < 0) {
        setError();
    }
    value = byte != 0;
    return *this;
}

DataSource& DataSource::readByte(char& value)
{
    const int byte = readByte();
    if (byte < 0) {
        setError();
    }
    value = char(byte & 0xFF);
    return *this;
}

bool DataSource::fetchUInt16(std::uint16_t& value)
{
    const int first = readByte();
    const int second = first < 0 ? -1 : readByte();
    if (second < 0) {
        setError();
        return false;
    }
    value = isBigEndian() ? std::uint16_t(first << 8 | second) : std::uint16_t(second << 8 | first);
    return true;
}

DataSource& DataSource::readUInt16(std::uint16_t& value)
{
    return fetchAs(*this, &DataSource::fetchUInt16, value);
}

DataSource& DataSource::readInt16(std::int16_t& value)
{
    return fetchAs(*this, &DataSource::fetchUInt16, value);
}

DataSource& DataSource::readUInt32(std::uint32_t& value)
{
    return fetchAs(*this, &DataSource::fetchUInt32, value);
}

DataSource& DataSource::readInt32(std::int32_t& value)
{
    return fetchAs(*this, &DataSource::fetchUInt32, value);
}

DataSource& DataSource::readDouble(std::uint64_t& value)
{
    return fetchAs(*this, &DataSource::fetchUInt64, value);
}

DataSource& DataSource::readDouble(std::int64_t& value)
{
    return fetchAs(*this, &DataSource::fetchUInt64, value);
}

DataSource& DataSource::readDouble(double& value)
{
    return fetchAs(*this, &DataSource::fetchUInt64, value);
}

void DataSource::consumeLineEnd()
{
    if (isLineEnd(peekByte())) {
        readByte();
    }
}

void DataSource::readTextString(heron_string& value)
{
    for (;;) {
        const int byte = readByte();
        if (byte <= 0) {
            return;
        }
        if (isLineEnd(byte)) {
            consumeLineEnd();
            return;
        }
        value.push_back(char(byte));
    }
}

bool DataSource::fetchStringLength(std::uint32_t& length)
{
    if (stringMode() == 2) {
        const int byte = readByte();
        if (byte < 0) {
            setError();
            return false;
        }
        length = std::uint32_t(byte);
        return true;
    }
    if (stringMode() == 3) {
        return fetchUInt32(length);
    }
    return fetchTag(length);
}

void DataSource::readCountedString(heron_string& value)
{
    std::uint32_t length = 0;
    if (!fetchStringLength(length)) {
        return;
    }
    const std::uint32_t available = canSeek() ? remaining() : maxUnboundedStringLength;
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

DataSource& DataSource::readString(heron_string& value)
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
        const int byte = readByte();
        if (byte < 0) {
            return !value.empty();
        }
        if (isLineEnd(byte)) {
            consumeLineEnd();
            return true;
        }
        value.push_back(char(byte));
    }
}

}
