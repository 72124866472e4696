// Feeds arbitrary bytes as desktop clipboard text (UTF-8 from another program) to the code-page
// conversion, and as program text the other way, checking that neither grows without bound and that
// program text survives the round trip.

#include "platform/Windows1252.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (plat::utf8ToWindows1252(bytes).size() > size) {
        std::abort();
    }
    const std::string utf8 = plat::windows1252ToUtf8(bytes);
    if (utf8.size() > 3 * size || plat::utf8ToWindows1252(utf8) != bytes) {
        std::abort();
    }
    return 0;
}
