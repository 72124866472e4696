// Feeds arbitrary bytes to the settings-file parser, then checks that what it kept formats to a
// text that parses back cleanly to the same contents. The seeds are a settings file as the program
// writes it, and the same file with its lines ended by CR alone and by LF CR.
#include "base/Limits.h"
#include "base/files/SettingsFile.h"
#include "fuzz/Seeds.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

namespace
{

std::vector<fuzzseeds::Seed> settingsSeeds()
{
    heron::SettingsFile file;
    const char name[] = "Ann \"the flyer\"";
    const char address[] = {10, 0, 0, 2, 0x09, 0, 0, 0};
    const heron_string video("Software\\Maker\\Product");
    const heron_string network("Software\\Maker\\network");
    const bool made = file.set(video, "Screen Hz", heron::SettingsValue::dword(2)) &&
                      file.set(video, "Texture res", heron::SettingsValue::dword(256, true)) &&
                      file.set(network, "User name", heron::SettingsValue::text(name, sizeof name - 1)) &&
                      file.set(network, "Net address", heron::SettingsValue::binary(address, sizeof address));
    if (!made) {
        std::abort();
    }
    const heron_string formatted = file.format();
    const std::string text(formatted.c_str(), formatted.length());
    return {{"lf", fuzzseeds::bytesOf(text)},
            {"cr", fuzzseeds::bytesOf(std::regex_replace(text, std::regex("\n"), "\r"))},
            {"lf-cr", fuzzseeds::bytesOf(std::regex_replace(text, std::regex("\n"), "\n\r"))}};
}

}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    return fuzzseeds::writeSeeds(argc, argv, settingsSeeds);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > heron::limits::maxSettingsFileSize) {
        return 0;
    }
    heron::SettingsFile file;
    file.parse(reinterpret_cast<const char*>(data), size);
    const heron_string text = file.format();
    heron::SettingsFile again;
    again.parse(text.c_str(), text.length());
    if (again.damagedLines() != 0 || again.format() != text) {
        std::abort();
    }
    return 0;
}
