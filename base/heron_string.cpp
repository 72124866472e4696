#include "base/heron_string.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <functional>
#include <stdexcept>

namespace
{

const char* const insertRange = "heron_string::insert() - start pos is out of range";
const char* const findFirstRange = "heron_string::find_first_of() - position out of range";
const char* const findLastRange = "heron_string::find_last_of() - position out of range";
const char* const eraseRange = "heron_string::erase() - position out of range";

std::uint32_t measure(const char* text)
{
    const std::size_t n = std::strlen(text);
    if (n > heron_string::maxLength) {
        throw std::length_error("heron_string - text too long");
    }
    return static_cast<std::uint32_t>(n);
}

int sign(int v)
{
    return (v > 0) - (v < 0);
}

unsigned char foldCase(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

}

heron_string::heron_string()
    : m_text(m_inline), m_length(0), m_heap(nullptr), m_capacity(0)
{
    static_assert(offsetof(heron_string, m_inline) == 0, "the inline buffer comes first");
    m_inline[0] = '\0';
}

heron_string::heron_string(const char* text)
    : heron_string()
{
    assign(text);
}

heron_string::heron_string(const char* text, std::uint32_t n)
    : heron_string()
{
    assign(text, n);
}

heron_string::heron_string(std::uint32_t n, char c)
    : heron_string()
{
    resize(n, c);
}

heron_string::heron_string(const heron_string& other)
    : heron_string()
{
    if (other.isInline()) {
        copyInline(other);
        return;
    }
    assign(other.m_text, other.m_length);
}

heron_string::heron_string(heron_string&& other) noexcept
    : heron_string()
{
    *this = std::move(other);
}

heron_string::~heron_string()
{
    delete[] m_heap;
}

heron_string& heron_string::operator=(const heron_string& other)
{
    if (this == &other) {
        return *this;
    }
    if (isInline() && other.isInline()) {
        copyInline(other);
        return *this;
    }
    return assign(other.m_text, other.m_length);
}

heron_string& heron_string::operator=(heron_string&& other) noexcept
{
    if (this == &other) {
        return *this;
    }
    if (other.isInline()) {
        if (isInline()) {
            copyInline(other);
        } else {
            // Our block holds at least 128 bytes, so the inline text fits without allocating.
            std::memcpy(m_text, other.m_text, other.m_length + 1);
            m_length = other.m_length;
        }
        return *this;
    }
    delete[] m_heap;
    m_heap = other.m_heap;
    m_text = m_heap;
    m_length = other.m_length;
    m_capacity = other.m_capacity;
    other.m_heap = nullptr;
    other.m_text = other.m_inline;
    other.m_inline[0] = '\0';
    other.m_length = 0;
    other.m_capacity = 0;
    return *this;
}

heron_string& heron_string::assign(const char* text, std::uint32_t n)
{
    if (text == nullptr || n == 0) {
        terminate(0);
        return *this;
    }
    if (n > m_capacity) {
        // Without a heap block n fits inline or a new block is made; with one, n exceeds its
        // capacity only if text cannot lie inside it, so freeing the block first is safe.
        grow(n, Keep::No, Shrink::No);
    }
    std::memmove(m_text, text, n);
    terminate(n);
    return *this;
}

heron_string& heron_string::assign(const char* text)
{
    if (text == nullptr) {
        terminate(0);
        return *this;
    }
    return assign(text, measure(text));
}

heron_string& heron_string::assign(char c)
{
    m_text[0] = c;
    terminate(1);
    return *this;
}

heron_string& heron_string::assign(std::uint32_t n, char c)
{
    resize(0);
    resize(n, c);
    return *this;
}

void heron_string::copyInline(const heron_string& other)
{
    // Whole 32-bit words that cover the text and its terminator.
    m_length = other.m_length;
    std::memcpy(m_inline, other.m_inline, (m_length / 4 + 1) * 4);
}

void heron_string::grow(std::uint32_t n, Keep keep, Shrink shrink)
{
    if (n < inlineSize) {
        if (shrink == Shrink::Yes && m_heap != nullptr && m_length < inlineSize) {
            std::memcpy(m_inline, m_heap, m_length + 1);
            delete[] m_heap;
            m_heap = nullptr;
            m_capacity = 0;
            m_text = m_inline;
        }
        return;
    }
    if (m_capacity >= n) {
        return;
    }
    if (n > maxLength) {
        throw std::length_error("heron_string - length too large");
    }
    char* const block = new char[n + 1];
    if (keep == Keep::Yes) {
        std::memcpy(block, m_text, m_length + 1);
    } else {
        block[0] = '\0';
    }
    delete[] m_heap;
    m_heap = block;
    m_text = block;
    m_capacity = n;
}

void heron_string::resize(std::uint32_t n, char c)
{
    if (n == m_length) {
        return;
    }
    if (n > m_length) {
        grow(n, Keep::Yes, Shrink::Yes);
        std::memset(m_text + m_length, c, n - m_length);
    }
    terminate(n);
}

void heron_string::toLower()
{
    // Through locals: a byte written could be one of the string's own fields, as far as the
    // compiler knows, and it would read them again for every byte.
    char* const text = m_text;
    const std::uint32_t length = m_length;
    for (std::uint32_t i = 0; i < length; ++i) {
        text[i] = static_cast<char>(foldCase(static_cast<unsigned char>(text[i])));
    }
}

void heron_string::push_back(char c)
{
    if (m_length >= inlineSize - 1 && m_length >= m_capacity) {
        if (m_length >= maxLength) {
            throw std::length_error("heron_string - length too large");
        }
        grow(m_length > maxLength / 2 ? maxLength : m_length * 2, Keep::Yes, Shrink::No);
    }
    m_text[m_length] = c;
    terminate(m_length + 1);
}

heron_string& heron_string::append(const char* text, std::uint32_t n)
{
    if (text == nullptr || n == 0) {
        return *this;
    }
    if (m_heap != nullptr && holdsBytes(text)) {
        // The block may move while growing: append a copy of the bytes instead.
        const heron_string copy(text, n);
        return append(copy.m_text, copy.m_length);
    }
    if (n > maxLength - m_length) {
        throw std::length_error("heron_string - length too large");
    }
    grow(m_length + n, Keep::Yes, Shrink::No);
    std::memcpy(m_text + m_length, text, n);
    terminate(m_length + n);
    return *this;
}

heron_string& heron_string::append(const char* text)
{
    if (text == nullptr) {
        return *this;
    }
    return append(text, measure(text));
}

heron_string& heron_string::append(const heron_string& other)
{
    return append(other.m_text, other.m_length);
}

heron_string& heron_string::insert(std::uint32_t pos, const char* text, std::uint32_t n)
{
    if (text == nullptr || n == 0) {
        return *this;
    }
    if (pos > m_length) {
        throw std::out_of_range(insertRange);
    }
    if (holdsBytes(text)) {
        // Opening the gap moves these bytes: insert a copy of them instead.
        const heron_string copy(text, n);
        return insert(pos, copy.m_text, copy.m_length);
    }
    openGap(pos, n);
    std::memcpy(m_text + pos, text, n);
    return *this;
}

heron_string& heron_string::insert(std::uint32_t pos, const heron_string& other)
{
    return insert(pos, other.m_text, other.m_length);
}

bool heron_string::openGap(std::uint32_t pos, std::uint32_t n)
{
    if (n == 0) {
        return false;
    }
    if (pos > m_length) {
        throw std::out_of_range(insertRange);
    }
    if (n > maxLength - m_length) {
        throw std::length_error("heron_string - length too large");
    }
    grow(m_length + n, Keep::Yes, Shrink::No);
    std::memmove(m_text + pos + n, m_text + pos, m_length - pos + 1);
    m_length += n;
    return true;
}

std::uint32_t heron_string::find_first_of(char c, std::uint32_t pos) const
{
    if (pos > m_length) {
        throw std::out_of_range(findFirstRange);
    }
    const char* const found = std::strchr(m_text + pos, c);
    return found == nullptr ? npos : static_cast<std::uint32_t>(found - m_text);
}

std::uint32_t heron_string::find_first_of(const char* text, std::uint32_t pos) const
{
    if (pos > m_length) {
        throw std::out_of_range(findFirstRange);
    }
    const char* const found = std::strstr(m_text + pos, text == nullptr ? "" : text);
    return found == nullptr ? npos : static_cast<std::uint32_t>(found - m_text);
}

std::uint32_t heron_string::find_last_of(char c, std::uint32_t pos) const
{
    if (pos == npos) {
        pos = m_length;
    }
    if (pos > m_length) {
        throw std::out_of_range(findLastRange);
    }
    for (std::uint32_t i = pos + 1; i-- > 0;) {
        if (m_text[i] == c) {
            return i;
        }
    }
    return npos;
}

int heron_string::compare(const char* text) const
{
    // strcmp orders by unsigned bytes.
    return sign(std::strcmp(m_text, text == nullptr ? "" : text));
}

int heron_string::compare(const heron_string& other) const
{
    return compare(other.m_text);
}

int heron_string::compare(std::uint32_t pos, std::uint32_t n, const char* text) const
{
    return std::strncmp(m_text + std::min(pos, m_length), text == nullptr ? "" : text, n);
}

int heron_string::compare(std::uint32_t pos, std::uint32_t n, const heron_string& other) const
{
    return compare(pos, n, other.m_text);
}

heron_string& heron_string::erase(std::uint32_t pos, std::uint32_t n)
{
    if (pos > m_length) {
        throw std::out_of_range(eraseRange);
    }
    if (n == npos || std::uint64_t(pos) + n >= m_length) {
        terminate(pos);
        return *this;
    }
    std::memmove(m_text + pos, m_text + pos + n, m_length - pos - n + 1);
    m_length -= n;
    return *this;
}

char* heron_string::erase(char* p)
{
    erase(static_cast<std::uint32_t>(p - m_text), 1);
    return p;
}

heron_string heron_string::substr(std::uint32_t pos, std::uint32_t n) const
{
    if (pos > m_length) {
        return heron_string();
    }
    const std::uint32_t rest = m_length - pos;
    return heron_string(m_text + pos, n == npos || n > rest ? rest : n);
}

bool heron_string::holdsBytes(const char* p) const
{
    const std::less_equal<const char*> notAfter;
    const char* const begin = m_text;
    const char* const end = m_text + (m_heap != nullptr ? m_capacity : inlineSize - 1) + 1;
    return notAfter(begin, p) && std::less<const char*>()(p, end);
}

void heron_string::terminate(std::uint32_t n)
{
    m_length = n;
    m_text[n] = '\0';
}

heron_string operator+(const heron_string& left, char right)
{
    heron_string result(left);
    result.push_back(right);
    return result;
}

heron_string operator+(char left, const heron_string& right)
{
    heron_string result(&left, 1);
    result.append(right);
    return result;
}

heron_string operator+(const heron_string& left, const char* right)
{
    heron_string result(left);
    result.append(right);
    return result;
}

heron_string operator+(const char* left, const heron_string& right)
{
    heron_string result(left);
    result.append(right);
    return result;
}

heron_string operator+(const heron_string& left, const heron_string& right)
{
    return left + right.c_str();
}

namespace heron
{

int compareNoCase(const char* a, const char* b)
{
    const auto* x = reinterpret_cast<const unsigned char*>(a == nullptr ? "" : a);
    const auto* y = reinterpret_cast<const unsigned char*>(b == nullptr ? "" : b);
    while (*x != 0 && foldCase(*x) == foldCase(*y)) {
        ++x;
        ++y;
    }
    return int(foldCase(*x)) - int(foldCase(*y));
}

int compareNoCase(const heron_string& a, const heron_string& b)
{
    return compareNoCase(a.c_str(), b.c_str());
}

bool lessNoCase(const heron_string& a, const heron_string& b)
{
    return compareNoCase(a, b) < 0;
}

}
