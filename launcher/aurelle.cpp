#include <cstdio>

// The program cannot start yet: the launcher and the game are still being built.
int main()
{
    std::fputs("aurelle: the launcher is not built yet; this build only runs the test suite.\n", stderr);
    return 1;
}
