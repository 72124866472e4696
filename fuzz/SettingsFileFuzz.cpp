// Feeds arbitrary bytes to the settings-file parser, then checks that what it kept formats to a
// text that parses back cleanly to the same contents.
#include "base/Limits.h"
#include "base/files/SettingsFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

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
