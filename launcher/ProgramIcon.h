#pragma once

#include "gui/paint/Image.h"

namespace game_launcher
{

// The program's icon, drawn when the program was built (the desktop entry shows the same
// picture): a fresh 48 x 48 image with transparent corners.
kestrel::Image programIcon();

}
