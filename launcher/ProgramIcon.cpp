#include "launcher/ProgramIcon.h"

#include <cstdint>
#include <iterator>

namespace game_launcher
{

namespace
{

constexpr int iconSide = 48;

constexpr std::uint32_t iconPixels[] = {
#include "launcher/ProgramIconPixels.inc"
};
static_assert(std::size(iconPixels) == iconSide * iconSide, "the icon is drawn 48 pixels square");

}

kestrel::Image programIcon()
{
    return kestrel::Image(iconSide, iconSide, iconPixels);
}

}
