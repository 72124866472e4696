#pragma once

#include "gui/toolkit/Component.h"
#include "gui/widgets/ColorRGBA.h"

#include <memory>

namespace kestrel
{

class ColorMixerInternals;

// A colour chooser: a ring of hues around a triangle of saturation and value, drawn with OpenGL
// into an image of size x size pixels. Dragging on the ring sets the hue, inside the triangle the
// saturation and value. It sends its listener a code when a drag starts, on every change and
// when the drag ends. Main thread only.
class ColorMixer : public Component
{
public:
    // The codes it sends.
    static constexpr int dragStarted = 0;
    static constexpr int colourChanged = 1;
    static constexpr int dragEnded = 2;

    explicit ColorMixer(int size);
    ~ColorMixer() override;

    // A grey keeps the hue the ring shows.
    void setColor(const ColorRGBA& rgba);
    const ColorRGBA& getColor() const;
    const HSV& getHSV() const;
    bool isDragging() const { return m_dragging; }

    // The image's size.
    void getPreferredSize(int& width, int& height) override;
    // Renders the image again when the colour changed since, and shows it centred.
    void draw(Graphics& graphics) override;
    void handleMouse(Event& event) override;
    // A drag ends where it is, untold.
    void captureLost() override { m_dragging = false; }

private:
    // Applies the drag to the point (relative to the image) and tells the listener.
    void dragTo(int x, int y);
    // The point of the event relative to the image's bottom-left corner.
    void imagePoint(const Event& event, int& x, int& y) const;

    bool m_dragging = false;
    bool m_paintedDuringMessage = false;
    std::unique_ptr<ColorMixerInternals> m_internals;
};

}
