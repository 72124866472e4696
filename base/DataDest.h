#pragma once

#include <cstdint>

class heron_string;

namespace heron
{

// Abstract byte sink: each kind supplies the byte operations, and every typed write (tags, bools,
// 32/64-bit values in either byte order, strings in five modes) is built on them here. Typed writes
// return the sink so they chain. One thread at a time uses a sink.
// A kind that overrides writeByte() keeps the typed writes, which all go through write().
class DataDest
{
public:
    // String modes as in DataSource: 0 NUL-terminated, 1 ended by LF CR, 2 one length byte (at most
    // 255 bytes), 3 32-bit length, 4 tag-integer length (the default).
    static constexpr int defaultStringMode = 4;
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

    // Chooses the string mode 0..4 of writeString.
    void setStringMode(int mode) { m_stringMode = mode; }
    int stringMode() const { return m_stringMode; }
    // Chooses big-endian (true) or little-endian (false, the default) for multi-byte values.
    void setBigEndian(bool bigEndian) { m_bigEndian = bigEndian; }
    bool isBigEndian() const { return m_bigEndian; }
    // True after a failed write or a refused string.
    bool hasError() const { return m_error; }

protected:
    // Sets or clears the error flag.
    void setError(bool error = true) { m_error = error; }

private:
    bool m_error = false;
    bool m_bigEndian = false;
    int m_stringMode = defaultStringMode;
};

}
