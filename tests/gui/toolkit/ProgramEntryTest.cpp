#include "gui/toolkit/ProgramEntry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

std::vector<std::string> words(const char* commandLine)
{
    std::vector<std::string> out;
    for (const heron_string& word : kestrel::splitCommandLine(commandLine)) {
        out.emplace_back(word.c_str(), word.length());
    }
    return out;
}

using Words = std::vector<std::string>;

TEST(CommandLine, WordsSplitAtSpacesAndQuotedGroupsKeepTheirBlanks)
{
    const struct
    {
        const char* line;
        Words expected;
    } table[] = {
        {"", {}},
        {"    ", {}},
        {nullptr, {}},
        {"a \"b c\" d", {"a", "b c", "d"}},
        {"\"C:\\Program Files\\x.exe\" -delete_data", {"C:\\Program Files\\x.exe", "-delete_data"}},
        {"\"x\"y", {"x", "y"}},
        {"\"\"", {""}},
        {"\"open to the end  ", {"open to the end  "}},
        {"mid\"quote\" here", {"mid\"quote\"", "here"}},
        {"tab\tis\tpart", {"tab\tis\tpart"}},
        {"  lead  trail  ", {"lead", "trail"}},
    };
    for (const auto& row : table) {
        EXPECT_EQ(words(row.line), row.expected) << (row.line ? row.line : "(null)");
    }
}

Words received;

int recordingMain(const std::vector<heron_string>& list)
{
    received.clear();
    for (const heron_string& word : list) {
        received.emplace_back(word.c_str());
    }
    return 7;
}

TEST(ProgramEntry, HandsTheArgumentsAfterTheProgramNameToTheMainRoutineAndReturnsItsResult)
{
    char program[] = "aurelle";
    char first[] = "-delete_data";
    char second[] = "two words";
    char* argv[] = {program, first, second, nullptr};
    EXPECT_EQ(kestrel::programEntry(3, argv, recordingMain), 7);
    EXPECT_EQ(received, (Words{"-delete_data", "two words"}));
    EXPECT_EQ(kestrel::programEntry(1, argv, recordingMain), 7);
    EXPECT_TRUE(received.empty());
}

}
