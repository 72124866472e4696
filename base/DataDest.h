#pragma once

#include "base/StreamState.h"
#include "base/heron_string.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

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
//
// A kind that gathers its bytes in memory (the memory sink's block, the file sink's buffer) shows
// the free room after its last byte as its window [m_next, m_end): typed writes store straight into
// the window and call writeByte() or write() only when it is too small. The window is empty while
// an error is flagged (setError empties it), so a flagged sink writes through its byte operations;
// a kind whose byte operations move m_next while flagged keeps m_end with it. Such a kind works out
// its own size and flushing from the window's start, and a subclass of it that overrides
// writeByte() or write() is bypassed by the typed writes.
class DataDest : public StreamWindow<unsigned char>
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
    DataDest& writeTag(std::uint32_t value)
    {
        // The one-byte form is tested first: it needs one byte of room, and most tags are short.
        unsigned char* next = m_next;
        if (value < longTagMarker && windowHasByte()) {
            *next++ = static_cast<unsigned char>(value);
        } else if (value >= longTagMarker && windowHolds(5)) {
            *next = static_cast<unsigned char>(longTagMarker);
            encode(value, next + 1);
            next += 5;
        } else {
            writeTagOutsideWindow(value);
            next = m_next;
        }
        m_next = next;
        return *this;
    }
    // One byte, 1 or 0.
    DataDest& writeBool(bool value) { return putByte(value ? 1 : 0); }
    // Four bytes in the sink's byte order.
    DataDest& writeInt32(std::int32_t value) { return writeFixed(std::uint32_t(value)); }
    DataDest& writeUInt32(std::uint32_t value) { return writeFixed(value); }
    DataDest& writeLong(std::int32_t value) { return writeFixed(std::uint32_t(value)); }
    // Eight bytes in the sink's byte order, as two 32-bit halves (low half first when little-endian).
    DataDest& writeDouble(double value) { return writeFixed(std::bit_cast<std::uint64_t>(value)); }
    DataDest& writeDouble(std::int64_t value) { return writeFixed(std::uint64_t(value)); }
    DataDest& writeDouble(std::uint64_t value) { return writeFixed(value); }
    // The string in the sink's string mode. A mode outside 0..4, or a string over 255 bytes in mode 2,
    // writes nothing and sets the error flag.
    DataDest& writeString(const heron_string& value)
    {
        unsigned char* next = m_next;
        // A short string of the default mode that fits the window.
        const std::uint32_t length = value.length();
        if (stringMode() == defaultStringMode && length < longTagMarker && windowHolds(1 + std::size_t(length))) {
            *next = static_cast<unsigned char>(length);
            std::memcpy(next + 1, value.data(), length);
            next += 1 + length;
        } else {
            writeStringOutsideWindow(value);
            next = m_next;
        }
        m_next = next;
        return *this;
    }
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
    // The inline writes store the window's new start once, at their end, taking it back from m_next
    // after an out-of-line write: so a run of typed writes can keep it in a register.

    // One byte into the window, else through writeByte().
    DataDest& putByte(char byte)
    {
        unsigned char* next = m_next;
        if (windowHasByte()) {
            *next++ = static_cast<unsigned char>(byte);
        } else {
            writeByte(byte);
            next = m_next;
        }
        m_next = next;
        return *this;
    }
    // n bytes into the window, else through write().
    void put(const void* buffer, std::uint32_t n);
    // The bits in the sink's byte order into the window, else through write().
    template <class Bits>
    DataDest& writeFixed(Bits bits)
    {
        unsigned char* next = m_next;
        if (windowHolds(sizeof bits)) {
            encode(bits, next);
            next += sizeof bits;
        } else {
            writeOutsideWindow(bits);
            next = m_next;
        }
        m_next = next;
        return *this;
    }
    DataDest& writeOutsideWindow(std::uint32_t bits);
    DataDest& writeOutsideWindow(std::uint64_t bits);
    DataDest& writeTagOutsideWindow(std::uint32_t value);
    DataDest& writeStringOutsideWindow(const heron_string& value);
    void dropWriterContext();

    friend class ObjectWriterContext;

    // Object-graph writer state; null unless a whole-graph writer installs one.
    ObjectWriterContext* m_writerContext = nullptr;
};

}
