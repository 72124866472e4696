#include "gui/widgets/ColorMixer.h"

#include "gui/gl/GLclient.h"
#include "gui/gl/GLstate.h"
#include "gui/paint/Graphics.h"
#include "gui/paint/Image.h"
#include "gui/toolkit/Event.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kestrel
{

namespace
{

constexpr float degrees = static_cast<float>(std::numbers::pi / 180.0);
constexpr int ringSteps = 64;
constexpr float ringStep = 360.0f / ringSteps;

struct Point
{
    float x;
    float y;
};

void vertex(const Point& p)
{
    vertex3f(p.x, p.y, 0.0f);
}

void setColour(const ColorRGBA& c)
{
    const float rgba[4] = {c.r, c.g, c.b, c.a};
    color4fv(rgba);
}

bool sameHSV(const HSV& a, const HSV& b)
{
    return a.hue == b.hue && a.saturation == b.saturation && a.value == b.value;
}

}

// The mixer's geometry and colour, and its drawing with OpenGL. The triangle is described for
// hue 0 with its apex (the pure hue) straight up, white at the right and black at the left of
// its base; drawing and hit tests turn it by the hue.
class ColorMixerInternals : public GLclient
{
public:
    explicit ColorMixerInternals(int size);

    // Angles in degrees, 0 pointing up and growing anticlockwise.
    Point pointAt(float radius, float angle) const;
    void polarOf(float x, float y, float& radius, float& angle) const;
    // Saturation and value of a point (clamped); true when the point lies in the triangle.
    bool triangleMapping(float x, float y, float& saturation, float& value) const;
    // Sets the drag flags for a press at the point.
    void hitTest(float x, float y);
    // Where the saturation and value put the marker, turned by the hue.
    Point markerPoint() const;

    void paintGL(ImageBody& target) override;
    void paintTriangle() const;
    void paintRing() const;
    void paintHueMarker() const;
    void paintMarker() const;

    int size;
    Image image;
    float centre;
    float outerRadius;
    float innerRadius;
    float triangleSide;
    float triangleHeight;
    float apexY;
    float baseY;
    float baseLeftX;
    float baseRightX;
    ColorRGBA colour{0.0f, 0.0f, 0.0f, 1.0f};
    HSV hsv{0.0f, 0.85f, 0.88f};
    HSV drawnHSV{-1.0f, -1.0f, -1.0f};
    bool draggingRing = false;
    bool draggingTriangle = false;
};

ColorMixerInternals::ColorMixerInternals(int size)
    : size(std::max(size, 1)), image(this->size, this->size)
{
    centre = static_cast<float>(this->size / 2);
    outerRadius = static_cast<float>(this->size) / 2.0f - 1.0f;
    innerRadius = 0.75f * outerRadius;
    triangleSide = 2.0f * innerRadius * std::cos(30.0f * degrees);
    triangleHeight = 1.5f * innerRadius;
    apexY = centre + innerRadius;
    baseY = apexY - triangleHeight;
    baseLeftX = centre - triangleSide / 2.0f;
    baseRightX = centre + triangleSide / 2.0f;
}

Point ColorMixerInternals::pointAt(float radius, float angle) const
{
    return Point{centre - std::sin(angle * degrees) * radius, centre + std::cos(angle * degrees) * radius};
}

void ColorMixerInternals::polarOf(float x, float y, float& radius, float& angle) const
{
    const float dx = x - centre;
    const float dy = y - centre;
    radius = std::hypot(dx, dy);
    angle = std::atan2(-dx, dy) / degrees;
    if (angle < 0.0f) {
        angle += 360.0f;
    }
}

bool ColorMixerInternals::triangleMapping(float x, float y, float& saturation, float& value) const
{
    float radius = 0.0f;
    float angle = 0.0f;
    polarOf(x, y, radius, angle);
    const Point turned = pointAt(radius, angle - (hsv.hue + 120.0f));
    const float v = 1.0f - (turned.y - baseY) / triangleHeight;
    const float s = v > 0.0f ? (turned.x - centre) / (v * triangleSide) + 0.5f : 0.5f;
    value = std::clamp(v, 0.0f, 1.0f);
    saturation = std::clamp(s, 0.0f, 1.0f);
    return value == v && saturation == s;
}

void ColorMixerInternals::hitTest(float x, float y)
{
    draggingRing = false;
    draggingTriangle = false;
    float radius = 0.0f;
    float angle = 0.0f;
    polarOf(x, y, radius, angle);
    if (radius >= innerRadius && radius <= outerRadius) {
        draggingRing = true;
        return;
    }
    float s = 0.0f;
    float v = 0.0f;
    draggingTriangle = triangleMapping(x, y, s, v);
}

Point ColorMixerInternals::markerPoint() const
{
    const Point apex{centre, apexY};
    const Point white{baseRightX, baseY};
    const Point black{baseLeftX, baseY};
    Point p{white.x + hsv.saturation * (apex.x - white.x), white.y + hsv.saturation * (apex.y - white.y)};
    p.x += (1.0f - hsv.value) * (black.x - p.x);
    p.y += (1.0f - hsv.value) * (black.y - p.y);
    float radius = 0.0f;
    float angle = 0.0f;
    polarOf(p.x, p.y, radius, angle);
    return pointAt(radius, angle + hsv.hue);
}

void ColorMixerInternals::paintGL(ImageBody&)
{
    const ColorRGBA background{GuiColor(GuiColor::BUTTON_FACE)};
    const float rgba[4] = {background.r, background.g, background.b, 1.0f};
    clearBuffers(rgba, ClearColour | ClearDepth);
    disableState(GLStateId::DepthTest);
    paintTriangle();
    paintRing();
    paintHueMarker();
    paintMarker();
}

void ColorMixerInternals::paintTriangle() const
{
    beginPrimitive(Primitive::Triangles);
    setColour(ColorRGBA(0.0f, 0.0f, 0.0f));
    vertex(pointAt(innerRadius, hsv.hue + 120.0f));
    setColour(ColorRGBA(1.0f, 1.0f, 1.0f));
    vertex(pointAt(innerRadius, hsv.hue - 120.0f));
    setColour(ColorRGBA::fromHSV(HSV{hsv.hue, 1.0f, 1.0f}));
    vertex(pointAt(innerRadius, hsv.hue));
    endPrimitive();
}

void ColorMixerInternals::paintRing() const
{
    beginPrimitive(Primitive::TriangleStrip);
    for (int k = 0; k <= ringSteps; ++k) {
        const float angle = static_cast<float>(k) * ringStep;
        setColour(ColorRGBA::fromHSV(HSV{angle, 1.0f, 1.0f}));
        vertex(pointAt(innerRadius, angle));
        vertex(pointAt(outerRadius, angle));
    }
    endPrimitive();
}

void ColorMixerInternals::paintHueMarker() const
{
    const float middle = (innerRadius + outerRadius) / 2.0f;
    const Point corners[] = {pointAt(innerRadius + 1.0f, hsv.hue), pointAt(middle, hsv.hue - 4.0f),
                             pointAt(outerRadius - 1.0f, hsv.hue), pointAt(middle, hsv.hue + 4.0f)};
    for (const Primitive primitive : {Primitive::Polygon, Primitive::LineLoop}) {
        beginPrimitive(primitive);
        const float shade = primitive == Primitive::Polygon ? 1.0f : 0.0f;
        setColour(ColorRGBA(shade, shade, shade));
        for (const Point& corner : corners) {
            vertex(corner);
        }
        endPrimitive();
    }
}

// A ring of points with a cross inside, light on dark or dark on light so it shows on any colour.
void ColorMixerInternals::paintMarker() const
{
    const Point p = markerPoint();
    const float x = std::round(p.x);
    const float y = std::round(p.y);
    const bool darkOutline = hsv.value < 0.55f || hsv.saturation > 0.5f;
    beginPrimitive(Primitive::Points);
    setColour(darkOutline ? ColorRGBA(0.0f, 0.0f, 0.0f) : ColorRGBA(1.0f, 1.0f, 1.0f));
    for (int k = -4; k <= 4; ++k) {
        const float f = static_cast<float>(k);
        for (const float side : {-1.0f, 1.0f}) {
            vertex(Point{x + f, y + side});
            vertex(Point{x + side, y + f});
        }
    }
    for (const float side : {-4.0f, 4.0f}) {
        vertex(Point{x + side, y});
        vertex(Point{x, y + side});
    }
    setColour(darkOutline ? ColorRGBA(1.0f, 1.0f, 1.0f) : ColorRGBA(0.0f, 0.0f, 0.0f));
    for (int k = -3; k <= 3; ++k) {
        const float f = static_cast<float>(k);
        vertex(Point{x + f, y});
        vertex(Point{x, y + f});
    }
    endPrimitive();
}

ColorMixer::ColorMixer(int size)
    : m_internals(std::make_unique<ColorMixerInternals>(size))
{
}

ColorMixer::~ColorMixer() = default;

void ColorMixer::setColor(const ColorRGBA& rgba)
{
    HSV hsv = m_internals->hsv;
    rgba.toHSV(hsv);
    m_internals->hsv = hsv;
    m_internals->colour = rgba;
}

const ColorRGBA& ColorMixer::getColor() const
{
    return m_internals->colour;
}

const HSV& ColorMixer::getHSV() const
{
    return m_internals->hsv;
}

void ColorMixer::getPreferredSize(int& width, int& height)
{
    width = m_internals->image.width();
    height = m_internals->image.height();
}

void ColorMixer::draw(Graphics& graphics)
{
    m_paintedDuringMessage = true;
    ColorMixerInternals& in = *m_internals;
    if (!sameHSV(in.hsv, in.drawnHSV)) {
        in.drawnHSV = in.hsv;
        static_cast<void>(renderToImage(in.image, in));    // a failed render leaves noise to show
    }
    graphics.drawImageCentered(in.image, bounds);
}

void ColorMixer::imagePoint(const Event& event, int& x, int& y) const
{
    const Image& image = m_internals->image;
    x = event.x - (bounds.x + (bounds.width - image.width()) / 2);
    y = event.y - (bounds.y + (bounds.height - image.height()) / 2);
}

void ColorMixer::handleMouse(Event& event)
{
    int x = 0;
    int y = 0;
    imagePoint(event, x, y);
    switch (event.type) {
    case Event::LeftPress:
        m_internals->hitTest(static_cast<float>(x), static_cast<float>(y));
        if (m_internals->draggingRing || m_internals->draggingTriangle) {
            m_dragging = true;
            setFocus();
            sendMessage(dragStarted);
            dragTo(x, y);
        }
        return;
    case Event::MouseMove:
        if (m_dragging) {
            dragTo(x, y);
        }
        return;
    case Event::LeftRelease:
        if (m_dragging) {
            m_dragging = false;
            releaseFocus();
            dragTo(x, y);
            sendMessage(dragEnded);
        }
        return;
    default:
        return;
    }
}

void ColorMixer::dragTo(int x, int y)
{
    ColorMixerInternals& in = *m_internals;
    const auto px = static_cast<float>(x);
    const auto py = static_cast<float>(y);
    if (in.draggingRing) {
        float radius = 0.0f;
        in.polarOf(px, py, radius, in.hsv.hue);
    } else if (in.draggingTriangle) {
        static_cast<void>(in.triangleMapping(px, py, in.hsv.saturation, in.hsv.value));
    }
    in.colour = ColorRGBA::fromHSV(in.hsv);
    m_paintedDuringMessage = false;
    sendMessage(colourChanged);
    if (!m_paintedDuringMessage) {
        redrawNow();
    }
}

}
