#pragma once

#include "base/heron_string.h"

#include <cstdint>

namespace heron
{

class DataSource;

// Cursor over one heron_string with a fail flag that parses set instead of throwing. Blanks are
// space and tab; the text ends at its first NUL byte. The scanned string must outlive the scanner
// and keep its text while it is scanned.
class TextScanner
{
public:
    TextScanner() = default;
    TextScanner(const TextScanner&) = delete;
    TextScanner& operator=(const TextScanner&) = delete;

    // Attaches to text: cursor at its start, no word start, fail clear.
    void init(const heron_string& text);
    // Moves the cursor over blanks.
    void skipBlanks();
    // Moves the cursor n characters on, never past the end of the text.
    void skipChar(std::uint32_t n);
    // Skips blanks, then consumes literal; at the first difference sets fail and stops there.
    void expect(const char* literal);

    // True after a parse that found nothing usable.
    bool fail() const { return m_fail; }
    // The text from the cursor on.
    const char* rest() const;

protected:
    static constexpr std::uint32_t noWordStart = heron_string::npos;

    bool atEnd() const { return m_cursor >= m_end; }
    const char* text() const;

    bool m_fail = false;
    std::uint32_t m_cursor = 0;
    // Position of the text's end (its first NUL), taken when attached.
    std::uint32_t m_end = 0;
    std::uint32_t m_wordStart = noWordStart;
    const heron_string* m_text = nullptr;
};

// Reads a DataSource one text line at a time and parses keywords, numbers (always in the C
// locale, whatever the user's locale), words and quoted strings from the current line.
// One thread at a time.
class LineTokenizer : public TextScanner
{
public:
    // Reads from source (not owned; null reads nothing). The line starts empty, fail clear.
    explicit LineTokenizer(DataSource* source);

    // Reads the next line; cursor at its start, word start at its first non-blank character.
    // False at the end of data. The fail flag is not touched.
    bool nextLine();
    // Takes text as the current line, as nextLine takes the line it reads: for a reader that reads
    // and cleans its lines itself.
    void setLine(const heron_string& text);
    // The current line.
    const char* line() const { return m_line.c_str(); }

    // Tests keyword against the line's first word (the word start, not the cursor); caseSensitive
    // false folds 'A'..'Z'; wholeWord needs a blank or the line end after it unless the keyword ends
    // with a space. On a match the cursor moves past the keyword and the blanks after it.
    bool matchKeyword(const char* keyword, bool caseSensitive, bool wholeWord);

    // Number at the cursor (leading blanks skipped): fail is cleared, then set with a value of 0
    // when there is no number; on success the cursor moves past it. Values beyond the target's
    // range are clamped (an unsigned also takes a minus sign modulo 2^32).
    LineTokenizer& readInt(int& value);
    // The same for an integer of 64 bits, for a reader that bounds the number itself.
    LineTokenizer& readLong(std::int64_t& value);
    // An int, true when non-zero.
    LineTokenizer& readBool(bool& value);
    LineTokenizer& readUnsigned(unsigned& value);
    // The double parse narrowed to float (beyond the float range: infinity).
    LineTokenizer& readFloat(float& value);
    LineTokenizer& readDouble(double& value);
    // Hexadecimal number at the cursor (optional 0x); value is written and the cursor moved only
    // on success. Returns !fail.
    bool readHex(unsigned& value);

    // After blanks: the text between a double quote and the next one (cursor past the closing
    // quote), else the rest of the line (cursor at the line's end). The fail flag is not touched.
    void readWord(heron_string& value);
    // The text strictly between the first double quote at or after the cursor and the line's last
    // double quote, the cursor moved past the last; empty, cursor unmoved, with fewer than two
    // quotes. The reference is valid until the next call.
    const heron_string& readQuotedString();

private:
    // Runs parse, a C-library number parse (text, end pointer), from the cursor and moves the
    // cursor past what it consumed; false, with value and cursor unchanged, when it consumed nothing.
    template <typename Number, typename Parse>
    bool parseNumber(Parse parse, Number& value);
    // Puts the cursor at the start of the line just taken and its word start at its first
    // non-blank character.
    void startLine();

    DataSource* m_source;
    heron_string m_line;
    heron_string m_quoted;
};

}
