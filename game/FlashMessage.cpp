#include "game/FlashMessage.h"

#include "base/Debug.h"
#include "game/Look.h"
#include "gui/gl/glFont.h"
#include "gui/paint/Image.h"
#include "scene/core/Clock.h"
#include "scene/math/Random.h"

#include <algorithm>
#include <cmath>

namespace
{

// Column-major model-view for the text: to the centre, turned, scaled, then shifted left by half
// the text's width so that it turns about its middle.
void textMatrix(float* m, double centreX, double centreY, double degrees, double scale, double halfWidth)
{
    const double radians = degrees * M_PI / 180.0;
    const double c = std::cos(radians) * scale;
    const double s = std::sin(radians) * scale;
    const double values[16] = {c, s, 0.0, 0.0, -s, c, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0,
                               centreX - c * halfWidth, centreY - s * halfWidth, 0.0, 1.0};
    for (int i = 0; i < 16; ++i) {
        m[i] = static_cast<float>(values[i]);
    }
}

// 0xAARRGGBB to the GL font's 0xAABBGGRR.
std::uint32_t toFontColour(std::uint32_t argb)
{
    return (argb & 0xFF00FF00u) | ((argb >> 16) & 0xFFu) | ((argb & 0xFFu) << 16);
}

}

FlashMessage::FlashMessage(const heron_string& text, double startTime, double duration)
    : m_text(text), m_startTime(startTime), m_duration(duration)
{
}

double FlashMessage::angleAt(double t)
{
    return 10.0 * std::cos(t);
}

double FlashMessage::scaleAt(double t)
{
    return 1.5 + std::sin(4.0 * t);
}

bool FlashMessage::draw(const kestrel::ImageBody& target)
{
    const double t = finch::Clock::now() - m_startTime;
    if (t > m_duration) {
        return false;
    }
    kestrel::glFont& font = kestrel::glFont::standard();
    if (m_text.empty() || !font.begin(target)) {
        return true;
    }
    float matrix[16];
    textMatrix(matrix, target.width() / 2, target.height() / 2, angleAt(t), scaleAt(t),
               0.5 * font.textWidthOf(m_text));
    // Every channel at least half bright, so the text shows on a dark sky as on a light one.
    font.drawTextRaw(matrix, m_text.c_str(), toFontColour(randomColour() | 0xFF808080u));
    font.end();
    return true;
}

std::uint32_t randomColour()
{
    const float share = finch::Random::global().next();
    return static_cast<std::uint32_t>(share * 16777215.0f) + 0xFF000000u;
}

void Look::setFlash(const heron_string& text, double duration)
{
    heron::debug("Flash \"%s\"\n", text.c_str());
    heron_string shown = text;
    if (!shown.empty() && shown[0] == '%') {
        shown.erase(0, std::min<std::uint32_t>(2, shown.length()));
    }
    m_flash = std::make_unique<FlashMessage>(shown, finch::Clock::now(), duration);
}

void Look::drawFlash(const kestrel::ImageBody& target)
{
    if (m_flash && !m_flash->draw(target)) {
        m_flash.reset();
    }
}
