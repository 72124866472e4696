#pragma once

#include <cstdint>

// Byte string that keeps texts of up to 127 bytes inside the object and longer ones in one heap
// block it owns. Positions are unsigned 32-bit; npos (0x7fffffff) means "no position" for a search
// and "up to the end" for a count. One string is used by one thread at a time.
class heron_string
{
public:
    static constexpr std::uint32_t npos = 0x7fffffff;
    static constexpr std::uint32_t inlineSize = 128;

    // Empty string held in the inline buffer.
    heron_string();
    // Copy of a NUL-terminated text; null gives the empty string.
    heron_string(const char* text);
    // Copy of n bytes from text; null or n = 0 gives the empty string.
    heron_string(const char* text, std::uint32_t n);
    // n copies of c.
    heron_string(std::uint32_t n, char c);
    heron_string(const heron_string& other);
    // Takes over other's heap block; other is left empty.
    heron_string(heron_string&& other) noexcept;
    ~heron_string();

    heron_string& operator=(const heron_string& other);
    // Takes over other's heap block when it has one; other is left empty.
    heron_string& operator=(heron_string&& other) noexcept;
    heron_string& operator=(const char* text) { return assign(text); }
    heron_string& operator=(char c) { return assign(c); }

    // Makes the text the n bytes at text (which may lie inside this string); null or 0 empties it.
    heron_string& assign(const char* text, std::uint32_t n);
    // Makes the text a NUL-terminated text; null empties it.
    heron_string& assign(const char* text);
    // Makes the text the one byte c.
    heron_string& assign(char c);
    // Makes the text n copies of c.
    heron_string& assign(std::uint32_t n, char c);
    // Copies other's inline text word by word; both strings must hold their text inline.
    void copyInline(const heron_string& other);

    // Whether grow copies the text into a new block or leaves the new block empty.
    enum class Keep
    {
        No,
        Yes,
    };
    // Whether grow moves a heap text back inline when n < 128.
    enum class Shrink
    {
        No,
        Yes,
    };
    // Storage step of every growing operation: makes room for n text bytes. Throws length_error
    // when n exceeds maxLength.
    void grow(std::uint32_t n, Keep keep, Shrink shrink);
    // Cuts the text to n bytes or extends it with copies of c.
    void resize(std::uint32_t n, char c = '\0');
    // Turns 'A'..'Z' into 'a'..'z' in place; other bytes are unchanged.
    void toLower();
    void clear() { resize(0); }

    // Appends one byte; the heap block doubles when full.
    void push_back(char c);
    // Appends n bytes, which may lie inside this string.
    heron_string& append(const char* text, std::uint32_t n);
    // Appends a NUL-terminated text; null does nothing.
    heron_string& append(const char* text);
    heron_string& append(const heron_string& other);
    heron_string& operator+=(char c)
    {
        push_back(c);
        return *this;
    }
    heron_string& operator+=(const char* text) { return append(text); }
    heron_string& operator+=(const heron_string& other) { return append(other); }

    // Inserts n bytes (which may lie inside this string) at pos; throws out_of_range when pos > length.
    heron_string& insert(std::uint32_t pos, const char* text, std::uint32_t n);
    heron_string& insert(std::uint32_t pos, const heron_string& other);
    // Opens a gap of n bytes at pos, false for n = 0; throws out_of_range when pos > length.
    bool openGap(std::uint32_t pos, std::uint32_t n);

    // First position at or after pos of byte c (as strchr: c = 0 finds the terminator), else npos.
    // Throws out_of_range when pos > length.
    std::uint32_t find_first_of(char c, std::uint32_t pos = 0) const;
    // First position at or after pos where the whole text occurs (a substring search), else npos;
    // null counts as the empty text. Throws out_of_range when pos > length.
    std::uint32_t find_first_of(const char* text, std::uint32_t pos = 0) const;
    // Last position at or before pos (npos: the length) holding c, else npos.
    // Throws out_of_range when pos > length.
    std::uint32_t find_last_of(char c, std::uint32_t pos = npos) const;

    // Byte-wise order of the NUL-terminated texts, bytes unsigned: -1, 0 or 1. Null is the empty text.
    int compare(const char* text) const;
    int compare(const heron_string& other) const;
    // strncmp of at most n bytes from pos with text: negative, 0 or positive. pos beyond the length
    // compares the empty text at the end.
    int compare(std::uint32_t pos, std::uint32_t n, const char* text) const;
    int compare(std::uint32_t pos, std::uint32_t n, const heron_string& other) const;

    // Removes n bytes (npos: all) from pos; throws out_of_range when pos > length.
    heron_string& erase(std::uint32_t pos, std::uint32_t n = npos);
    // Removes the one byte at p (a pointer into the text) and returns p.
    char* erase(char* p);
    // The n bytes (npos: all) from pos; empty when pos > length.
    heron_string substr(std::uint32_t pos, std::uint32_t n = npos) const;

    // The text, always NUL-terminated at length(); valid until the next change of the string.
    const char* c_str() const { return m_text; }
    const char* data() const { return m_text; }
    char* data() { return m_text; }
    std::uint32_t length() const { return m_length; }
    std::uint32_t size() const { return m_length; }
    bool empty() const { return m_length == 0; }
    // Text bytes the heap block holds; 0 while the text is inline.
    std::uint32_t capacity() const { return m_capacity; }
    // True while the text lives in the inline buffer.
    bool isInline() const { return m_heap == nullptr; }
    char operator[](std::uint32_t i) const { return m_text[i]; }
    char& operator[](std::uint32_t i) { return m_text[i]; }

    // Longest text a string can hold.
    static constexpr std::uint32_t maxLength = npos - 1;

private:
    bool holdsBytes(const char* p) const;
    void terminate(std::uint32_t n);

    // The layout is fixed: the inline buffer first, then the four words.
    char m_inline[inlineSize];
    char* m_text;
    std::uint32_t m_length;
    char* m_heap;
    std::uint32_t m_capacity;
};

heron_string operator+(const heron_string& left, char right);
heron_string operator+(char left, const heron_string& right);
heron_string operator+(const heron_string& left, const char* right);
heron_string operator+(const char* left, const heron_string& right);
// The right operand is taken up to its first NUL byte.
heron_string operator+(const heron_string& left, const heron_string& right);

// Byte-wise order (compare), so strings can key sorted containers.
inline bool operator==(const heron_string& a, const heron_string& b) { return a.compare(b) == 0; }
inline bool operator==(const heron_string& a, const char* b) { return a.compare(b) == 0; }
inline bool operator<(const heron_string& a, const heron_string& b) { return a.compare(b) < 0; }

namespace heron
{

// Comparison ignoring the case of 'A'..'Z' only (whatever the locale): negative, 0 or positive.
// Null is the empty text.
int compareNoCase(const char* a, const char* b);
int compareNoCase(const heron_string& a, const heron_string& b);
// True when a sorts before b ignoring case; a sort predicate for names.
bool lessNoCase(const heron_string& a, const heron_string& b);

}
