#include "gui/toolkit/ProgramEntry.h"
#include "launcher/Main.h"

int main(int argc, char** argv)
{
    return kestrel::programEntry(argc, argv, &game_launcher::main);
}
