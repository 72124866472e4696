#pragma once

#include "base/StreamState.h"

#include <cstdint>

class heron_string;

namespace heron
{

class FilePath;
class NetAddress;
class ObjectWriterContext;
class Streamable;
template <class T>
class counted_ptr;

// Abstract byte sink: each kind supplies the byte operations, and every typed write (tags, bools,
// 32/64-bit values in either byte order, strings in five modes) is built on them here. Typed writes
// return the sink so they chain. One thread at a time uses a sink.
// A kind that overrides writeByte() keeps the typed writes, which all go through write().
class DataDest : public StreamState
{
public:
    // Longest string of string mode 2.
    static constexpr std::uint32_t maxByteLengthString = 255;

    DataDest() = default;
    DataDest(const DataDest&) = delete;
    DataDest& operator=(const DataDest&) = delete;
    virtual ~DataDest();

    // True while no error is flagged (kinds add their own conditions).
    virtual bool isOK() const;
    // Writes one byte.
    virtual DataDest& writeByte(char byte) = 0;
    // Writes the n bytes at buffer.
    virtual void write(const void* buffer, std::uint32_t n) = 0;
    // Releases what the kind holds open; the base does nothing.
    virtual void close();

    // Tag integer: one byte below 255, else 0xFF and the value as 32 bits.
    DataDest& writeTag(std::uint32_t value);
    // One byte, 1 or 0.
    DataDest& writeBool(bool value);
    // Four bytes in the sink's byte order.
    DataDest& writeInt32(std::int32_t value);
    DataDest& writeUInt32(std::uint32_t value);
    DataDest& writeLong(std::int32_t value);
    // Eight bytes in the sink's byte order, as two 32-bit halves (low half first when little-endian).
    DataDest& writeDouble(double value);
    DataDest& writeDouble(std::int64_t value);
    DataDest& writeDouble(std::uint64_t value);
    // The string in the sink's string mode. A mode outside 0..4, or a string over 255 bytes in mode 2,
    // writes nothing and sets the error flag.
    DataDest& writeString(const heron_string& value);
    // A network address: the IPv4 address as 32 bits, then the port as 32 bits, in the sink's byte order.
    DataDest& writeAddress(const NetAddress& value);
    // A path as its text, in the sink's string mode.
    DataDest& writePath(const FilePath& value);

    // Object-graph streams (base/ObjectWriterContext.h). Writes a pointer field inside an object's
    // body as the object's 32-bit id in the stream (0 for null); always 4 bytes.
    DataDest& writeObjectRef(const Streamable* object);
    // Writes a shared-pointer field as its block (or counted object).
    template <class T>
    DataDest& writeObjectRef(const counted_ptr<T>& field)
    {
        return writeObjectRef(field.streamedBlock());
    }
    // Writes one whole stream of version 101 (1.01) or 100 (1.00): header, the root and every object
    // reachable from it, end mark. Another version writes nothing and sets the error flag.
    DataDest& writeObject(const Streamable* root, int version = 101);

private:
    void dropWriterContext();

    friend class ObjectWriterContext;

    // Object-graph writer state; null unless a whole-graph writer installs one.
    ObjectWriterContext* m_writerContext = nullptr;
};

}
