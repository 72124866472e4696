#include "gui/widgets/ComboBoxList.h"

#include "gui/paint/Font.h"
#include "gui/paint/Graphics.h"
#include "gui/toolkit/Event.h"
#include "gui/widgets/ComboBox.h"
#include "gui/widgets/ScrollPane.h"

#include <algorithm>

namespace kestrel
{

ComboBoxItem::ComboBoxItem(ComboBox& box, ComboBoxInfo& info, int index)
    : m_index(index)
{
    const char* entry = info.itemText(index);
    setFont(box.getFont());
    setText(entry ? entry : "");
    setEnabled(box.isEnabled());
}

void ComboBoxItem::getPreferredSize(int& width, int& height)
{
    width = textWidth() + 2 * font->averageWidth();
    height = font->height() + 4 + font->externalLeading();
}

void ComboBoxItem::draw(Graphics& graphics)
{
    if (!enabled) {
        graphics.setColor(GuiColor::GREY_TEXT);
    } else if (m_hover) {
        graphics.setColor(GuiColor::HIGHLIGHT);
        graphics.fillRect(bounds);
        graphics.setColor(GuiColor::HIGHLIGHTED_TEXT);
    } else {
        graphics.setColor(GuiColor::WINDOW_TEXT);
    }
    const int baseline = bounds.y + font->descent() + font->externalLeading() / 2;
    graphics.drawText(text, *font, bounds.x + font->averageWidth(), baseline);
}

void ComboBoxItem::handleMouse(Event& event)
{
    switch (event.type) {
    case Event::MouseEnter:
    case Event::MouseLeave:
        m_hover = event.type == Event::MouseEnter;
        redrawNow();
        return;
    case Event::LeftRelease:
        sendMessage(m_index);
        closeOpenPopup();
        return;
    default:
        return;
    }
}

void ComboLayout::getPreferredSize(Container& container, int& width, int& height)
{
    const Insets insets = insetsOf(container);
    width = 0;
    height = 2;
    for (const auto& child : container.getChildren()) {
        int w = 0;
        int h = 0;
        child->getPreferredSize(w, h);
        width = std::max(width, w);
        height += h + child->getFont()->externalLeading();
    }
    width += insets.left + insets.right;
    height += insets.bottom + insets.top;
}

void ComboLayout::layoutContainer(Container& container)
{
    const Insets insets = insetsOf(container);
    const Rect b = container.getBounds();
    int top = b.y + b.height - insets.top - 1;
    for (const auto& child : container.getChildren()) {
        int w = 0;
        int h = 0;
        child->getPreferredSize(w, h);
        top -= h;
        child->setBounds(b.x + insets.left, top, b.width - insets.left - insets.right, h);
    }
}

ComboBoxPane::ComboBoxPane(ComboBox& box, ComboBoxInfo& info, int rows)
    : m_box(box)
{
    setText("ComboBoxPane");
    auto* inner = new Container;
    inner->setLayout(new ComboLayout);
    const int count = info.itemCount();
    for (int i = 0; i < count; ++i) {
        auto* item = new ComboBoxItem(box, info, i);
        item->setActionListener(this, 0);
        inner->add(item);
        m_items.push_back(item);
        int w = 0;
        int h = 0;
        item->getPreferredSize(w, h);
        if (i < rows) {
            m_height += h;
        }
        m_width = std::max(m_width, w);
    }
    m_scroll = new ScrollPane(inner);
    m_scroll->setBorder(false);
    add(m_scroll);
    if (count > rows) {
        int w = 0;
        int h = 0;
        m_scroll->verticalBar().getPreferredSize(w, h);
        m_width += w;
    }
}

void ComboBoxPane::getPreferredSize(int& width, int& height)
{
    const Insets insets = insetsOf(*this);
    width = m_width + insets.left + insets.right;
    height = m_height + insets.bottom + insets.top;
}

void ComboBoxPane::handleMessage(const ComponentMessage& message)
{
    m_box.setSelectedIndex(message.argument);
    m_box.redrawNow();
    m_box.sendMessage(message.argument);
}

ComboBoxList::ComboBoxList(ComboBox& box, ComboBoxInfo& info, int rows)
    : Window(box.getWindow())
{
    m_pane = new ComboBoxPane(box, info, rows);
    add(m_pane);
}

void ComboBoxList::drawBackground(Graphics& graphics)
{
    graphics.setColor(GuiColor::WINDOW);
    graphics.fillRect(bounds);
    graphics.setColor(GuiColor::BUTTON_SHADOW);
    graphics.drawRect(bounds);
}

}
