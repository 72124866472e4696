#pragma once

#include <cstdint>

namespace heron
{

// What both ends of a byte stream carry: the error flag, the byte order of multi-byte values and
// the string mode. DataSource and DataDest build their typed reads and writes on it. One thread at
// a time uses a stream.
class StreamState
{
public:
    // String modes: 0 NUL-terminated, 1 ended by LF CR, 2 one length byte (at most 255 bytes),
    // 3 32-bit length, 4 tag-integer length (the default).
    static constexpr int defaultStringMode = 4;

    // Chooses the string mode 0..4 of the stream's strings.
    void setStringMode(int mode) { m_stringMode = mode; }
    int stringMode() const { return m_stringMode; }
    // Chooses big-endian (true) or little-endian (false, the default) for multi-byte values.
    void setBigEndian(bool bigEndian) { m_bigEndian = bigEndian; }
    bool isBigEndian() const { return m_bigEndian; }
    // True after a short read, a failed seek or write, a refused string or a kind's own failure.
    bool hasError() const { return m_error; }

protected:
    // The byte that announces a tag integer of 255 or more, whose 32-bit value follows.
    static constexpr std::uint32_t longTagMarker = 255;

    StreamState() = default;
    ~StreamState() = default;

    // Sets or clears the error flag; kinds clear it when they are constructed.
    void setError(bool error = true) { m_error = error; }

    // The four bytes of value in the stream's byte order.
    void encodeUInt32(std::uint32_t value, unsigned char* bytes) const
    {
        for (int i = 0; i < 4; ++i) {
            bytes[i] = static_cast<unsigned char>(value >> shiftOf(i));
        }
    }
    // The value of four bytes in the stream's byte order.
    std::uint32_t decodeUInt32(const unsigned char* bytes) const
    {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            value |= std::uint32_t(bytes[i]) << shiftOf(i);
        }
        return value;
    }

private:
    // Where byte i of a 32-bit value sits in it, in bits.
    int shiftOf(int i) const { return m_bigEndian ? 24 - 8 * i : 8 * i; }

    bool m_error = false;
    bool m_bigEndian = false;
    int m_stringMode = defaultStringMode;
};

}
