#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace plat
{

// The program's text is Windows-1252 bytes; the desktop speaks UTF-8 and Unicode. These convert between them.
// The five bytes the code page leaves undefined map to the control characters of the same number, so every
// byte survives a round trip.

// Unicode code point of one Windows-1252 byte.
char32_t windows1252ToUnicode(unsigned char byte);

// Windows-1252 byte of a code point; '?' when the code page has no such character.
unsigned char unicodeToWindows1252(char32_t code);

// Windows-1252 byte of a code point; none when the code page has no such character.
std::optional<unsigned char> windows1252ByteOf(char32_t code);

// UTF-8 text of Windows-1252 bytes.
std::string windows1252ToUtf8(std::string_view bytes);

// Windows-1252 bytes of UTF-8 text; a character outside the code page and each byte of a malformed
// sequence become '?'.
std::string utf8ToWindows1252(std::string_view utf8);

// Bytes of UTF-8 text in any single-byte code page: fromUnicode gives a code point's byte, '?' when
// the code page has none; each byte of a malformed sequence becomes '?'.
std::string utf8ToCodePage(std::string_view utf8, unsigned char (*fromUnicode)(char32_t));

}
