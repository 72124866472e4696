#pragma once

#include "base/FilePath.h"
#include "gui/paint/Font.h"
#include "gui/paint/Image.h"

// The loading screen the game window shows while the world is read: drawn with the toolkit's
// rasterizer into an image, which the window shows as a textured quad once GL is bound (one window
// cannot mix a software surface and GL). Main thread only.
class LoaderScreen
{
public:
    static constexpr const char* message = "Loading data file, one moment please...";
    // The splash picture's file, beside the data file (or a member of it once it is registered).
    static constexpr const char* splashFileName = "splash.gif";

    LoaderScreen();

    // Reads the splash picture through the data-file layer; a missing or damaged picture is logged
    // by the image reader and the screen goes without it.
    void readSplash(const heron::FilePath& file);
    // The screen for a window of that size: the splash picture centred on its top-left pixel's
    // colour (without one, grey), and the message in white across the screen 32 pixels above the
    // picture's bottom edge (without one, above the middle).
    const kestrel::Image& picture(int width, int height);

private:
    kestrel::Font m_font;
    kestrel::Image m_splash;
    kestrel::Image m_image;
};
