#include "base/DataDest.h"

#include "base/Debug.h"
#include "base/heron_string.h"

#include <cstring>

namespace heron
{

DataDest::~DataDest()
{
    dropWriterContext();
}

bool DataDest::isOK() const
{
    return !hasError();
}

void DataDest::close()
{
}

void DataDest::put(const void* buffer, std::uint32_t n)
{
    if (n == 0 || !windowHolds(n)) {
        write(buffer, n);
        return;
    }
    std::memcpy(m_next, buffer, n);
    m_next += n;
}

DataDest& DataDest::writeTagOutsideWindow(std::uint32_t value)
{
    if (value < longTagMarker) {
        return putByte(char(value));
    }
    putByte(char(longTagMarker));
    return writeFixed(value);
}

DataDest& DataDest::writeOutsideWindow(std::uint32_t bits)
{
    unsigned char bytes[4];
    encode(bits, bytes);
    write(bytes, 4);
    return *this;
}

DataDest& DataDest::writeOutsideWindow(std::uint64_t bits)
{
    const std::uint32_t low = std::uint32_t(bits);
    const std::uint32_t high = std::uint32_t(bits >> 32);
    writeFixed(isBigEndian() ? high : low);
    return writeFixed(isBigEndian() ? low : high);
}

DataDest& DataDest::writeStringOutsideWindow(const heron_string& value)
{
    const std::uint32_t length = value.length();
    switch (stringMode()) {
    case 0:
        put(value.data(), length);
        return putByte(0);
    case 1:
        put(value.data(), length);
        putByte(10);
        return putByte(13);
    case 2:
        if (length > maxByteLengthString) {
            debug("DataDest::writeString() - %u bytes do not fit a one-byte length, not written\n", length);
            setError();
            return *this;
        }
        putByte(char(length));
        break;
    case 3:
        writeFixed(length);
        break;
    case 4:
        writeTag(length);
        break;
    default:
        debug("DataDest::writeString() - unknown string mode %d, not written\n", stringMode());
        setError();
        return *this;
    }
    put(value.data(), length);
    return *this;
}

}
