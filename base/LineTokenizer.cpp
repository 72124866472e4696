#include "base/LineTokenizer.h"

#include "base/DataSource.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale.h>

namespace heron
{

namespace
{

// Numbers in text files are written with '.' whatever the user's locale.
locale_t cLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", nullptr);
    return locale;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

char foldCase(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

long long parseLong(const char* text, char** stop)
{
    return strtoll_l(text, stop, 10, cLocale());
}

unsigned long long parseDecimal(const char* text, char** stop)
{
    return strtoull_l(text, stop, 10, cLocale());
}

unsigned long long parseHexadecimal(const char* text, char** stop)
{
    return strtoull_l(text, stop, 16, cLocale());
}

double parseReal(const char* text, char** stop)
{
    return strtod_l(text, stop, cLocale());
}

// The 32-bit value of a parsed unsigned: a negated small magnitude wraps modulo 2^32 as the
// 32-bit C library does; anything else beyond the range clamps to the largest value.
unsigned toUnsigned32(unsigned long long parsed)
{
    constexpr unsigned long long largest = std::numeric_limits<unsigned>::max();
    if (parsed <= largest || parsed > ~largest) {
        return static_cast<unsigned>(parsed);
    }
    return static_cast<unsigned>(largest);
}

}

void TextScanner::init(const heron_string& text)
{
    m_text = &text;
    m_end = static_cast<std::uint32_t>(std::strlen(text.c_str()));
    m_cursor = 0;
    m_wordStart = noWordStart;
    m_fail = false;
}

void TextScanner::skipBlanks()
{
    const char* const line = text();
    while (m_cursor < m_end && isBlank(line[m_cursor])) {
        ++m_cursor;
    }
}

void TextScanner::skipChar(std::uint32_t n)
{
    m_cursor = static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t(m_cursor) + n, m_end));
}

void TextScanner::expect(const char* literal)
{
    skipBlanks();
    const char* const line = text();
    for (const char* p = literal == nullptr ? "" : literal; *p != '\0'; ++p) {
        if (atEnd() || line[m_cursor] != *p) {
            m_fail = true;
            return;
        }
        ++m_cursor;
    }
}

const char* TextScanner::rest() const
{
    return text() + std::min(m_cursor, m_end);
}

const char* TextScanner::text() const
{
    return m_text == nullptr ? "" : m_text->c_str();
}

LineTokenizer::LineTokenizer(DataSource* source)
    : m_source(source)
{
    init(m_line);
}

bool LineTokenizer::nextLine()
{
    const bool read = m_source != nullptr && m_source->readLine(m_line);
    if (!read) {
        m_line.clear();
    }
    startLine();
    return read;
}

void LineTokenizer::setLine(const heron_string& text)
{
    m_line = text;
    startLine();
}

void LineTokenizer::startLine()
{
    const bool fail = m_fail;
    init(m_line);
    m_fail = fail;
    skipBlanks();
    m_wordStart = m_cursor;
    m_cursor = 0;
}

bool LineTokenizer::matchKeyword(const char* keyword, bool caseSensitive, bool wholeWord)
{
    const std::uint32_t start = m_wordStart == noWordStart ? 0 : std::min(m_wordStart, m_end);
    const char* const word = text() + start;
    const char* const key = keyword == nullptr ? "" : keyword;
    std::uint32_t i = 0;
    for (;; ++i) {
        const char k = caseSensitive ? key[i] : foldCase(key[i]);
        const char c = caseSensitive ? word[i] : foldCase(word[i]);
        if (k == '\0') {
            const bool ends = c == '\0' || !wholeWord || isBlank(c) || (i > 0 && key[i - 1] == ' ');
            if (!ends) {
                return false;
            }
            break;
        }
        if (c == '\0' || c != k) {
            return false;
        }
    }
    m_cursor = start + i;
    skipBlanks();
    return true;
}

template <typename Number, typename Parse>
bool LineTokenizer::parseNumber(Parse parse, Number& value)
{
    if (atEnd()) {
        return false;
    }
    const char* const start = rest();
    char* stop = nullptr;
    const Number parsed = parse(start, &stop);
    if (stop == nullptr || stop == start) {
        return false;
    }
    m_cursor += static_cast<std::uint32_t>(stop - start);
    value = parsed;
    return true;
}

LineTokenizer& LineTokenizer::readInt(int& value)
{
    std::int64_t parsed = 0;
    readLong(parsed);
    value = static_cast<int>(std::clamp<std::int64_t>(parsed, INT_MIN, INT_MAX));
    return *this;
}

LineTokenizer& LineTokenizer::readLong(std::int64_t& value)
{
    long long parsed = 0;
    m_fail = !parseNumber(parseLong, parsed);
    value = parsed;
    return *this;
}

LineTokenizer& LineTokenizer::readBool(bool& value)
{
    int number = 0;
    readInt(number);
    value = number != 0;
    return *this;
}

LineTokenizer& LineTokenizer::readUnsigned(unsigned& value)
{
    unsigned long long parsed = 0;
    m_fail = !parseNumber(parseDecimal, parsed);
    value = toUnsigned32(parsed);
    return *this;
}

LineTokenizer& LineTokenizer::readFloat(float& value)
{
    double number = 0.0;
    readDouble(number);
    const bool beyond = std::isfinite(number) && std::fabs(number) > std::numeric_limits<float>::max();
    constexpr float infinity = std::numeric_limits<float>::infinity();
    value = beyond ? (number > 0 ? infinity : -infinity) : static_cast<float>(number);
    return *this;
}

LineTokenizer& LineTokenizer::readDouble(double& value)
{
    double parsed = 0.0;
    m_fail = !parseNumber(parseReal, parsed);
    value = parsed;
    return *this;
}

bool LineTokenizer::readHex(unsigned& value)
{
    unsigned long long parsed = 0;
    m_fail = !parseNumber(parseHexadecimal, parsed);
    if (!m_fail) {
        value = toUnsigned32(parsed);
    }
    return !m_fail;
}

void LineTokenizer::readWord(heron_string& value)
{
    skipBlanks();
    const char* const start = rest();
    if (*start != '"') {
        value.assign(start);
        m_cursor = m_end;
        return;
    }
    const char* const close = std::strchr(start + 1, '"');
    if (close == nullptr) {
        value.assign(start + 1);
        m_cursor = m_end;
        return;
    }
    value.assign(start + 1, static_cast<std::uint32_t>(close - start - 1));
    m_cursor += static_cast<std::uint32_t>(close - start + 1);
}

const heron_string& LineTokenizer::readQuotedString()
{
    m_quoted.clear();
    const char* const first = std::strchr(rest(), '"');
    if (first == nullptr) {
        return m_quoted;
    }
    const char* const last = std::strrchr(first + 1, '"');
    if (last == nullptr) {
        return m_quoted;
    }
    m_quoted.assign(first + 1, static_cast<std::uint32_t>(last - first - 1));
    m_cursor = static_cast<std::uint32_t>(last - text()) + 1;
    return m_quoted;
}

}
