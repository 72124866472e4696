#pragma once

#include <string>
#include <string_view>

namespace plat
{

// Windows-1250, the code page of the Central European languages: Polish text needs its ą, ć, ę, ł,
// ń, ś, ź and ż, which Windows-1252 lacks. As there, the five bytes the code page leaves undefined
// map to the control characters of the same number.

// Unicode code point of one Windows-1250 byte.
char32_t windows1250ToUnicode(unsigned char byte);

// Windows-1250 byte of a code point; '?' when the code page has no such character.
unsigned char unicodeToWindows1250(char32_t code);

// Windows-1250 bytes of UTF-8 text; a character outside the code page and each byte of a malformed
// sequence become '?'.
std::string utf8ToWindows1250(std::string_view utf8);

}
