#include "base/files/DynamicLibrary.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using heron::DynamicLibrary;

TEST(DynamicLibrary, SymbolFallsBackToTheNameWithASuffix)
{
    const TempFolder folder;
    writeWholeFile(folder.file("probe.c"), "int ShowNoteA(void) { return 65; }\nint ShowNoteW(void) { return 87; }\n"
                   "int Plain(void) { return 1; }\nint PlainA(void) { return 2; }\n");
    const std::string path = folder.file("libprobe.so");
    const std::string command = "cc -shared -fPIC -o '" + path + "' '" + folder.file("probe.c") + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) {
        GTEST_SKIP() << "no C compiler to build the probe library";
    }
    const DynamicLibrary library(path.c_str());
    ASSERT_TRUE(library.isLoaded());
    using Function = int (*)();
    const auto showNote = reinterpret_cast<Function>(library.symbol("ShowNote"));
    const auto plain = reinterpret_cast<Function>(library.symbol("Plain"));
    ASSERT_TRUE(showNote && plain);
    EXPECT_EQ(showNote(), 65);
    EXPECT_EQ(plain(), 1);
    EXPECT_EQ(library.symbol("Missing"), nullptr);
    EXPECT_EQ(library.symbol(nullptr), nullptr);
    EXPECT_NE(DynamicLibrary("libc.so.6").symbol("strlen"), nullptr);
}

TEST(DynamicLibrary, MissingLibraryGivesNullForEverySymbol)
{
    for (const char* name : {"no-such-library-here.so", "", static_cast<const char*>(nullptr)}) {
        const DynamicLibrary library(name);
        EXPECT_FALSE(library.isLoaded());
        EXPECT_EQ(library.symbol("strlen"), nullptr);
    }
}
