#include "game/LoaderScreen.h"

#include "content/ImageFiles.h"
#include "gui/paint/BitmapGraphics.h"
#include "gui/paint/Rect.h"

namespace
{

constexpr std::uint32_t grey = 0x7F7F7F;
constexpr std::uint32_t white = 0xFFFFFF;
// The message stands this far above the splash picture (above the middle without one).
constexpr int messageLift = 32;

// The colour of the picture's top-left pixel (rows are stored bottom row first), packed as the
// graphics take it: 0xBBGGRR.
std::uint32_t topLeftColour(const kestrel::Image& picture)
{
    const std::uint32_t pixel = *picture.pixelAt(0, picture.height() - 1);
    return ((pixel & 0xFFu) << 16) | (pixel & 0xFF00u) | ((pixel >> 16) & 0xFFu);
}

}

LoaderScreen::LoaderScreen() : m_font(kestrel::FontKey{kestrel::FontKey::sansSerifFace, 20, 0})
{
}

void LoaderScreen::readSplash(const heron::FilePath& file)
{
    m_splash = pelican::loadImageFile(file);
    m_image = kestrel::Image();
}

const kestrel::Image& LoaderScreen::picture(int width, int height)
{
    if (m_image.width() == width && m_image.height() == height) {
        return m_image;
    }
    const kestrel::Rect screen{0, 0, width, height};
    const int pictureX = (width - m_splash.width()) / 2;
    const int pictureY = (height - m_splash.height()) / 2;
    kestrel::BitmapGraphics graphics;
    graphics.begin(nullptr, screen);
    graphics.setRGB(m_splash.isEmpty() ? grey : topLeftColour(m_splash));
    graphics.fillRect(screen);
    graphics.drawImage(m_splash, pictureX, pictureY);
    graphics.setRGB(white);
    const int textWidth = m_font.textWidth(message);
    graphics.drawText(message, m_font, (width - textWidth) / 2, pictureY + m_splash.height() + messageLift);
    graphics.endPaint();
    m_image = graphics.image();
    return m_image;
}
