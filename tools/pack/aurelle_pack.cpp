// Packs a folder into a packed data file:  aurelle_pack FOLDER OUTPUT
#include "tools/pack/Packer.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FOLDER OUTPUT\n", argc > 0 ? argv[0] : "aurelle_pack");
        return 2;
    }
    std::string error;
    if (!packer::packFolder(argv[1], argv[2], error)) {
        std::fprintf(stderr, "aurelle_pack: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
