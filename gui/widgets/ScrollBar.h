#pragma once

#include "gui/toolkit/Container.h"
#include "gui/toolkit/Updatable.h"
#include "gui/widgets/Button.h"

namespace kestrel
{

class ScrollBar;

// What a scroll bar sends its listener: a step towards the start or the end (from an arrow or a
// press beside the thumb), or the course of a thumb drag.
namespace scrollCode
{
constexpr int dragStart = 0;
constexpr int dragChange = 1;
constexpr int dragEnd = 2;
constexpr int up = 0x10000;
constexpr int down = 0x20000;
constexpr int left = 0x40800;
constexpr int right = 0x80000;
}

// Times a held repeat: the first comes half a second after the press, later ones every 0.05 s.
class RepeatTimer
{
public:
    void start(double now) { m_next = now + firstDelay; }
    // True when a repeat is due at `now`; the next one is then counted from now.
    bool due(double now);

    static constexpr double firstDelay = 0.5;
    static constexpr double interval = 0.05;

private:
    double m_next = 0.0;
};

// The arrow at one end of a scroll bar: a press steps once at once and, while held with the
// pointer inside, again on the repeat timer.
class ScrollBarButton : public Button
{
public:
    ScrollBarButton(ScrollBar& owner, int code);

    void getThemePart(int& part, int& state) const override;
    void handleMouse(Event& event) override;
    // Steps are sent on press and repeat, never on release.
    void click() override {}
    bool update() override;

private:
    ScrollBar& m_owner;
    int m_code;
    RepeatTimer m_repeat;
};

// The track between the arrows with its thumb. A press beside the thumb steps towards that side
// at once and then on the repeat timer until the thumb reaches the pointer; a press on the thumb
// drags it (given up, back where it was, while the pointer is farther than the renderer's snap
// distance from the bar).
class ScrollBarBar : public Component, public Updatable
{
public:
    explicit ScrollBarBar(ScrollBar& owner);
    ~ScrollBarBar() override;

    void draw(Graphics& graphics) override;
    void handleMouse(Event& event) override;
    // A drag ends where the thumb is, untold; paging stops.
    void captureLost() override;
    bool update() override;

    // The thumb's offset from the start of the bar (the top, or the left end) and its length;
    // length 0 while the whole page is visible.
    int thumbOffset();
    int thumbLength();
    bool isDragging() const { return m_dragging; }

private:
    // Length of the bar along its axis.
    int length() const;
    // Distance of a point from the start of the bar along its axis.
    int along(int x, int y) const;
    // The step code towards the point, 0 when the point lies on the thumb.
    int pagingCode(int x, int y);
    void press(int x, int y);
    void drag(int x, int y);
    void release();

    ScrollBar& m_owner;
    bool m_hover = false;
    bool m_dragging = false;
    bool m_paging = false;
    int m_pagingCode = 0;
    int m_grab = 0;                 // where along the thumb it was taken
    int m_dragStartPosition = 0;
    int m_mouseX = 0;
    int m_mouseY = 0;
    RepeatTimer m_repeat;
};

// A scroll bar: an arrow at each end and the track with its thumb between. It shows `position`
// of a page `total` long through a view as long as the bar itself, and reports steps and drags
// to its listener (with its own command id). Main thread only.
class ScrollBar : public Container
{
public:
    enum class Orientation
    {
        Vertical,
        Horizontal,
    };

    explicit ScrollBar(Orientation orientation);
    ~ScrollBar() override;

    bool isVertical() const { return m_vertical; }
    int position() const { return m_position; }
    // Stores the position as given; scrollTo clamps.
    void setPosition(int position) { m_position = position; }
    int total() const { return m_total; }
    void setTotal(int total) { m_total = total; }
    // The length of the view: the bar's own height (vertical) or width.
    int visibleSize() const;
    // The largest position: total less the visible size, 0 for a page shorter than the view.
    int maxPosition() const;
    // Clamps the position into 0 .. maxPosition and stores it; true when it changed.
    bool scrollTo(int position);

    ScrollBarBar& bar() { return *m_bar; }

private:
    bool m_vertical;
    int m_position = 0;
    int m_total = 10;
    ScrollBarButton* m_start;
    ScrollBarButton* m_end;
    ScrollBarBar* m_bar;
};

}
