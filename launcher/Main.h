#pragma once

#include "base/heron_string.h"

#include <vector>

namespace game_launcher
{

// The program's main routine: called once by the process entry with the command-line words
// (program name excluded). Returns the process exit code, 0 on every path; throws nothing.
int main(const std::vector<heron_string>& words);

}
