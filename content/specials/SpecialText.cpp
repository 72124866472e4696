#include "content/specials/SpecialText.h"

#include "base/Debug.h"

#include <cmath>
#include <cstdlib>

namespace pelican_specials
{

SpecialText splitSpecialText(const heron_string& text)
{
    std::uint32_t separator = text.find_first_of('=');
    if (separator == heron_string::npos) {
        separator = text.find_first_of(',');
    }
    if (separator == heron_string::npos) {
        return {text, heron_string()};
    }
    return {text.substr(0, separator), text.substr(separator + 1)};
}

ParameterReader::ParameterReader(const heron_string& parameters) : ParameterReader(parameters, 0) {}

ParameterReader::ParameterReader(const heron_string& parameters, std::uint32_t start)
    : m_text(parameters), m_position(start)
{
}

ParameterReader ParameterReader::afterName(const heron_string& parameters, heron_string& name)
{
    const std::uint32_t comma = parameters.find_first_of(',');
    if (comma == heron_string::npos) {
        name = parameters;
        ParameterReader reader(parameters, parameters.length());
        reader.m_failed = true;
        return reader;
    }
    name = parameters.substr(0, comma);
    return ParameterReader(parameters, comma + 1);
}

std::optional<float> ParameterReader::next()
{
    if (m_failed) {
        return std::nullopt;
    }
    if (!m_first) {
        skipBlanks();
        if (m_position >= m_text.length()) {
            // The text ended: the remaining values take their defaults.
            m_failed = true;
            return std::nullopt;
        }
        if (m_text[m_position] != ',') {
            return fail();
        }
        ++m_position;
    }
    m_first = false;
    const char* const start = m_text.c_str() + m_position;
    char* end = nullptr;
    const double value = std::strtod(start, &end);
    if (end == start) {
        skipBlanks();
        return m_position >= m_text.length() ? std::optional<float>() : fail();
    }
    if (!std::isfinite(value) || !std::isfinite(float(value))) {
        return fail();
    }
    m_position += std::uint32_t(end - start);
    return float(value);
}

void ParameterReader::skipBlanks()
{
    while (m_position < m_text.length() && (m_text[m_position] == ' ' || m_text[m_position] == '\t')) {
        ++m_position;
    }
}

std::optional<float> ParameterReader::fail()
{
    heron::debug("Special parameters - a bad value and those after it were ignored: \"%s\"\n", m_text.c_str());
    m_failed = true;
    return std::nullopt;
}

bool ParameterReader::next(float& target)
{
    const std::optional<float> value = next();
    if (value) {
        target = *value;
    }
    return value.has_value();
}

}
