#include "gui/widgets/ScrollBar.h"

#include "gui/paint/Graphics.h"
#include "gui/toolkit/Event.h"
#include "gui/widgets/BorderLayout.h"
#include "gui/widgets/GuiRenderer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace kestrel
{

bool RepeatTimer::due(double time)
{
    if (time < m_next) {
        return false;
    }
    m_next = time + interval;
    return true;
}

ScrollBarButton::ScrollBarButton(ScrollBar& owner, int code)
    : m_owner(owner), m_code(code)
{
}

void ScrollBarButton::getThemePart(int& part, int& state) const
{
    part = part::scrollArrow;
    state = m_code | (buttonState() & 0xFF);
}

void ScrollBarButton::handleMouse(Event& event)
{
    Button::handleMouse(event);
    if (event.type == Event::LeftPress) {
        m_owner.sendMessage(m_code);
        m_repeat.start(toolkitTime());
        startUpdating(this);
    } else if (event.type == Event::LeftRelease) {
        stopUpdating(this);
    }
}

bool ScrollBarButton::update()
{
    if (isArmed() && m_repeat.due(toolkitTime())) {
        m_owner.sendMessage(m_code);
    }
    return false;
}

ScrollBarBar::ScrollBarBar(ScrollBar& owner)
    : m_owner(owner)
{
    useGuiRenderer();
}

ScrollBarBar::~ScrollBarBar() = default;

int ScrollBarBar::length() const
{
    return m_owner.isVertical() ? bounds.height : bounds.width;
}

int ScrollBarBar::along(int x, int y) const
{
    return m_owner.isVertical() ? bounds.y + bounds.height - 1 - y : x - bounds.x;
}

int ScrollBarBar::thumbLength()
{
    const int total = m_owner.total();
    const int visible = m_owner.visibleSize();
    const int barLength = length();
    if (total <= visible || barLength < 1) {
        return 0;
    }
    PartMetrics metrics;
    const int orientation = m_owner.isVertical() ? partState::vertical : partState::horizontal;
    GuiRenderer::current().getPartMetrics(metrics, part::scrollThumb, orientation, *this);
    const int minimum = m_owner.isVertical() ? metrics.preferredHeight : metrics.preferredWidth;
    const auto proportional = static_cast<int>(static_cast<std::int64_t>(visible) * barLength / total);
    return std::min(std::max(proportional, minimum), barLength);
}

int ScrollBarBar::thumbOffset()
{
    const int thumb = thumbLength();
    if (thumb == 0) {
        return 0;
    }
    const double scale = static_cast<double>(length() - thumb) / (m_owner.total() - m_owner.visibleSize());
    const auto offset = static_cast<int>(std::lround(m_owner.position() * scale));
    return std::clamp(offset, 0, length() - thumb);
}

// The track shows even with nothing to scroll (a bar shown always): left unpainted, the space
// between the arrows would show whatever lay there before.
void ScrollBarBar::draw(Graphics& graphics)
{
    GuiRenderer& renderer = GuiRenderer::current();
    const int disabled = enabled ? 0 : partState::disabled;
    renderer.paintPart(graphics, part::scrollTrack, disabled, bounds);
    const int thumb = thumbLength();
    if (thumb == 0) {
        return;
    }
    const int offset = thumbOffset();
    const bool vertical = m_owner.isVertical();
    const Rect r = vertical ? Rect{bounds.x, bounds.y + bounds.height - offset - thumb, bounds.width, thumb}
                            : Rect{bounds.x + offset, bounds.y, thumb, bounds.height};
    int state = vertical ? partState::vertical : partState::horizontal;
    state |= m_dragging ? partState::pressed : m_hover ? partState::hot : 0;
    renderer.paintPart(graphics, part::scrollThumb, state | disabled, r);
}

int ScrollBarBar::pagingCode(int x, int y)
{
    const int thumb = thumbLength();
    if (thumb == 0) {
        return 0;
    }
    const int offset = thumbOffset();
    const int a = along(x, y);
    const bool vertical = m_owner.isVertical();
    if (a < offset) {
        return vertical ? scrollCode::up : scrollCode::left;
    }
    if (a >= offset + thumb) {
        return vertical ? scrollCode::down : scrollCode::right;
    }
    return 0;
}

void ScrollBarBar::handleMouse(Event& event)
{
    switch (event.type) {
    case Event::MouseEnter:
    case Event::MouseLeave:
        m_hover = event.type == Event::MouseEnter;
        redrawNow();
        return;
    case Event::LeftPress:
        press(event.x, event.y);
        return;
    case Event::MouseMove:
        m_mouseX = event.x;
        m_mouseY = event.y;
        if (m_dragging) {
            drag(event.x, event.y);
        }
        return;
    case Event::LeftRelease:
        release();
        return;
    default:
        return;
    }
}

void ScrollBarBar::press(int x, int y)
{
    m_mouseX = x;
    m_mouseY = y;
    if (thumbLength() == 0) {
        return;
    }
    const int code = pagingCode(x, y);
    setFocus();
    if (code != 0) {
        m_paging = true;
        m_pagingCode = code;
        m_repeat.start(toolkitTime());
        startUpdating(this);
        m_owner.sendMessage(code);
        return;
    }
    m_dragging = true;
    m_grab = along(x, y) - thumbOffset();
    m_dragStartPosition = m_owner.position();
    m_owner.sendMessage(scrollCode::dragStart);
}

// A thumb that fills its track (a short bar) cannot move, so dragging it leaves the position.
void ScrollBarBar::drag(int x, int y)
{
    const int room = length() - thumbLength();
    if (room <= 0) {
        return;
    }
    const int snap = GuiRenderer::current().dragSnapDistance();
    const Rect near{bounds.x - snap, bounds.y - snap, bounds.width + 2 * snap, bounds.height + 2 * snap};
    int position = m_dragStartPosition;
    if (near.contains(x, y)) {
        const int range = m_owner.total() - m_owner.visibleSize();
        const double scale = static_cast<double>(range) / room;
        position = static_cast<int>(std::lround((along(x, y) - m_grab) * scale));
    }
    if (m_owner.scrollTo(position)) {
        m_owner.sendMessage(scrollCode::dragChange);
    }
}

void ScrollBarBar::release()
{
    if (m_dragging) {
        m_dragging = false;
        releaseFocus();
        redrawNow();
        m_owner.sendMessage(scrollCode::dragEnd);
    } else if (m_paging) {
        m_paging = false;
        releaseFocus();
        stopUpdating(this);
    }
}

void ScrollBarBar::captureLost()
{
    m_dragging = false;
    m_paging = false;
    stopUpdating(this);
    redrawNow();
}

bool ScrollBarBar::update()
{
    if (m_paging && m_repeat.due(toolkitTime()) && pagingCode(m_mouseX, m_mouseY) == m_pagingCode) {
        m_owner.sendMessage(m_pagingCode);
    }
    return false;
}

ScrollBar::ScrollBar(Orientation orientation)
    : m_vertical(orientation == Orientation::Vertical)
{
    setText("Scroll Bar");
    setLayout(new BorderLayout);
    m_start = new ScrollBarButton(*this, m_vertical ? scrollCode::up : scrollCode::left);
    m_end = new ScrollBarButton(*this, m_vertical ? scrollCode::down : scrollCode::right);
    m_bar = new ScrollBarBar(*this);
    add(m_start, m_vertical ? BorderLayout::North : BorderLayout::West);
    add(m_end, m_vertical ? BorderLayout::South : BorderLayout::East);
    add(m_bar, BorderLayout::Centre);
}

ScrollBar::~ScrollBar() = default;

int ScrollBar::visibleSize() const
{
    return m_vertical ? bounds.height : bounds.width;
}

int ScrollBar::maxPosition() const
{
    return std::max(m_total - visibleSize(), 0);
}

bool ScrollBar::scrollTo(int position)
{
    const int clamped = std::clamp(position, 0, maxPosition());
    if (clamped == m_position) {
        return false;
    }
    m_position = clamped;
    return true;
}

}
