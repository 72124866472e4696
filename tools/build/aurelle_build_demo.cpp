// Builds the demo world's data file:  aurelle_build_demo OUTPUT SOURCES
// Every file of the world is generated (or copied from the folder SOURCES, which holds the look
// file) into a folder beside OUTPUT, packed into OUTPUT, and the folder removed again.
#include "tools/demo/DemoWorld.h"
#include "tools/pack/Packer.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s OUTPUT SOURCES\n", argc > 0 ? argv[0] : "aurelle_build_demo");
        return 2;
    }
    const std::filesystem::path output = argv[1];
    const std::filesystem::path folder = output.string() + ".files";
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    std::string error;
    const bool built = demo::writeDemoWorld(folder, argv[2], error) && packer::packFolder(folder, output, error);
    std::filesystem::remove_all(folder, ignored);
    if (!built) {
        std::fprintf(stderr, "aurelle_build_demo: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
