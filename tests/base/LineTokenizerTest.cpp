#include "base/LineTokenizer.h"

#include "base/MemoryDataSource.h"

#include "support/GermanLocale.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>
#include <tuple>

using heron::LineTokenizer;

namespace
{

// A tokenizer over its own copy of text, positioned on the first line.
class Lines
{
public:
    explicit Lines(const std::string& text)
        : m_source(text.data(), static_cast<std::uint32_t>(text.size()), true), m_tokenizer(&m_source)
    {
        m_tokenizer.nextLine();
    }
    LineTokenizer* operator->() { return &m_tokenizer; }

private:
    heron::MemoryDataSource m_source;
    LineTokenizer m_tokenizer;
};

}

TEST(LineTokenizer, KeywordsMatchAtTheFirstWordWithOrWithoutCaseAndWholeWord)
{
    struct Case
    {
        const char* line;
        const char* keyword;
        bool caseSensitive;
        bool wholeWord;
        bool matches;
    };
    const Case cases[] = {
        {"  Fog  1.5", "fo", false, true, false},
        {"  Fog  1.5", "fo", false, false, true},
        {"  Fog  1.5", "Sky", false, true, false},
        {"fog 1", "Fog", true, true, false},
        {"fog 1", "fog", true, true, true},
        {"fogcolor 1", "fog", false, true, false},
        {"fog", "fog", false, true, true},
        {"fog\t1", "fog", false, true, true},
        {"fog 1", "fog ", false, true, true},
        {"fog", "fog ", false, true, false},
        {"", "", false, true, true},
        {"", "x", false, false, false},
        {"   ", "", false, true, true},
        {"FOG 1", "fog", false, true, true},
    };
    for (const Case& c : cases) {
        Lines lines(c.line);
        EXPECT_EQ(lines->matchKeyword(c.keyword, c.caseSensitive, c.wholeWord), c.matches)
            << c.line << " / " << c.keyword;
    }
    Lines fog("  Fog  1.5  2");
    EXPECT_TRUE(fog->matchKeyword("fog", false, true));
    EXPECT_STREQ(fog->rest(), "1.5  2");
}

TEST(LineTokenizer, NumbersAreClampedOrWrappedAndAMissingOneSetsFailAndZero)
{
    Lines numbers("99999999999 -99999999999 -1 -5 4294967296 1 0 1e300 -2.5e-3 ff 0x1A zz");
    int high = 0;
    int low = 0;
    unsigned u[3] = {};
    bool on = false;
    bool off = true;
    float f = 0;
    double d = 0;
    numbers->readInt(high).readInt(low).readUnsigned(u[0]).readUnsigned(u[1]).readUnsigned(u[2]);
    numbers->readBool(on).readBool(off).readFloat(f).readDouble(d);
    EXPECT_EQ(std::make_tuple(high, low, u[0], u[1], u[2], on, off, std::isinf(f), d, numbers->fail()),
              std::make_tuple(INT_MAX, INT_MIN, ~0u, ~4u, ~0u, true, false, true, -0.0025, false));
    // Hex writes its target only on success.
    EXPECT_TRUE(numbers->readHex(u[0]) && u[0] == 255u && numbers->readHex(u[0]));
    EXPECT_FALSE(numbers->readHex(u[0]));
    EXPECT_EQ(u[0], 26u);
    EXPECT_TRUE(numbers->fail());

    Lines letters("x 3");
    letters->readInt(high).readDouble(d);
    EXPECT_TRUE(letters->fail());
    EXPECT_EQ(std::make_tuple(high, d, std::string(letters->rest())), std::make_tuple(0, 0.0, std::string("x 3")));
    letters->skipChar(1);
    letters->readInt(high);
    EXPECT_FALSE(letters->fail());
    EXPECT_EQ(high, 3);
    letters->readInt(high);
    EXPECT_TRUE(letters->fail());
    EXPECT_EQ(high, 0);
}

TEST(LineTokenizer, ReadsDecimalPointsWhateverTheUserLocale)
{
    double a = 0;
    double b = 0;
    std::string rest;
    {
        const GermanLocale german;
        if (!german.active()) {
            GTEST_SKIP() << "localedef cannot make a locale with a decimal comma";
        }
        Lines line("1.5 2,5");
        line->readDouble(a).readDouble(b);
        rest = line->rest();
    }
    EXPECT_DOUBLE_EQ(a, 1.5);
    EXPECT_DOUBLE_EQ(b, 2.0);
    EXPECT_EQ(rest, ",5");
}

TEST(LineTokenizer, WordsQuotedStringsAndLiteralsConsumeOnlyWhatTheyMatch)
{
    struct Case
    {
        const char* line;
        int skip;
        char what; // 'w' readWord, 'q' readQuotedString, '=' expect("="), 'x' expect("ax")
        const char* read;
        const char* rest;
        bool fail;
    };
    const Case cases[] = {
        {"\"my name\" rest", 0, 'w', "my name", " rest", false},
        {"  plain words here", 0, 'w', "plain words here", "", false},
        {"", 0, 'w', "", "", false},
        {"\"never closed", 0, 'w', "never closed", "", false},
        {"name \"a\"b\"c\" tail", 0, 'q', "a\"b\"c", " tail", false},
        {"name \"x", 2, 'q', "", "me \"x", false},
        {" =3", 0, '=', "", "3", false},
        {": 3", 0, '=', "", ": 3", true},
        {"ab: 3", 0, 'x', "", "b: 3", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Lines line(c.line);
        line->skipChar(c.skip);
        heron_string read;
        if (c.what == 'w') {
            line->readWord(read);
        } else if (c.what == 'q') {
            read = line->readQuotedString();
        } else {
            line->expect(c.what == '=' ? "=" : "ax");
        }
        EXPECT_STREQ(read.c_str(), c.read);
        EXPECT_STREQ(line->rest(), c.rest);
        EXPECT_EQ(line->fail(), c.fail);
    }
}

TEST(LineTokenizer, NextLineWalksTheLinesAndLeavesFailAlone)
{
    const std::string text = "first 1\r\n\tsecond 2\nthird";
    heron::MemoryDataSource source(text.data(), static_cast<std::uint32_t>(text.size()), false);
    LineTokenizer tokenizer(&source);
    EXPECT_STREQ(tokenizer.line(), "");
    ASSERT_TRUE(tokenizer.nextLine());
    EXPECT_STREQ(tokenizer.line(), "first 1");
    tokenizer.expect("x");
    ASSERT_TRUE(tokenizer.nextLine());
    EXPECT_TRUE(tokenizer.fail());
    EXPECT_STREQ(tokenizer.rest(), "\tsecond 2");
    ASSERT_TRUE(tokenizer.nextLine());
    EXPECT_STREQ(tokenizer.line(), "third");
    EXPECT_FALSE(tokenizer.nextLine());
    EXPECT_FALSE(tokenizer.nextLine());
    EXPECT_STREQ(tokenizer.line(), "");

    LineTokenizer none(nullptr);
    EXPECT_FALSE(none.nextLine());
    int value = 0;
    none.readInt(value);
    EXPECT_TRUE(none.fail());

    const heron_string key("  key = 1");
    heron::TextScanner scanner;
    scanner.init(key);
    scanner.skipChar(1000);
    EXPECT_STREQ(scanner.rest(), "");
    scanner.expect("");
    EXPECT_FALSE(scanner.fail());
}
