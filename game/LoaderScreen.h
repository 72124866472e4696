#pragma once

#include "gui/paint/Font.h"
#include "gui/paint/Image.h"

// The loading screen the game window shows while the world is read: drawn with the toolkit's
// rasterizer into an image, which the window shows as a textured quad once GL is bound (one window
// cannot mix a software surface and GL). Main thread only.
class LoaderScreen
{
public:
    static constexpr const char* message = "Loading data file, one moment please...";

    LoaderScreen();

    // The screen for a window of that size: grey, the message in white across the middle.
    const kestrel::Image& picture(int width, int height);

private:
    kestrel::Font m_font;
    kestrel::Image m_image;
};
