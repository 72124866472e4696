#pragma once

#include "base/heron_string.h"

#include <cstdint>
#include <optional>

namespace pelican_specials
{

// A special-effect text split at its separator: the first "=", else the first ",". Without
// either the whole text is the keyword.
struct SpecialText
{
    heron_string keyword;
    heron_string parameters;
};

SpecialText splitSpecialText(const heron_string& text);

// Reads the numbers of a parameter text in order: the first at the start, each later one after a
// comma (blanks before the comma skipped). Text that is not a number, a value that is not finite,
// or anything but a comma after a value fails that value and every later one, and is logged; a
// text that simply ends leaves the rest unread. A failed value leaves its caller's default.
class ParameterReader
{
public:
    explicit ParameterReader(const heron_string& parameters);
    // Splits off a folder or file name: the text up to the first comma (all of it without one);
    // the numbers follow that comma.
    static ParameterReader afterName(const heron_string& parameters, heron_string& name);

    std::optional<float> next();
    // The next value into target when it reads; false when it failed.
    bool next(float& target);

private:
    ParameterReader(const heron_string& parameters, std::uint32_t start);
    void skipBlanks();
    // Logs the text once and fails the rest.
    std::optional<float> fail();

    heron_string m_text;
    std::uint32_t m_position = 0;
    bool m_first = true;
    bool m_failed = false;
};

}
