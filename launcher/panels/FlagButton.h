#pragma once

#include "gui/paint/Image.h"
#include "gui/widgets/Button.h"

namespace game_launcher
{

// The flag of a flag number (0..7, the text languages and Japanese): 58 x 39 pixels, painted on
// first use and kept to the end of the program. An unknown number gives an empty image.
const kestrel::Image& flagImage(int flag);

// A copy of the image with red, green and blue each cut to three quarters (truncated); alpha kept.
kestrel::Image darkenedImage(const kestrel::Image& image);

// A button that is a flag: dimmed, and bright while it is held down with the pointer on it.
class FlagButton : public kestrel::Button
{
public:
    explicit FlagButton(const kestrel::Image& flag);

    void getPreferredSize(int& width, int& height) override;
    void draw(kestrel::Graphics& graphics) override;

private:
    kestrel::Image m_flag;
    kestrel::Image m_dimmed;
};

}
