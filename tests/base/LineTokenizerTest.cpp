#include "base/LineTokenizer.h"

#include "base/MemoryDataSource.h"

#include "GermanLocale.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

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
    LineTokenizer& operator*() { return m_tokenizer; }
    LineTokenizer* operator->() { return &m_tokenizer; }

private:
    heron::MemoryDataSource m_source;
    LineTokenizer m_tokenizer;
};

}

TEST(LineTokenizer, KeywordIsTestedAtTheFirstWordThenNumbersFollow)
{
    Lines fog("  Fog  1.5  2");
    EXPECT_FALSE(fog->matchKeyword("fo", false, true));
    EXPECT_TRUE(fog->matchKeyword("fo", false, false));
    EXPECT_FALSE(fog->matchKeyword("Sky", false, true));
    EXPECT_TRUE(fog->matchKeyword("fog", false, true));
    EXPECT_STREQ(fog->rest(), "1.5  2");
    float near = 0;
    float far = 0;
    fog->readFloat(near).readFloat(far);
    EXPECT_FALSE(fog->fail());
    EXPECT_FLOAT_EQ(near, 1.5f);
    EXPECT_FLOAT_EQ(far, 2.0f);

    Lines lower("fog 1");
    EXPECT_FALSE(lower->matchKeyword("Fog", true, true));
    EXPECT_TRUE(lower->matchKeyword("fog", true, true));
}

TEST(LineTokenizer, WholeWordNeedsABlankOrTheLineEndUnlessTheKeywordEndsWithASpace)
{
    struct Case
    {
        const char* line;
        const char* keyword;
        bool wholeWord;
        bool matches;
    };
    const Case cases[] = {
        {"fogcolor 1", "fog", true, false},
        {"fogcolor 1", "fog", false, true},
        {"fog", "fog", true, true},
        {"fog\t1", "fog", true, true},
        {"fog 1", "fog ", true, true},
        {"fog", "fog ", true, false},
        {"", "", true, true},
        {"", "x", false, false},
        {"   ", "", true, true},
        {"FOG 1", "fog", true, true},
    };
    for (const Case& c : cases) {
        Lines lines(c.line);
        EXPECT_EQ(lines->matchKeyword(c.keyword, false, c.wholeWord), c.matches) << c.line << " / " << c.keyword;
    }
}

TEST(LineTokenizer, NumberParsesSetFailAndZeroWhenThereIsNoNumber)
{
    Lines end("n 5");
    ASSERT_TRUE(end->matchKeyword("n", false, true));
    int value = -1;
    end->readInt(value);
    EXPECT_FALSE(end->fail());
    EXPECT_EQ(value, 5);
    end->readInt(value);
    EXPECT_TRUE(end->fail());
    EXPECT_EQ(value, 0);

    Lines letters("abc");
    letters->readInt(value);
    EXPECT_TRUE(letters->fail());
    EXPECT_STREQ(letters->rest(), "abc");
    double d = 7;
    letters->readDouble(d);
    EXPECT_EQ(d, 0.0);
    EXPECT_TRUE(letters->fail());

    Lines recovers("x 3");
    recovers->readInt(value);
    EXPECT_TRUE(recovers->fail());
    recovers->skipChar(1);
    recovers->readInt(value);
    EXPECT_FALSE(recovers->fail());
    EXPECT_EQ(value, 3);
}

TEST(LineTokenizer, NumbersBeyondTheTargetRangeAreClampedOrWrapped)
{
    Lines numbers("99999999999 -99999999999 -1 -5 4294967296 1 0 1e300 -2.5e-3");
    int i = 0;
    unsigned u = 0;
    numbers->readInt(i);
    EXPECT_EQ(i, INT_MAX);
    numbers->readInt(i);
    EXPECT_EQ(i, INT_MIN);
    numbers->readUnsigned(u);
    EXPECT_EQ(u, 0xFFFFFFFFu);
    numbers->readUnsigned(u);
    EXPECT_EQ(u, 0xFFFFFFFBu);
    numbers->readUnsigned(u);
    EXPECT_EQ(u, 0xFFFFFFFFu);
    bool flag = false;
    numbers->readBool(flag);
    EXPECT_TRUE(flag);
    numbers->readBool(flag);
    EXPECT_FALSE(flag);
    float f = 0;
    numbers->readFloat(f);
    EXPECT_TRUE(std::isinf(f));
    double d = 0;
    numbers->readDouble(d);
    EXPECT_DOUBLE_EQ(d, -0.0025);
    EXPECT_FALSE(numbers->fail());
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

TEST(LineTokenizer, HexWritesTheTargetOnlyOnSuccess)
{
    Lines hex("ff 0x1A zz");
    unsigned value = 7;
    EXPECT_TRUE(hex->readHex(value));
    EXPECT_EQ(value, 255u);
    EXPECT_TRUE(hex->readHex(value));
    EXPECT_EQ(value, 26u);
    EXPECT_FALSE(hex->readHex(value));
    EXPECT_TRUE(hex->fail());
    EXPECT_EQ(value, 26u);
}

TEST(LineTokenizer, ReadWordTakesAQuotedStringOrTheRestOfTheLine)
{
    heron_string word;
    Lines quoted("\"my name\" rest");
    quoted->readWord(word);
    EXPECT_STREQ(word.c_str(), "my name");
    EXPECT_STREQ(quoted->rest(), " rest");

    Lines plain("  plain words here");
    plain->readWord(word);
    EXPECT_STREQ(word.c_str(), "plain words here");
    EXPECT_STREQ(plain->rest(), "");
    plain->readWord(word);
    EXPECT_STREQ(word.c_str(), "");

    Lines open("\"never closed");
    open->readWord(word);
    EXPECT_STREQ(word.c_str(), "never closed");
    EXPECT_STREQ(open->rest(), "");
    EXPECT_FALSE(open->fail());
}

TEST(LineTokenizer, QuotedStringSpansFromTheFirstToTheLastQuote)
{
    Lines line("name \"a\"b\"c\" tail");
    ASSERT_TRUE(line->matchKeyword("name", false, true));
    EXPECT_STREQ(line->readQuotedString().c_str(), "a\"b\"c");
    EXPECT_STREQ(line->rest(), " tail");

    Lines before("name \"x\" after");
    EXPECT_STREQ(before->readQuotedString().c_str(), "x");
    EXPECT_STREQ(before->rest(), " after");

    Lines single("name \"x");
    single->skipChar(2);
    EXPECT_STREQ(single->readQuotedString().c_str(), "");
    EXPECT_STREQ(single->rest(), "me \"x");
}

TEST(LineTokenizer, ExpectConsumesALiteralOrSetsFail)
{
    Lines equals(" =3");
    equals->expect("=");
    EXPECT_FALSE(equals->fail());
    int value = 0;
    equals->readInt(value);
    EXPECT_EQ(value, 3);

    Lines colon(": 3");
    colon->expect("=");
    EXPECT_TRUE(colon->fail());
    EXPECT_STREQ(colon->rest(), ": 3");

    Lines partial("ab: 3");
    partial->expect("ax");
    EXPECT_TRUE(partial->fail());
    EXPECT_STREQ(partial->rest(), "b: 3");
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
    EXPECT_TRUE(tokenizer.fail());
    ASSERT_TRUE(tokenizer.nextLine());
    EXPECT_TRUE(tokenizer.fail());
    EXPECT_STREQ(tokenizer.rest(), "\tsecond 2");
    EXPECT_TRUE(tokenizer.matchKeyword("SECOND", false, true));
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
}

TEST(LineTokenizer, ScannerWorksOverAnyString)
{
    const heron_string text("  key = 1");
    heron::TextScanner scanner;
    scanner.init(text);
    scanner.skipBlanks();
    EXPECT_STREQ(scanner.rest(), "key = 1");
    scanner.skipChar(3);
    scanner.expect("=");
    EXPECT_FALSE(scanner.fail());
    scanner.skipChar(1000);
    EXPECT_STREQ(scanner.rest(), "");
    scanner.expect("");
    EXPECT_FALSE(scanner.fail());
}
