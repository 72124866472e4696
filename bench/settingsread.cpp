// Reading the settings: the launcher's whole read of a player's settings file (video and network
// keys and another program's key, 13 values), against reading the file's bytes alone, which every
// read of a value must do at least. The ratio says what the parse and the lock add.
#include "base/files/SettingsFile.h"
#include "launcher/GameLauncher.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include <unistd.h>

namespace
{

constexpr const char* playerSettings =
    "; Aurelle settings: [key path] lines, each followed by its \"value name\" = type:value lines.\n"
    "\n"
    "[Software\\Quarry Tools\\Sketcher]\n"
    "\"Last folder\" = sz:\"/home/ann/sketches\"\n"
    "\n"
    "[Software\\Pellmore Interactive Ltd\\Aurelle]\n"
    "\"Enable fog\" = dword:1\n"
    "\"Screen Hz\" = dword:1\n"
    "\"Screen color depth\" = dword:1\n"
    "\"Screen resolution\" = dword:2\n"
    "\"Texture res\" = dword:1\n"
    "\"Use current\" = dword:0\n"
    "\"Use display lists\" = dword:1\n"
    "\n"
    "[Software\\Pellmore Interactive Ltd\\network]\n"
    "\"Act as server\" = dword:0\n"
    "\"Connect to network\" = dword:1\n"
    "\"Net address\" = binary:0200000a39b30000\n"
    "\"User color\" = dword:4227327\n"
    "\"User name\" = sz:\"Ann\"\n";

// A settings folder holding the player's file, for the whole run.
struct SettingsFolder
{
    SettingsFolder()
    {
        char made[] = "/tmp/bench-settingsread-XXXXXX";
        if (mkdtemp(made) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        folder = made;
        file = folder + "/registry.conf";
        std::ofstream(file) << playerSettings;
        heron::SettingsFile::setFolder(folder.c_str());
    }
    ~SettingsFolder()
    {
        std::remove(file.c_str());
        rmdir(folder.c_str());
    }

    std::string folder;
    std::string file;
};

SettingsFolder& settingsFolder()
{
    static SettingsFolder folder;
    return folder;
}

void readFileBytes(benchmark::State& state)
{
    const std::string& file = settingsFolder().file;
    for (auto _ : state) {
        std::ifstream in(file, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(readFileBytes);

void readLauncherSettings(benchmark::State& state)
{
    settingsFolder();
    for (auto _ : state) {
        game_launcher::readUserSettings();
    }
}
BENCHMARK(readLauncherSettings);

}

BENCHMARK_MAIN();
