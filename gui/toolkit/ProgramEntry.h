#pragma once

#include "base/heron_string.h"

#include <vector>

namespace kestrel
{

class Idler;

// The program's main routine: gets the command-line words and returns the exit code.
using MainRoutine = int (*)(const std::vector<heron_string>& words);

// The process entry that the real main() calls: hands argv[1..] to the main routine as strings
// (the shell has already split and unquoted them) and returns its result unchanged.
int programEntry(int argc, char** argv, MainRoutine mainRoutine);

// Splits a raw command line into words: only spaces separate words; a word that starts with a
// double quote runs to the next double quote (or the end), the quotes dropped. Null gives none.
std::vector<heron_string> splitCommandLine(const char* commandLine);

// Runs getEvent and dispatch until no toolkit window is open; null idler: the static IdleThing.
// Re-entrant from inside event handlers. Always returns false.
bool runEventLoop(Idler* idler);

}
