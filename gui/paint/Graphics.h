#pragma once

#include "gui/paint/GuiColor.h"
#include "gui/paint/Rect.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

class heron_string;

namespace kestrel
{

class Font;
class Image;
class Window;

// The 2-D drawing surface every component paints through. Coordinates are the window's, with
// the origin at its bottom-left and y upwards. A stack of clip rectangles limits drawing; while
// the top one is empty, implementations draw nothing. GUI thread only.
class Graphics
{
public:
    // Most clip rectangles the stack holds.
    static constexpr std::size_t maxClipDepth = 10000;

    Graphics();
    virtual ~Graphics();
    Graphics(const Graphics&) = delete;
    Graphics& operator=(const Graphics&) = delete;

    // Opens a paint of the rectangle of a window (null: an off-screen paint): zeroes the child
    // counters, makes the rectangle the base clip entry, then calls beginPaint and setClip.
    void begin(Window* window, const Rect& area);
    // Starts and ends a paint in the implementation; the base does nothing.
    virtual void beginPaint(Window* window);
    virtual void endPaint();

    // Current colour from the palette. The base forwards each form to the other, so an
    // implementation overrides at least one of the two.
    virtual void setColor(GuiColor::gui_color colour);
    virtual void setColor(const GuiColor& colour);
    // Current colour as packed 0x00BBGGRR (red lowest); only the low 24 bits count.
    virtual void setRGB(std::uint32_t colour) = 0;
    virtual void drawPoint(int x, int y) = 0;
    // A line that includes both end points.
    virtual void drawLine(int x1, int y1, int x2, int y2) = 0;
    virtual void fillRect(const Rect& r) = 0;
    // One character with its baseline at y.
    virtual void drawChar(char c, const Font& font, int x, int y) = 0;
    // One Unicode character with its baseline at y. The base draws a Windows-1252 character as
    // its byte and nothing for any other.
    virtual void drawCodePoint(char32_t code, const Font& font, int x, int y);
    // The image centred in the rectangle; nothing for an empty image.
    virtual void drawImageCentered(const Image& image, const Rect& r);
    // The image with its bottom-left pixel at (x, y).
    virtual void drawImage(const Image& image, int x, int y) = 0;
    // Limits drawing to the rectangle (within the paint rectangle).
    virtual void setClip(const Rect& r) = 0;
    virtual void moveTo(int x, int y);
    // Line from the current point to (x, y), which becomes the current point.
    virtual void lineTo(int x, int y);
    // One-pixel outline of the rectangle.
    virtual void drawRect(const Rect& r);
    // Text centred in the rectangle, the ascent centred vertically; nothing for null.
    virtual void drawTextCentered(const heron_string& text, const Font& font, const Rect& r);
    virtual void drawTextCentered(const char* text, const Font& font, const Rect& r);
    // Text with its baseline at y; nothing for null.
    virtual void drawText(const heron_string& text, const Font& font, int x, int y);
    virtual void drawText(const char* text, const Font& font, int x, int y);
    // Where fitted text goes when it is narrower than its width.
    enum class FittedText
    {
        FromLeft,
        Centred,
    };
    // Which pair of palette colours an edge takes: the stronger (1 and 5) or the softer (2 and 4).
    enum class EdgeDepth
    {
        Shallow,
        Deep,
    };

    // Text within width pixels from x: placed as asked when it fits, else only the characters
    // that fit whole, from x.
    virtual void drawTextFitted(const char* text, const Font& font, int x, int y, int width,
                                FittedText placement);
    // Classic 3-D edges in palette colours.
    virtual void draw3DRect(const Rect& r, EdgeDepth depth);
    // Two-pixel sunken border, the inside filled with fill unless it is TRANSPARENT.
    virtual void drawSunkenBevel(const Rect& r, GuiColor::gui_color fill);
    virtual void drawRaisedEdge(const Rect& r);
    virtual void drawRaisedBevel(const Rect& r);
    virtual void drawEtchedRect(const Rect& r, EdgeDepth depth);
    virtual void drawEtchedHLine(int x, int y, int length);
    virtual void drawEtchedVLine(int x, int y, int length);
    // The image's embossed grey look (cached beside the image), bottom-left pixel at (x, y).
    virtual void drawImageDisabled(const Image& image, int x, int y);
    virtual void drawImageDisabledCentered(const Image& image, const Rect& r);
    // Dotted outline of the rectangle.
    virtual void drawFocusRect(const Rect& r);

    // The clip in force: the top of the clip stack (all zero before the first begin).
    const Rect& clipRect() const;
    // Pushes the part of r inside the current clip. At maxClipDepth entries, writes
    // "kestrel::Graphics - Clip stack overflow!" to standard error, changes nothing and returns
    // false.
    bool pushClip(const Rect& r);
    // Pops the top clip. The base entry stays: popping it writes
    // "kestrel::Graphics - Clip stack underflow!" to standard error.
    void popClip();
    std::size_t clipDepth() const { return m_clips.size(); }
    // True while the clip in force is empty.
    bool isClipEmpty() const { return m_clipEmpty; }

    // Children the container painter drew, zeroed by begin.
    void countChildDrawn() { ++m_childrenDrawn; }
    std::uint32_t childrenDrawn() const { return m_childrenDrawn; }

    // The disabled look of an image: dark opaque pixels in the button shadow colour with a
    // one-pixel highlight below and to the right of them, everything else transparent.
    static Image makeDisabledImage(const Image& image);

private:
    // Bottom-left corner that centres the image in r (r's corner along a side of size < 1).
    static std::pair<int, int> centred(const Image& image, const Rect& r);
    void lines(GuiColor::gui_color colour, std::initializer_list<std::pair<int, int>> points);

    int m_x = 0;
    int m_y = 0;
    bool m_clipEmpty = false;
    std::uint32_t m_childrenDrawn = 0;
    std::vector<Rect> m_clips;
};

// A packed colour 0x..BBGGRR (red lowest, the palette's form) as an opaque image pixel 0xFFRRGGBB.
std::uint32_t packedToPixel(std::uint32_t packed);

// Pushes a clip rectangle for its own lifetime, so no return path leaves the stack unbalanced.
class ScopedClip
{
public:
    ScopedClip(Graphics& graphics, const Rect& r)
        : m_graphics(graphics), m_pushed(graphics.pushClip(r))
    {
    }
    ~ScopedClip()
    {
        if (m_pushed) {
            m_graphics.popClip();
        }
    }
    ScopedClip(const ScopedClip&) = delete;
    ScopedClip& operator=(const ScopedClip&) = delete;

private:
    Graphics& m_graphics;
    const bool m_pushed;
};

}
