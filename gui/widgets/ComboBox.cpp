#include "gui/widgets/ComboBox.h"

#include "gui/paint/Font.h"
#include "gui/paint/Graphics.h"
#include "gui/toolkit/Window.h"
#include "gui/widgets/BorderLayout.h"
#include "gui/widgets/ComboBoxList.h"
#include "gui/widgets/GuiRenderer.h"

#include <algorithm>

namespace kestrel
{

namespace
{

// Characters the text area is wide, besides a margin of one.
constexpr int textColumns = 16;

}

ComboInternals::ComboInternals(ComboBox& box, ComboBoxInfo* info)
    : m_box(box), m_info(info)
{
}

ComboInternals::~ComboInternals() = default;

// The text area measures and draws in the box's font, as the list does.
void ComboInternals::getPreferredSize(int& width, int& height)
{
    const Font& font = *m_box.getFont();
    width = font.averageWidth() * (textColumns + 1) + 6;
    height = font.height() + 2 * font.descent() + 6;
}

void ComboInternals::draw(Graphics& graphics)
{
    const Font& font = *m_box.getFont();
    graphics.setColor(enabled ? GuiColor::WINDOW : GuiColor::BUTTON_FACE);
    graphics.fillRect(bounds);
    graphics.setColor(enabled ? GuiColor::WINDOW_TEXT : GuiColor::GREY_TEXT);
    const int count = m_info ? m_info->itemCount() : 0;
    if (count <= 0) {
        return;
    }
    const int selected = m_box.selectedIndex();
    if (selected < -1 || selected >= count) {
        m_box.setSelectedIndex(-1);
    }
    const char* entry = m_box.selectedIndex() < 0 ? "choose..." : m_info->itemText(m_box.selectedIndex());
    const int x = bounds.x + font.averageWidth() / 2 + 1 + (m_box.hasBorder() ? 2 : 0);
    const int y = bounds.y + (bounds.height - font.ascent()) / 2;
    graphics.drawTextFitted(entry ? entry : "", font, x, y, bounds.x + bounds.width - x,
                            Graphics::FittedText::FromLeft);
}

void ComboInternals::handleMouse(Event& event)
{
    if (event.type == Event::LeftPress) {
        m_box.openList();
    }
}

void ComboInternals::closePopup()
{
    if (m_list) {
        m_list->close();
    }
    m_box.popupClosed();
}

bool ComboInternals::acceptsEvent(Component* target, const Event&)
{
    return target && m_list && target->getWindow() == m_list.get();
}

void ComboInternals::dropList()
{
    if (openPopup() == this) {
        setOpenPopup(nullptr);
    }
    if (!m_list) {
        return;
    }
    m_list->close();
    destroyClosedWindows();
    m_list.reset();
}

void ComboInternals::showList(int rows)
{
    m_list.reset(new ComboBoxList(m_box, *m_info, rows));
    int width = 0;
    int height = 0;
    m_list->pane().getPreferredSize(width, height);
    const Rect box = m_box.getBounds();
    m_list->setWindowType(Window::Popup);
    m_list->setTitle("kestrel ComboBox popup");
    m_list->setBounds(box.x, box.y - height, std::max(width, box.width), height);
    m_list->create();
}

void ComboButton::getThemePart(int& part, int& state) const
{
    part = part::dropDownButton;
    state = buttonState();
}

void ComboButton::getPreferredSize(int& width, int& height)
{
    PartMetrics metrics;
    GuiRenderer::current().getPartMetrics(metrics, part::scrollArrow, partState::arrowDown, *this);
    width = metrics.preferredWidth;
    height = metrics.preferredHeight;
}

void ComboButton::click()
{
    resetMouseState();
    redrawNow();
    m_box.openList();
}

ComboBox::ComboBox(ComboBoxInfo* info)
{
    useGuiRenderer();
    setLayout(new BorderLayout);
    m_text = new ComboInternals(*this, info);
    m_arrow = new ComboButton(*this);
    add(m_text, BorderLayout::Centre);
    add(m_arrow, BorderLayout::East);
    setBorder(true);
}

ComboBox::~ComboBox()
{
    m_text->dropList();
}

void ComboBox::setBorder(bool border)
{
    m_border = border;
    const int inset = border ? 2 : 1;
    setInsets(inset, inset, inset, inset);
}

void ComboBox::getPreferredSize(int& width, int& height)
{
    m_text->getPreferredSize(width, height);
}

void ComboBox::draw(Graphics& graphics)
{
    GuiRenderer::current().paintPart(graphics, part::sunkenField, enabled ? 0 : partState::disabled, bounds);
    Container::draw(graphics);
}

void ComboBox::openList()
{
    ComboBoxInfo* const info = m_text->info();
    const int count = info ? info->itemCount() : 0;
    if (count <= 0 || !window) {
        return;
    }
    m_text->dropList();
    m_text->showList(std::min(maxRows, count));
    popupOpened();
    setOpenPopup(m_text);
}

}
