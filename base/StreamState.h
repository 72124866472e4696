#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

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

    // The sizeof(Bits) bytes of bits in the stream's byte order. A 64-bit value so comes out as its
    // two 32-bit halves, the low half first when little-endian.
    template <class Bits>
    void encode(Bits bits, unsigned char* bytes) const
    {
        bits = inStreamOrder(bits);
        std::memcpy(bytes, &bits, sizeof bits);
    }
    // The value of sizeof(Bits) bytes in the stream's byte order.
    template <class Bits>
    Bits decode(const unsigned char* bytes) const
    {
        Bits bits;
        std::memcpy(&bits, bytes, sizeof bits);
        return inStreamOrder(bits);
    }

private:
    // Swaps the bytes of bits when the stream's byte order is not the machine's (both ways).
    template <class Bits>
    Bits inStreamOrder(Bits bits) const
    {
        if (m_bigEndian == (std::endian::native == std::endian::big)) {
            return bits;
        }
        if constexpr (sizeof bits == 2) {
            return __builtin_bswap16(bits);
        } else if constexpr (sizeof bits == 4) {
            return __builtin_bswap32(bits);
        } else {
            return __builtin_bswap64(bits);
        }
    }

    bool m_error = false;
    bool m_bigEndian = false;
    int m_stringMode = defaultStringMode;
};

// The window of a stream kind that keeps its next bytes in memory: [m_next, m_end) holds the bytes
// a source reads next, or the free room a sink writes into. It is empty for kinds that keep none
// and while an error is flagged, so the inline typed calls need test only its room.
template <class Byte>
class StreamWindow : public StreamState
{
protected:
    StreamWindow() = default;
    ~StreamWindow() = default;

    // Sets or clears the error flag. Setting it empties the window where it stands, so what a kind
    // works out from m_next (a position, a size) stays; a kind that clears it sets its window again.
    void setError(bool error = true)
    {
        StreamState::setError(error);
        if (error) {
            m_end = m_next;
        }
    }
    // True while the window holds (or has room for) at least n bytes.
    bool windowHolds(std::size_t n) const { return std::size_t(m_end - m_next) >= n; }
    // The same for one byte, as one comparison of the window's ends.
    bool windowHasByte() const { return m_next < m_end; }

    Byte* m_next = nullptr;
    Byte* m_end = nullptr;
};

}
