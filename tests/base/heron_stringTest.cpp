#include "base/heron_string.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <string>

namespace
{

heron_string filled(std::uint32_t n, char first = 'a')
{
    heron_string s;
    for (std::uint32_t i = 0; i < n; ++i) {
        s.push_back(static_cast<char>(first + i % 26));
    }
    return s;
}

template <typename Action>
void expectOutOfRange(Action action, const char* message)
{
    try {
        action();
        FAIL() << "no exception, expected: " << message;
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), message);
    }
}

}

TEST(heron_string, NewStringIsEmptyAndInline)
{
    const heron_string s;
    EXPECT_EQ(s.length(), 0u);
    EXPECT_TRUE(s.isInline());
    EXPECT_EQ(s.capacity(), 0u);
    EXPECT_STREQ(s.c_str(), "");
    EXPECT_EQ(reinterpret_cast<const void*>(s.c_str()), reinterpret_cast<const void*>(&s));
    EXPECT_EQ(heron_string::npos, 0x7fffffffu);
    EXPECT_STREQ(heron_string(nullptr).c_str(), "");
    EXPECT_STREQ(heron_string(nullptr, 5).c_str(), "");
}

TEST(heron_string, PushBackDoublesTheHeapBlockFromTheHundredTwentyEighthByte)
{
    heron_string s = filled(127);
    EXPECT_TRUE(s.isInline());
    s.push_back('x');
    EXPECT_FALSE(s.isInline());
    EXPECT_EQ(s.capacity(), 254u);
    while (s.length() < 254) {
        s.push_back('y');
    }
    EXPECT_EQ(s.capacity(), 254u);
    s.push_back('z');
    EXPECT_EQ(s.capacity(), 508u);
    EXPECT_EQ(s.length(), 255u);
    EXPECT_EQ(s[127], 'x');
    EXPECT_EQ(s[254], 'z');
    EXPECT_EQ(s.c_str()[255], '\0');
}

TEST(heron_string, AppendGrowsToExactlyTheNeededLength)
{
    heron_string s(200, 'a');
    s.append("0123456789", 10);
    EXPECT_EQ(s.capacity(), 210u);
    EXPECT_EQ(s.length(), 210u);
    EXPECT_EQ(s.compare(s.length() - 10, 10, "0123456789"), 0);

    heron_string t("abc");
    t.insert(1, std::string(200, 'q').c_str(), 200);
    EXPECT_EQ(t.capacity(), 203u);
    EXPECT_EQ(t[0], 'a');
    EXPECT_EQ(t[201], 'b');
}

TEST(heron_string, ResizeFillsOrCuts)
{
    heron_string s;
    s.resize(5, 'x');
    EXPECT_STREQ(s.c_str(), "xxxxx");
    heron_string h("hello");
    h.resize(2);
    EXPECT_STREQ(h.c_str(), "he");
    EXPECT_EQ(h.length(), 2u);

    h.assign(3, 'k');
    EXPECT_STREQ(h.c_str(), "kkk");
    h.assign('m');
    EXPECT_STREQ(h.c_str(), "m");
}

TEST(heron_string, CuttingKeepsTheHeapBlockButGrowingBelowInlineSizeReturnsInline)
{
    heron_string s(300, 'a');
    s.resize(10);
    EXPECT_FALSE(s.isInline());
    EXPECT_EQ(s.capacity(), 300u);
    s.erase(5);
    EXPECT_FALSE(s.isInline());
    s.resize(20, 'b');
    EXPECT_TRUE(s.isInline());
    EXPECT_EQ(s.capacity(), 0u);
    EXPECT_STREQ(s.c_str(), "aaaaabbbbbbbbbbbbbbb");
}

TEST(heron_string, AssignReusesALargeEnoughHeapBlock)
{
    heron_string s(400, 'a');
    const char* const block = s.c_str();
    const std::string t300(300, 'b');
    s.assign(t300.c_str());
    EXPECT_EQ(s.c_str(), block);
    EXPECT_EQ(s.capacity(), 400u);
    EXPECT_EQ(std::string(s.c_str()), t300);
    s.assign(std::string(50, 'c').c_str());
    EXPECT_EQ(s.c_str(), block);
    EXPECT_EQ(s.length(), 50u);

    heron_string small;
    small.assign(std::string(127, 'd').c_str());
    EXPECT_TRUE(small.isInline());
    small.assign(std::string(128, 'd').c_str());
    EXPECT_EQ(small.capacity(), 128u);
    small.assign(static_cast<const char*>(nullptr));
    EXPECT_EQ(small.length(), 0u);
}

TEST(heron_string, CopiesAndMovesNeverShareABlock)
{
    const heron_string shortText("short");
    const heron_string longText(std::string(150, 'L').c_str());
    heron_string a(shortText);
    heron_string b(longText);
    EXPECT_STREQ(a.c_str(), "short");
    EXPECT_NE(b.c_str(), longText.c_str());
    EXPECT_EQ(b, longText);

    b = shortText;
    EXPECT_STREQ(b.c_str(), "short");
    a = longText;
    EXPECT_EQ(a, longText);
    const heron_string& self = a;
    a = self;
    EXPECT_EQ(a, longText);

    heron_string moved(std::move(a));
    EXPECT_EQ(moved, longText);
    EXPECT_STREQ(a.c_str(), "");
    EXPECT_TRUE(a.isInline());
    heron_string target(std::string(200, 'T').c_str());
    target = std::move(moved);
    EXPECT_EQ(target, longText);
    target = heron_string("tiny");
    EXPECT_STREQ(target.c_str(), "tiny");
    EXPECT_EQ(target.length(), 4u);
}

TEST(heron_string, SearchesOnHello)
{
    const heron_string s("hello");
    EXPECT_EQ(s.find_first_of('l', 0), 2u);
    EXPECT_EQ(s.find_first_of('l', 3), 3u);
    EXPECT_EQ(s.find_last_of('l'), 3u);
    EXPECT_EQ(s.find_last_of('l', 2), 2u);
    EXPECT_EQ(s.find_last_of('h', 4), 0u);
    EXPECT_EQ(s.find_last_of('z'), heron_string::npos);
    EXPECT_EQ(s.find_first_of("lo", 0), 3u);
    EXPECT_EQ(s.find_first_of("ol", 0), heron_string::npos);
    EXPECT_EQ(s.find_first_of('z', 0), heron_string::npos);
    EXPECT_EQ(s.find_first_of('\0', 0), 5u);
    EXPECT_EQ(s.find_first_of('a', 5), heron_string::npos);
    EXPECT_EQ(s.find_first_of("", 5), 5u);
}

TEST(heron_string, OutOfRangePositionsThrowNamedMessagesAndChangeNothing)
{
    heron_string s("hello");
    expectOutOfRange([&] { s.find_first_of('a', 6); }, "heron_string::find_first_of() - position out of range");
    expectOutOfRange([&] { s.find_first_of("a", 6); }, "heron_string::find_first_of() - position out of range");
    expectOutOfRange([&] { s.find_last_of('a', 6); }, "heron_string::find_last_of() - position out of range");
    expectOutOfRange([&] { s.erase(6, 1); }, "heron_string::erase() - position out of range");
    heron_string cd("cd");
    expectOutOfRange([&] { cd.insert(5, "ab", 2); }, "heron_string::insert() - start pos is out of range");
    expectOutOfRange([&] { cd.openGap(3, 1); }, "heron_string::insert() - start pos is out of range");
    EXPECT_STREQ(s.c_str(), "hello");
    EXPECT_STREQ(cd.c_str(), "cd");
    EXPECT_EQ(cd.length(), 2u);
}

TEST(heron_string, EraseAndSubstrOnHello)
{
    struct Case
    {
        std::uint32_t pos;
        std::uint32_t n;
        const char* erased;
        const char* sub;
    };
    const Case cases[] = {
        {1, 2, "hlo", "el"},
        {2, heron_string::npos, "he", "llo"},
        {1, 3, "ho", "ell"},
        {3, 9, "hel", "lo"},
        {5, 1, "hello", ""},
        {0, 0, "hello", ""},
    };
    for (const Case& c : cases) {
        heron_string s("hello");
        EXPECT_STREQ(s.substr(c.pos, c.n).c_str(), c.sub) << c.pos << "," << c.n;
        s.erase(c.pos, c.n);
        EXPECT_STREQ(s.c_str(), c.erased) << c.pos << "," << c.n;
        EXPECT_EQ(s.length(), std::string(c.erased).size());
    }
    const heron_string s("hello");
    EXPECT_STREQ(s.substr(9, 1).c_str(), "");

    heron_string p("hello");
    char* const at = p.data() + 1;
    EXPECT_EQ(p.erase(at), at);
    EXPECT_STREQ(p.c_str(), "hllo");
}

TEST(heron_string, InsertOpensAGap)
{
    heron_string s("cd");
    s.insert(0, "ab", 2);
    EXPECT_STREQ(s.c_str(), "abcd");
    EXPECT_EQ(s.length(), 4u);
    s.insert(4, heron_string("ef"));
    EXPECT_STREQ(s.c_str(), "abcdef");
    s.insert(3, "", 0);
    EXPECT_FALSE(s.openGap(2, 0));
    EXPECT_STREQ(s.c_str(), "abcdef");
}

TEST(heron_string, InsertOfItsOwnBytesInsertsThemUnchanged)
{
    heron_string s("abcdef");
    s.insert(1, s.c_str() + 3, 3);
    EXPECT_STREQ(s.c_str(), "adefbcdef");

    heron_string big(std::string(126, 'x').c_str());
    big.append("yz");
    big.insert(0, big.c_str() + 126, 2);
    EXPECT_EQ(big.length(), 130u);
    EXPECT_EQ(big.compare(0, 3, "yzx"), 0);
}

TEST(heron_string, CompareIsBytewiseUnsigned)
{
    EXPECT_EQ(heron_string("abc").compare("abd"), -1);
    EXPECT_EQ(heron_string("abd").compare("abc"), 1);
    EXPECT_EQ(heron_string("abc").compare(heron_string("abc")), 0);
    EXPECT_EQ(heron_string("ab").compare("abc"), -1);
    EXPECT_EQ(heron_string("\xE9").compare("z"), 1);
    EXPECT_EQ(heron_string("").compare(static_cast<const char*>(nullptr)), 0);
    EXPECT_EQ(heron_string("hello").compare(1, 3, "ell"), 0);
    EXPECT_LT(heron_string("hello").compare(1, 3, "elm"), 0);
    EXPECT_EQ(heron_string("hello").compare(3, 99, heron_string("lo")), 0);
    EXPECT_LT(heron_string("hi").compare(50, 2, "x"), 0);

    std::map<heron_string, int> sorted{{"b", 2}, {"a", 1}, {"\xE9", 3}};
    EXPECT_STREQ(sorted.begin()->first.c_str(), "a");
    EXPECT_STREQ(sorted.rbegin()->first.c_str(), "\xE9");
}

TEST(heron_string, AppendingItsOwnTextAppendsItOnce)
{
    heron_string inlineText("abc");
    inlineText.append(inlineText);
    EXPECT_STREQ(inlineText.c_str(), "abcabc");

    const std::string base(130, 'h');
    heron_string whole(base.c_str());
    whole.append(whole);
    EXPECT_EQ(std::string(whole.c_str()), base + base);

    heron_string tail((std::string(150, 'p') + "END").c_str());
    tail.append(tail.c_str() + 150);
    EXPECT_EQ(tail.length(), 156u);
    EXPECT_EQ(tail.compare(150, 6, "ENDEND"), 0);

    heron_string first((std::string(200, 'q') + "r").c_str());
    first.append(first.c_str(), 1);
    EXPECT_EQ(first.length(), 202u);
    EXPECT_EQ(first[201], 'q');

    heron_string crossing(std::string(120, 'c').c_str());
    crossing.append(crossing.c_str(), 120);
    EXPECT_EQ(std::string(crossing.c_str()), std::string(240, 'c'));

    heron_string roomy(std::string(400, 'a').c_str());
    roomy.resize(10);
    roomy.append(roomy.c_str() + 2, 3);
    EXPECT_STREQ(roomy.c_str(), "aaaaaaaaaaaaa");
}

TEST(heron_string, AssignOfItsOwnBytesKeepsThem)
{
    heron_string s("abcdef");
    s.assign(s.c_str() + 2, 3);
    EXPECT_STREQ(s.c_str(), "cde");
    heron_string h((std::string(200, 'a') + "xyz").c_str());
    h.assign(h.c_str() + 199, 4);
    EXPECT_STREQ(h.c_str(), "axyz");
}

TEST(heron_string, ToLowerChangesOnlyAsciiCapitals)
{
    heron_string s("ABC-xyz\xC4");
    s.toLower();
    EXPECT_STREQ(s.c_str(), "abc-xyz\xC4");
}

TEST(heron_string, ConcatenationLeavesOperandsUnchanged)
{
    const heron_string a("ab");
    const heron_string b("cd");
    EXPECT_STREQ((a + 'x').c_str(), "abx");
    EXPECT_STREQ(('x' + a).c_str(), "xab");
    EXPECT_STREQ((a + "ef").c_str(), "abef");
    EXPECT_STREQ(("ef" + a).c_str(), "efab");
    EXPECT_STREQ((a + b).c_str(), "abcd");
    EXPECT_STREQ(a.c_str(), "ab");
    EXPECT_STREQ(b.c_str(), "cd");
    const heron_string withNul("x\0y", 3);
    EXPECT_EQ((a + withNul).length(), 3u);
}

TEST(heron_string, CaseInsensitiveComparisonFoldsOnlyAsciiLetters)
{
    EXPECT_EQ(heron::compareNoCase("Hello", "hELLO"), 0);
    EXPECT_LT(heron::compareNoCase("apple", "Banana"), 0);
    EXPECT_GT(heron::compareNoCase("b", "A"), 0);
    EXPECT_NE(heron::compareNoCase("\xC4", "\xE4"), 0);
    EXPECT_LT(heron::compareNoCase(nullptr, "a"), 0);
    EXPECT_EQ(heron::compareNoCase(heron_string("Zed"), heron_string("zED")), 0);
    EXPECT_TRUE(heron::lessNoCase(heron_string("alpha"), heron_string("BETA")));
    EXPECT_FALSE(heron::lessNoCase(heron_string("BETA"), heron_string("alpha")));
    EXPECT_FALSE(heron::lessNoCase(heron_string("same"), heron_string("SAME")));
}
