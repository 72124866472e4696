#include "scene/core/TaggedBlock.h"

#include "base/DataDest.h"
#include "base/Debug.h"

#include <bit>
#include <cmath>

namespace finch
{

void failRead(heron::DataSource& source)
{
    source.skip(source.remaining());
    std::uint32_t pastTheEnd = 0;
    source.readUInt32(pastTheEnd);
}

bool readArrayCount(heron::DataSource& source, std::uint32_t& count, std::uint32_t elementBytes)
{
    count = 0;
    source.readTag(count);
    if (source.hasError()) {
        return false;
    }
    if (count > usualArrayLimit) {
        heron::debug("Size=weird\n");
    }
    if (std::uint64_t(count) * elementBytes > source.remaining()) {
        heron::debug("A stored array of %u elements runs past the end of its block!\n", unsigned(count));
        count = 0;
        failRead(source);
        return false;
    }
    return true;
}

void skipRef(heron::DataSource& source)
{
    std::uint32_t address = 0;
    source.readUInt32(address);
}

void readBoolField(heron::DataSource& source, bool& field)
{
    bool value = false;
    source.readBool(value);
    if (!source.hasError()) {
        field = value;
    }
}

void readInt32Field(heron::DataSource& source, std::int32_t& field)
{
    std::int32_t value = 0;
    source.readInt32(value);
    if (!source.hasError()) {
        field = value;
    }
}

void readUInt32Field(heron::DataSource& source, std::uint32_t& field)
{
    std::uint32_t value = 0;
    source.readUInt32(value);
    if (!source.hasError()) {
        field = value;
    }
}

void writeFloat(heron::DataDest& dest, float value)
{
    dest.writeUInt32(std::bit_cast<std::uint32_t>(value));
}

void readFloat(heron::DataSource& source, float& value)
{
    std::uint32_t bits = 0;
    source.readUInt32(bits);
    if (!source.hasError()) {
        value = std::bit_cast<float>(bits);
    }
}

bool readFiniteFloat(heron::DataSource& source, float& value, const char* what)
{
    float read = value;
    readFloat(source, read);
    if (source.hasError()) {
        return false;
    }
    if (!std::isfinite(read)) {
        heron::debug("%s - a stored value that is not a number was ignored!\n", what);
        return false;
    }
    value = read;
    return true;
}

}
