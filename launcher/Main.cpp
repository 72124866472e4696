#include "launcher/Main.h"

#include <cstdio>

namespace game_launcher
{

int main(const std::vector<heron_string>& words)
{
    std::fputs("Aurelle: the launcher window is not part of this build yet; nothing to show.\n", stderr);
    return 0;
}

}
