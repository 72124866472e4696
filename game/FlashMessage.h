#pragma once

#include "base/heron_string.h"

#include <cstdint>

namespace kestrel
{
class ImageBody;
}

// A line of text shown large in the middle of the game view for a while, swinging, pulsing and
// changing colour every frame. The world holds at most one. Main thread only.
class FlashMessage
{
public:
    FlashMessage(const heron_string& text, double startTime, double duration);

    // Draws the message for the scene clock's now; false (nothing drawn) once its time is over.
    bool draw(const kestrel::ImageBody& target);

    const heron_string& text() const { return m_text; }
    double startTime() const { return m_startTime; }

    // Degrees the text is turned about the view's axis, t seconds after the start.
    static double angleAt(double t);
    // The text's scale t seconds after the start.
    static double scaleAt(double t);

private:
    heron_string m_text;
    double m_startTime;
    double m_duration;
};

// A random opaque colour 0xFFRRGGBB from the shared generator.
std::uint32_t randomColour();
