// Builds the demo world's data file:  aurelle_build_demo OUTPUT SOURCES
// Every file of the world is generated (or copied from the folder SOURCES, which holds the look
// file) into a folder beside OUTPUT, packed into OUTPUT, and the folder removed again. The loading
// screen's picture is also left beside OUTPUT: the game shows it before it opens the data file.
#include "tools/demo/DemoWorld.h"
#include "tools/demo/SplashPicture.h"
#include "tools/pack/Packer.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace
{

// Copies the world's splash picture from folder to beside output; false with the reason in error.
bool placeSplash(const std::filesystem::path& folder, const std::filesystem::path& output, std::string& error)
{
    std::error_code failed;
    std::filesystem::copy_file(folder / demo::splashFileName, output.parent_path() / demo::splashFileName,
                               std::filesystem::copy_options::overwrite_existing, failed);
    if (failed) {
        error = "cannot place the splash picture: " + failed.message();
        return false;
    }
    return true;
}

}

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
    const bool built = demo::writeDemoWorld(folder, argv[2], error) && packer::packFolder(folder, output, error) &&
                       placeSplash(folder, output, error);
    std::filesystem::remove_all(folder, ignored);
    if (!built) {
        std::fprintf(stderr, "aurelle_build_demo: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
