#include "platform/Windows1252.h"

#include <cstdint>

namespace plat
{

namespace
{

// Code points of the bytes 0x80..0x9F; every other byte is its own code point.
constexpr char16_t highControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void appendUtf8(std::string& out, char32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Decodes one UTF-8 sequence at position i; returns the number of bytes it takes, or 0 when the bytes there
// are not a well-formed sequence (bad lead, missing continuation, overlong form, surrogate, beyond U+10FFFF).
size_t decodeUtf8(std::string_view text, size_t i, char32_t& code)
{
    const auto byte = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
    const uint8_t lead = byte(i);
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    size_t length = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        code = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        code = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        code = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size()) {
        return 0;
    }
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    if (code < minimum || surrogate || code > 0x10FFFF) {
        return 0;
    }
    return length;
}

}

char32_t windows1252ToUnicode(unsigned char byte)
{
    if (byte >= 0x80 && byte < 0xA0) {
        return highControls[byte - 0x80];
    }
    return byte;
}

unsigned char unicodeToWindows1252(char32_t code)
{
    if (code < 0x80 || (code >= 0xA0 && code < 0x100)) {
        return static_cast<unsigned char>(code);
    }
    for (int i = 0; i < 32; ++i) {
        if (highControls[i] == code) {
            return static_cast<unsigned char>(0x80 + i);
        }
    }
    return '?';
}

std::optional<unsigned char> windows1252ByteOf(char32_t code)
{
    const unsigned char byte = unicodeToWindows1252(code);
    if (windows1252ToUnicode(byte) != code) {
        return std::nullopt;
    }
    return byte;
}

std::string windows1252ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        appendUtf8(out, windows1252ToUnicode(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string utf8ToWindows1252(std::string_view utf8)
{
    return utf8ToCodePage(utf8, unicodeToWindows1252);
}

std::string utf8ToCodePage(std::string_view utf8, unsigned char (*fromUnicode)(char32_t))
{
    std::string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        char32_t code = 0;
        const size_t length = decodeUtf8(utf8, i, code);
        if (length == 0) {
            out += '?';
            ++i;
            continue;
        }
        out += static_cast<char>(fromUnicode(code));
        i += length;
    }
    return out;
}

}
