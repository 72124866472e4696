#pragma once

#include "base/DataSource.h"
#include "base/StreamReader.h"

#include <cstdint>
#include <vector>

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

// Stored arrays hold more than this only in odd data, which is reported and accepted.
constexpr std::uint32_t usualArrayLimit = 20;

// Ends the read of a damaged body: consumes what is left and sets the source's error flag.
void failRead(heron::DataSource& source);
// Reads an array count (tag integer) of elements of elementBytes each: a count above
// usualArrayLimit logs "Size=weird\n"; a count the bytes left cannot hold fails the read. False
// when the read failed.
[[nodiscard]] bool readArrayCount(heron::DataSource& source, std::uint32_t& count, std::uint32_t elementBytes);

// References of stored scene classes: one of the wrong class stays null (logged). A kept one
// holds its object in the graph; a borrowed one is set only when something else keeps it.
template <class T>
void readKeptRef(heron::DataSource& source, T*& field)
{
    heron::StreamReader::readCheckedRef(source, field, heron::StreamReader::Hold::Keeps);
}
template <class T>
void readBorrowedRef(heron::DataSource& source, T*& field)
{
    heron::StreamReader::readCheckedRef(source, field, heron::StreamReader::Hold::Borrows);
}
// A reference the reader works out again from the rest of the graph: its 4 bytes are read past.
void skipRef(heron::DataSource& source);

// Reads a counted list of references into list. The list is read once per block: a repeated
// list is read past, since the fields of the first must stay where they are until the stream
// ends. A failed read leaves the source's error flag set.
template <class T>
void readRefList(heron::DataSource& source, std::vector<T*>& list, bool& done, heron::StreamReader::Hold hold)
{
    std::uint32_t count = 0;
    if (!readArrayCount(source, count, 4)) {
        return;
    }
    if (done) {
        source.skip(4 * count);
        return;
    }
    done = true;
    list.assign(count, nullptr);
    for (T*& element : list) {
        heron::StreamReader::readCheckedRef(source, element, hold);
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
