#pragma once

#include "gui/paint/Image.h"

// The picture of the demo world's loading screen.
namespace demo
{

// The loading screen's picture, beside the data file and inside it.
constexpr const char* splashFileName = "splash.gif";

// A calm dusk over the shallows, 640 x 480: the sky fades from deep blue down to a warm horizon
// with a low sun, and the dark sea below carries the sun's glints. Fewer than 256 colours, so that
// a GIF holds it exactly; the top-left pixel is the deep blue that fills the screen around it.
kestrel::Image splashImage();

}
