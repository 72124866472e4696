#include "game/LoaderScreen.h"

#include "gui/paint/BitmapGraphics.h"
#include "gui/paint/Rect.h"

namespace
{

constexpr std::uint32_t grey = 0x7F7F7F;
constexpr std::uint32_t white = 0xFFFFFF;
// The message stands this far above the middle of the screen.
constexpr int messageLift = 32;

}

LoaderScreen::LoaderScreen() : m_font(kestrel::FontKey{kestrel::FontKey::sansSerifFace, 20, 0})
{
}

const kestrel::Image& LoaderScreen::picture(int width, int height)
{
    if (m_image.width() == width && m_image.height() == height) {
        return m_image;
    }
    const kestrel::Rect screen{0, 0, width, height};
    kestrel::BitmapGraphics graphics;
    graphics.begin(nullptr, screen);
    graphics.setRGB(grey);
    graphics.fillRect(screen);
    graphics.setRGB(white);
    const int textWidth = m_font.textWidth(message);
    graphics.drawText(message, m_font, (width - textWidth) / 2, height / 2 + messageLift);
    graphics.endPaint();
    m_image = graphics.image();
    return m_image;
}
