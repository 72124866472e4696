#include "base/files/SettingsFile.h"

#include "support/TempLog.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>

using heron::SettingsFile;
using heron::SettingsValue;

namespace
{

SettingsFile parsed(const std::string& text)
{
    SettingsFile file;
    file.parse(text.data(), text.size());
    return file;
}

// A value of the type holding bytes; a text gets its terminating NUL.
SettingsValue value(std::uint32_t type, const std::string& bytes)
{
    SettingsValue made;
    made.type = type;
    made.bytes.assign(bytes.begin(), bytes.end());
    if (type == heron::RegString) {
        made.bytes.push_back(0);
    }
    return made;
}

SettingsValue text(const std::string& bytes)
{
    return value(heron::RegString, bytes);
}

std::int32_t dword(const SettingsValue* value)
{
    if (value == nullptr) {
        ADD_FAILURE() << "the value is missing";
        return INT32_MIN;
    }
    EXPECT_TRUE(value->isDword());
    return static_cast<std::int32_t>(value->dwordNumber());
}

}

TEST(SettingsFile, ParsesEveryValueTypeUnderItsKey)
{
    const SettingsFile file = parsed("; comment\r\n"
                                     "# another\n"
                                     "[Software\\Pellmore Interactive Ltd\\Aurelle]\n"
                                     "\"Use current\" = dword:1\n"
                                     "  \"Screen Hz\"=dword:-1  \n"
                                     "\"Big\" = dword_be:256\n"
                                     "\"Max\" = dword:4294967295\n"
                                     "\"Net address\" = sz:\"a\\\\b\\\"c\\n\\xf8\"\n"
                                     "\"Avatar\" = binary:00fF10\n"
                                     "\"Empty\" = binary:\n"
                                     "\"\" = sz:\"default value\"\r\n");
    const heron_string key("software\\pellmore interactive ltd\\aurelle");
    EXPECT_EQ(file.damagedLines(), 0u);
    EXPECT_EQ(dword(file.find(key, "USE CURRENT")), 1);
    EXPECT_EQ(dword(file.find(key, "Screen Hz")), -1);
    EXPECT_EQ(std::tie(file.find(key, "Big")->type, file.find(key, "Big")->bytes),
              std::make_tuple(std::uint32_t(heron::RegDwordBigEndian), std::vector<std::uint8_t>{0, 0, 1, 0}));
    EXPECT_EQ(dword(file.find(key, "Max")), -1);
    EXPECT_EQ(file.find(key, "Net address")->bytes, text("a\\b\"c\n\xf8").bytes);
    EXPECT_EQ(file.find(key, "Avatar")->bytes, (std::vector<std::uint8_t>{0x00, 0xff, 0x10}));
    EXPECT_TRUE(file.find(key, "Empty")->bytes.empty());
    EXPECT_EQ(file.find(key, "")->bytes, text("default value").bytes);
    EXPECT_EQ(file.find(key, "Missing"), nullptr);
    EXPECT_EQ(file.find("Software\\Other", "Use current"), nullptr);
}

TEST(SettingsFile, DamagedLinesAreLoggedAndSkippedWhileTheRestIsKept)
{
    struct Case
    {
        const char* line;
        const char* why;
    };
    const Case cases[] = {
        {"\"Truncated\" = dwo", "unknown value type"},
        {"\"Truncated\" = sz:\"no end", "bad quoted text"},
        {"\"Truncated", "bad value name"},
        {"\"No equals\" dword:1", "no '='"},
        {"\"Wrong\" = dword:\"text\"", "not a 32-bit number"},
        {"\"Too big\" = dword:4294967296", "not a 32-bit number"},
        {"\"Too small\" = dword:-2147483649", "not a 32-bit number"},
        {"\"Odd hex\" = binary:abc", "bad hex bytes"},
        {"\"Not hex\" = binary:zz", "text after the value"},
        {"\"Bad escape\" = sz:\"\\q\"", "bad quoted text"},
        {"\"NUL escape\" = sz:\"a\\x00b\"", "bad quoted text"},
        {"\"Raw control\" = sz:\"a\x01\"", "bad quoted text"},
        {"\"Trailing\" = dword:1 2", "text after the value"},
        {"\"Bracket\" = dword:1]", "text after the value"},
        {"\"Unknown\" = qword:1", "unknown value type"},
        {"\x89PNG\x1a\xff\xfe garbage", "bad value name"},
        {"just words", "bad value name"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        TempLog log;
        const SettingsFile file = parsed(std::string("[Software\\Key]\n\"Before\" = dword:7\n") + c.line +
                                         "\n\"After\" = dword:8\n");
        EXPECT_EQ(file.damagedLines(), 1u);
        const heron_string key("Software\\Key");
        EXPECT_EQ(std::make_pair(dword(file.find(key, "Before")), dword(file.find(key, "After"))),
                  std::make_pair(7, 8));
        EXPECT_TRUE(log.contains("line 3 is damaged") && log.contains(c.why)) << log.text();
    }
}

TEST(SettingsFile, ValuesAfterADamagedKeyLineAreSkippedNotFiledUnderThePreviousKey)
{
    TempLog log;
    const SettingsFile file = parsed("\"Orphan\" = dword:1\n"
                                     "[Software\\Good]\n"
                                     "\"Kept\" = dword:2\n"
                                     "[Software\\\\Bad\n"
                                     "\"Lost\" = dword:3\n"
                                     "[Software\\Good] trailing\n"
                                     "\"Lost too\" = dword:4\n"
                                     "[]\n"
                                     "[Software\\Bad\\]\n");
    EXPECT_EQ(file.damagedLines(), 7u);
    EXPECT_NE(file.find("Software\\Good", "Kept"), nullptr);
    EXPECT_EQ(file.find("Software\\Good", "Lost"), nullptr);
    EXPECT_EQ(file.find("Software\\Good", "Lost too"), nullptr);
    EXPECT_FALSE(file.hasKey("Software\\Bad"));
    EXPECT_TRUE(log.contains("value outside a key"));
}

TEST(SettingsFile, LinesEndAtLfCrCrLfOrLfCrAndKeepTheirNumbers)
{
    for (const std::string end : {"\n", "\r", "\r\n", "\n\r"}) {
        SCOPED_TRACE(testing::PrintToString(end));
        TempLog log;
        const SettingsFile file = parsed("; comment" + end + "[Software\\Key]" + end + "\"A\" = dword:1" + end + end +
                                         "damaged" + end + "\"B\" = dword:2" + end);
        EXPECT_EQ(std::make_pair(dword(file.find("Software\\Key", "A")), dword(file.find("Software\\Key", "B"))),
                  std::make_pair(1, 2));
        EXPECT_EQ(file.damagedLines(), 1u);
        EXPECT_TRUE(log.contains("line 5 is damaged")) << log.text();
    }
}

TEST(SettingsFile, BinaryGarbageNeverYieldsValuesAndIsReportedWithoutFloodingTheLog)
{
    std::mt19937 random(7);
    std::string garbage(100000, '\0');
    for (char& c : garbage) {
        c = static_cast<char>(random() % 256);
    }
    for (std::size_t i = 0; i < garbage.size(); i += 50) {
        garbage[i] = '\n';
    }
    TempLog log;
    const SettingsFile file = parsed(garbage);
    EXPECT_GT(file.damagedLines(), 100u);
    EXPECT_TRUE(log.contains("more damaged lines skipped"));
    EXPECT_LT(log.text().size(), 5000u);
}

TEST(SettingsFile, FormattedTextParsesBackToTheSameValues)
{
    std::mt19937 random(11);
    SettingsFile original;
    std::vector<std::pair<std::string, SettingsValue>> stored;
    const auto randomText = [&](std::size_t longest) {
        std::string made(random() % longest, '\0');
        for (char& c : made) {
            c = static_cast<char>(1 + random() % 255);
        }
        return made;
    };
    for (int i = 0; i < 200; ++i) {
        const std::string name = randomText(12) + std::to_string(i);
        const SettingsValue made = value(i % 2 == 0 ? heron::RegString : heron::RegBinary, randomText(20));
        ASSERT_TRUE(original.set("Software\\Round Trip", heron_string(name.c_str()), made));
        stored.emplace_back(name, made);
    }
    const heron_string formatted = original.format();
    const SettingsFile copy = parsed(std::string(formatted.c_str(), formatted.length()));
    EXPECT_EQ(copy.damagedLines(), 0u);
    for (const auto& [name, value] : stored) {
        const SettingsValue* read = copy.find("Software\\Round Trip", heron_string(name.c_str()));
        ASSERT_NE(read, nullptr) << name;
        EXPECT_EQ(std::tie(read->type, read->bytes), std::tie(value.type, value.bytes));
    }
    for (char c : std::string(formatted.c_str(), formatted.length())) {
        EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7f)) << "not plain text: " << int(c);
    }
}

TEST(SettingsFile, AKeyExistsWhenAKeyBelowItIsStoredThoughASiblingSortsBetweenThem)
{
    SettingsFile file;
    file.addKey("Software\\Game-2");
    file.addKey("Software\\Game\\Sub");
    EXPECT_TRUE(file.hasKey("Software\\game"));
    EXPECT_TRUE(file.hasKey("Software\\Game-2"));
    EXPECT_FALSE(file.hasKey("Software\\Game-"));
    EXPECT_FALSE(file.hasKey("Software\\Gam"));
}

TEST(SettingsFile, KeysAndNamesMatchWithoutCaseAndValuesTheTextFormCannotHoldAreRefused)
{
    SettingsFile file;
    ASSERT_TRUE(file.set("Software\\Maker\\Product", "Use Current", text("x")));
    ASSERT_TRUE(file.set("SOFTWARE\\MAKER\\PRODUCT", "use current", text("y")));
    EXPECT_TRUE(file.hasKey("software\\maker"));
    EXPECT_FALSE(file.hasKey("Software\\Make"));
    EXPECT_FALSE(file.hasKey("Software\\Maker\\Product\\Deeper"));
    EXPECT_EQ(file.find("software\\maker\\product", "USE CURRENT")->bytes, text("y").bytes);
    const heron_string formatted = file.format();
    EXPECT_NE(formatted.find_first_of("[Software\\Maker\\Product]\n\"Use Current\" = sz:\"y\"\n"), heron_string::npos);

    EXPECT_FALSE(file.set("Software\\K", "a", value(heron::RegDword, "\1\2")));
    EXPECT_FALSE(file.set("Software\\K", "b", text(std::string("a\0b", 3))));
    EXPECT_FALSE(file.set("Software\\K", "c", value(7, "x")));
    EXPECT_FALSE(file.set("Software\\K]", "d", text("x")));
    EXPECT_FALSE(file.set("Software\\\\K", "d", text("x")));
    EXPECT_FALSE(file.hasKey("Software\\K"));
}
