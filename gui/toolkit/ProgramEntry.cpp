#include "gui/toolkit/ProgramEntry.h"

#include "gui/toolkit/Event.h"
#include "gui/toolkit/Idler.h"

namespace kestrel
{

int programEntry(int argc, char** argv, MainRoutine mainRoutine)
{
    std::vector<heron_string> words;
    for (int i = 1; i < argc; ++i) {
        words.emplace_back(argv[i]);
    }
    return mainRoutine(words);
}

std::vector<heron_string> splitCommandLine(const char* commandLine)
{
    std::vector<heron_string> words;
    if (!commandLine) {
        return words;
    }
    const char* p = commandLine;
    while (*p) {
        while (*p == ' ') {
            ++p;
        }
        if (!*p) {
            break;
        }
        heron_string& word = words.emplace_back();
        if (*p == '"') {
            ++p;
            while (*p && *p != '"') {
                word.push_back(*p++);
            }
            if (*p == '"') {
                ++p;
            }
            continue;
        }
        while (*p && *p != ' ') {
            word.push_back(*p++);
        }
    }
    return words;
}

bool runEventLoop(Idler* idler)
{
    static IdleThing idleThing;
    Idler* const chosen = idler ? idler : &idleThing;
    Event event;
    while (getEvent(event, chosen)) {
        dispatch(event);
    }
    return false;
}

}
