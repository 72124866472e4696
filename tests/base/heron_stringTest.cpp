#include "base/heron_string.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <stdexcept>
#include <string>

namespace
{

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

TEST(heron_string, PushBackDoublesTheBlockOtherGrowthFitsExactlyAndLargeBlocksAreReused)
{
    const heron_string empty;
    EXPECT_TRUE(empty.isInline() && empty.capacity() == 0);
    EXPECT_EQ(heron_string::npos, 0x7fffffffu);
    EXPECT_STREQ(heron_string(nullptr).c_str(), "");
    EXPECT_STREQ(heron_string(nullptr, 5).c_str(), "");
    heron_string s(127, 'a');
    EXPECT_TRUE(s.isInline());
    s.push_back('x');
    EXPECT_EQ(s.capacity(), 254u);
    s.resize(254, 'y');
    EXPECT_EQ(s.capacity(), 254u);
    s.push_back('z');
    EXPECT_EQ(s.capacity(), 508u);
    EXPECT_EQ(s[127], 'x');
    EXPECT_EQ(s.c_str()[255], '\0');

    heron_string a(200, 'a');
    a.append("0123456789", 10);
    EXPECT_EQ(a.capacity(), 210u);
    EXPECT_EQ(a.compare(200, 10, "0123456789"), 0);
    heron_string t("abc");
    t.insert(1, std::string(200, 'q').c_str(), 200);
    EXPECT_EQ(t.capacity(), 203u);
    EXPECT_EQ(t[201], 'b');

    heron_string r(400, 'a');
    const char* const block = r.c_str();
    r.assign(std::string(300, 'b').c_str());
    EXPECT_EQ(r.c_str(), block);
    r.resize(10);
    EXPECT_EQ(r.c_str(), block);
    r.erase(5);
    EXPECT_EQ(r.c_str(), block);
    EXPECT_EQ(r.capacity(), 400u);
    r.resize(20, 'c');
    EXPECT_TRUE(r.isInline());
    EXPECT_STREQ(r.c_str(), "bbbbbccccccccccccccc");
    r.assign(std::string(128, 'd').c_str());
    EXPECT_EQ(r.capacity(), 128u);
    r.assign(static_cast<const char*>(nullptr));
    EXPECT_EQ(r.length(), 0u);
    r.assign(3, 'k');
    EXPECT_STREQ(r.c_str(), "kkk");
}

TEST(heron_string, CopiesAndMovesNeverShareABlock)
{
    const heron_string shortText("short");
    const heron_string longText(std::string(150, 'L').c_str());
    heron_string a(shortText);
    heron_string b(longText);
    EXPECT_NE(b.c_str(), longText.c_str());
    EXPECT_EQ(b, longText);
    b = shortText;
    EXPECT_STREQ(b.c_str(), "short");
    a = longText;
    EXPECT_NE(a.c_str(), longText.c_str());
    const heron_string& self = a;
    a = self;
    EXPECT_EQ(a, longText);

    heron_string moved(std::move(a));
    EXPECT_EQ(moved, longText);
    EXPECT_TRUE(a.isInline() && a.empty());
    heron_string target(std::string(200, 'T').c_str());
    target = std::move(moved);
    EXPECT_EQ(target, longText);
    EXPECT_TRUE(moved.isInline() && moved.empty());
    target = heron_string("tiny");
    EXPECT_STREQ(target.c_str(), "tiny");
}

TEST(heron_string, SearchesOnHello)
{
    const heron_string s("hello");
    EXPECT_EQ(s.find_first_of('l', 3), 3u);
    EXPECT_EQ(s.find_last_of('l'), 3u);
    EXPECT_EQ(s.find_last_of('l', 2), 2u);
    EXPECT_EQ(s.find_last_of('z'), heron_string::npos);
    EXPECT_EQ(s.find_first_of("lo", 0), 3u);
    EXPECT_EQ(s.find_first_of("ol", 0), heron_string::npos);
    EXPECT_EQ(s.find_first_of('\0', 0), 5u);
    EXPECT_EQ(s.find_first_of('a', 5), heron_string::npos);
    EXPECT_EQ(s.find_first_of("", 5), 5u);
}

TEST(heron_string, PositionsOutOfRangeAndLengthsTooLargeThrowAndChangeNothing)
{
    heron_string s("hello");
    expectOutOfRange([&] { s.find_first_of('a', 6); }, "heron_string::find_first_of() - position out of range");
    expectOutOfRange([&] { s.find_first_of("a", 6); }, "heron_string::find_first_of() - position out of range");
    expectOutOfRange([&] { s.find_last_of('a', 6); }, "heron_string::find_last_of() - position out of range");
    expectOutOfRange([&] { s.erase(6, 1); }, "heron_string::erase() - position out of range");
    expectOutOfRange([&] { s.insert(6, "ab", 2); }, "heron_string::insert() - start pos is out of range");
    expectOutOfRange([&] { s.openGap(6, 1); }, "heron_string::insert() - start pos is out of range");
    EXPECT_THROW(s.append("x", heron_string::maxLength), std::length_error);
    EXPECT_THROW(heron_string(heron_string::npos, 'x'), std::length_error);
    EXPECT_STREQ(s.c_str(), "hello");
    EXPECT_EQ(s.length(), 5u);
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
    EXPECT_TRUE(heron_string("hello").substr(9, 1).empty());
    heron_string p("hello");
    char* const at = p.data() + 1;
    EXPECT_EQ(p.erase(at), at);
    EXPECT_STREQ(p.c_str(), "hllo");
}

TEST(heron_string, InsertAppendAndAssignTakeItsOwnBytesUnchanged)
{
    const std::string a126(126, 'a');
    const std::string h130(130, 'h');
    const std::string p150(150, 'p');
    struct Case
    {
        std::string start;
        std::function<void(heron_string&)> edit;
        std::string result;
    };
    const Case cases[] = {
        {"cd", [](heron_string& s) { s.insert(0, "ab", 2); s.insert(4, heron_string("ef")); s.insert(3, "", 0); },
            "abcdef"},
        {"abcdef", [](heron_string& s) { s.insert(1, s.c_str() + 3, 3); }, "adefbcdef"},
        {a126 + "yz", [](heron_string& s) { s.insert(0, s.c_str() + 126, 2); }, "yz" + a126 + "yz"},
        {"abc", [](heron_string& s) { s.append(s); }, "abcabc"},
        {h130, [](heron_string& s) { s.append(s); }, h130 + h130},
        {p150 + "END", [](heron_string& s) { s.append(s.c_str() + 150); }, p150 + "ENDEND"},
        {std::string(200, 'q') + "r", [](heron_string& s) { s.append(s.c_str(), 1); }, std::string(200, 'q') + "rq"},
        {std::string(120, 'c'), [](heron_string& s) { s.append(s.c_str(), 120); }, std::string(240, 'c')},
        {std::string(400, 'a'), [](heron_string& s) { s.resize(10); s.append(s.c_str() + 2, 3); },
            std::string(13, 'a')},
        {"abcdef", [](heron_string& s) { s.assign(s.c_str() + 2, 3); }, "cde"},
        {std::string(200, 'a') + "xyz", [](heron_string& s) { s.assign(s.c_str() + 199, 4); }, "axyz"},
    };
    for (const Case& c : cases) {
        heron_string s(c.start.c_str());
        c.edit(s);
        EXPECT_EQ(std::string(s.c_str(), s.length()), c.result) << c.start;
    }
    heron_string gap("abc");
    EXPECT_FALSE(gap.openGap(2, 0));
    EXPECT_STREQ(gap.c_str(), "abc");
}

TEST(heron_string, ComparesBytewiseUnsignedAndFoldsOnlyAsciiCase)
{
    EXPECT_EQ(heron_string("abc").compare("abd"), -1);
    EXPECT_EQ(heron_string("abd").compare("abc"), 1);
    EXPECT_EQ(heron_string("ab").compare("abc"), -1);
    EXPECT_EQ(heron_string("\xE9").compare("z"), 1);
    EXPECT_EQ(heron_string("").compare(static_cast<const char*>(nullptr)), 0);
    EXPECT_LT(heron_string("hello").compare(1, 3, "elm"), 0);
    EXPECT_EQ(heron_string("hello").compare(3, 99, heron_string("lo")), 0);
    EXPECT_LT(heron_string("hi").compare(50, 2, "x"), 0);
    std::map<heron_string, int> sorted{{"b", 2}, {"a", 1}, {"\xE9", 3}};
    EXPECT_STREQ(sorted.rbegin()->first.c_str(), "\xE9");

    EXPECT_EQ(heron::compareNoCase("Hello", "hELLO"), 0);
    EXPECT_LT(heron::compareNoCase("apple", "Banana"), 0);
    EXPECT_NE(heron::compareNoCase("\xC4", "\xE4"), 0);
    EXPECT_LT(heron::compareNoCase(nullptr, "a"), 0);
    EXPECT_TRUE(heron::lessNoCase(heron_string("alpha"), heron_string("BETA")));
    EXPECT_FALSE(heron::lessNoCase(heron_string("same"), heron_string("SAME")));
    heron_string lower("ABC-xyz\xC4");
    lower.toLower();
    EXPECT_STREQ(lower.c_str(), "abc-xyz\xC4");
}

TEST(heron_string, ConcatenationLeavesOperandsUnchanged)
{
    const heron_string a("ab");
    EXPECT_STREQ(((a + 'x') + ('x' + a) + (a + "e") + ("f" + a) + (a + a)).c_str(), "abxxababefababab");
    EXPECT_STREQ(a.c_str(), "ab");
    EXPECT_EQ((a + heron_string("x\0y", 3)).length(), 3u);
}
