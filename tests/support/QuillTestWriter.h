#pragma once

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <string>

// Writes model-editor files byte by byte for tests and fuzz seeds: the header, then tags, chunks,
// strings and values in the file's byte order, with values as floats or doubles by revision.
namespace quilltest
{

enum class Order
{
    Little,
    Big,
};

class QuillWriter
{
public:
    // The header "Compatibility: <revision>", an extra byte for ".rxs" files, the byte-order byte.
    explicit QuillWriter(const char* revision = "410", Order order = Order::Little, bool rxs = false)
        : m_order(order), m_doubles(std::strtod(revision, nullptr) >= 4.01)
    {
        m_bytes = std::string("Compatibility: ") + revision + "\n";
        if (rxs) {
            byte(0x77);
        }
        byte(order == Order::Little ? 3 : 2);
    }

    // A tag: 255 and further bytes for tags of 255 and more.
    QuillWriter& tag(int value)
    {
        while (value >= 255) {
            byte(255);
            value -= 254;
        }
        return byte(std::uint8_t(value));
    }
    QuillWriter& byte(std::uint8_t value)
    {
        m_bytes.push_back(char(value));
        return *this;
    }
    QuillWriter& int16(std::uint16_t value) { return bits(value); }
    QuillWriter& int32(std::int32_t value) { return bits(std::uint32_t(value)); }
    QuillWriter& f32(float value) { return bits(std::bit_cast<std::uint32_t>(value)); }
    QuillWriter& f64(double value) { return bits(std::bit_cast<std::uint64_t>(value)); }
    // A value as the revision stores it.
    QuillWriter& value(double v) { return m_doubles ? f64(v) : f32(float(v)); }
    QuillWriter& values(std::initializer_list<double> vs)
    {
        for (double v : vs) {
            value(v);
        }
        return *this;
    }
    QuillWriter& vector3d(double x, double y, double z) { return f64(x).f64(y).f64(z); }
    QuillWriter& colour(float r, float g, float b) { return f32(r).f32(g).f32(b); }
    // A NUL-terminated string.
    QuillWriter& string(const std::string& text)
    {
        m_bytes += text;
        return byte(0);
    }
    // A chunk: its length (one byte, or 0 and an int32) and its bytes.
    QuillWriter& chunk(const std::string& payload)
    {
        if (payload.size() > 0 && payload.size() < 256) {
            byte(std::uint8_t(payload.size()));
        } else {
            byte(0).int32(std::int32_t(payload.size()));
        }
        m_bytes += payload;
        return *this;
    }
    QuillWriter& raw(const std::string& bytes)
    {
        m_bytes += bytes;
        return *this;
    }
    // The row-order matrix with a translation in its last row.
    QuillWriter& translation(double x, double y, double z)
    {
        return values({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1});
    }

    const std::string& bytes() const { return m_bytes; }

private:
    template <class Bits>
    QuillWriter& bits(Bits value)
    {
        for (std::size_t i = 0; i < sizeof value; ++i) {
            const std::size_t shift = m_order == Order::Little ? i : sizeof value - 1 - i;
            m_bytes.push_back(char((value >> (8 * shift)) & 0xFF));
        }
        return *this;
    }

    Order m_order;
    bool m_doubles;
    std::string m_bytes;
};

}
