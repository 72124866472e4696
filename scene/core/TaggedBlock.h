#pragma once

#include "base/DataSource.h"

#include <cstdint>

namespace heron
{
class DataDest;
}

namespace finch
{

// Stored scene classes keep their fields as tagged blocks: a tag integer, the field's value, and
// so on, up to tag 0. Reads the fields of one block, handing each tag to field (which reads the
// value, or nothing for a tag it does not know), until tag 0, the end of the data or a read error.
template <class Field>
void readTaggedBlock(heron::DataSource& source, Field&& field)
{
    for (;;) {
        std::uint32_t tag = 0;
        source.readTag(tag);
        if (tag == 0 || source.hasError()) {
            return;
        }
        field(tag);
        if (source.hasError()) {
            return;
        }
    }
}

// Read a field's value into it; the field is unchanged when the bytes run short.
void readBoolField(heron::DataSource& source, bool& field);
void readInt32Field(heron::DataSource& source, std::int32_t& field);
void readUInt32Field(heron::DataSource& source, std::uint32_t& field);

// A float travels as its 32-bit pattern through the 32-bit integer encoding.
void writeFloat(heron::DataDest& dest, float value);
// Reads a float; value is unchanged when the bytes run short.
void readFloat(heron::DataSource& source, float& value);
// Reads a float that stands for a setting: a NaN or an infinity is refused (logged with what) and
// value keeps what it held. False when nothing was stored.
bool readFiniteFloat(heron::DataSource& source, float& value, const char* what);

}
