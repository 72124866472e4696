#include "base/DataDest.h"

#include "base/Debug.h"
#include "base/heron_string.h"

#include <bit>

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

DataDest& DataDest::writeTag(std::uint32_t value)
{
    if (value < longTagMarker) {
        return writeByte(char(value));
    }
    writeByte(char(longTagMarker));
    return writeUInt32(value);
}

DataDest& DataDest::writeBool(bool value)
{
    return writeByte(value ? 1 : 0);
}

DataDest& DataDest::writeUInt32(std::uint32_t value)
{
    unsigned char bytes[4];
    encodeUInt32(value, bytes);
    write(bytes, 4);
    return *this;
}

DataDest& DataDest::writeInt32(std::int32_t value)
{
    return writeUInt32(std::uint32_t(value));
}

DataDest& DataDest::writeLong(std::int32_t value)
{
    return writeUInt32(std::uint32_t(value));
}

DataDest& DataDest::writeDouble(std::uint64_t value)
{
    const std::uint32_t low = std::uint32_t(value);
    const std::uint32_t high = std::uint32_t(value >> 32);
    writeUInt32(isBigEndian() ? high : low);
    return writeUInt32(isBigEndian() ? low : high);
}

DataDest& DataDest::writeDouble(std::int64_t value)
{
    return writeDouble(std::uint64_t(value));
}

DataDest& DataDest::writeDouble(double value)
{
    return writeDouble(std::bit_cast<std::uint64_t>(value));
}

DataDest& DataDest::writeString(const heron_string& value)
{
    const std::uint32_t length = value.length();
    switch (stringMode()) {
    case 0:
        write(value.data(), length);
        return writeByte(0);
    case 1:
        write(value.data(), length);
        writeByte(10);
        return writeByte(13);
    case 2:
        if (length > maxByteLengthString) {
            debug("DataDest::writeString() - %u bytes do not fit a one-byte length, not written\n", length);
            setError();
            return *this;
        }
        writeByte(char(length));
        break;
    case 3:
        writeUInt32(length);
        break;
    case 4:
        writeTag(length);
        break;
    default:
        debug("DataDest::writeString() - unknown string mode %d, not written\n", stringMode());
        setError();
        return *this;
    }
    write(value.data(), length);
    return *this;
}

}
