#include "base/DynamicLibrary.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

using heron::DynamicLibrary;

namespace
{

// Builds a shared library exporting the given C source; empty when no C compiler is available.
std::string buildLibrary(const TempFolder& folder, const char* source)
{
    const std::string c = folder.file("probe.c");
    const std::string so = folder.file("libprobe.so");
    std::ofstream(c) << source;
    const std::string command = "cc -shared -fPIC -o '" + so + "' '" + c + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0 ? so : std::string();
}

}

TEST(DynamicLibrary, SymbolFallsBackToTheNameWithASuffix)
{
    const TempFolder folder;
    const std::string path = buildLibrary(folder,
        "int ShowNoteA(void) { return 65; }\n"
        "int ShowNoteW(void) { return 87; }\n"
        "int Plain(void) { return 1; }\n"
        "int PlainA(void) { return 2; }\n");
    if (path.empty()) {
        GTEST_SKIP() << "no C compiler to build the probe library";
    }
    const DynamicLibrary library(path.c_str());
    ASSERT_TRUE(library.isLoaded());

    using Function = int (*)();
    const auto showNote = reinterpret_cast<Function>(library.symbol("ShowNote"));
    ASSERT_NE(showNote, nullptr);
    EXPECT_EQ(showNote(), 65);
    const auto plain = reinterpret_cast<Function>(library.symbol("Plain"));
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain(), 1);
    EXPECT_EQ(library.symbol("Missing"), nullptr);
    EXPECT_EQ(library.symbol(nullptr), nullptr);
}

TEST(DynamicLibrary, FindsASymbolOfTheCLibrary)
{
    const DynamicLibrary library("libc.so.6");
    ASSERT_TRUE(library.isLoaded());
    EXPECT_NE(library.symbol("strlen"), nullptr);
}

TEST(DynamicLibrary, MissingLibraryGivesNullForEverySymbol)
{
    for (const char* name : {"no-such-library-here.so", "", static_cast<const char*>(nullptr)}) {
        const DynamicLibrary library(name);
        EXPECT_FALSE(library.isLoaded());
        EXPECT_EQ(library.symbol("strlen"), nullptr);
        EXPECT_EQ(library.symbol("ShowNote"), nullptr);
    }
}
