#include "gui/widgets/CardLayout.h"

#include "gui/toolkit/Container.h"


namespace kestrel
{

void CardLayout::getPreferredSize(Container& container, int& width, int& height)
{
    const auto& cards = container.getChildren();
    width = 0;
    height = 0;
    if (m_visibleCard >= 0 && m_visibleCard < static_cast<int>(cards.size())) {
        cards[m_visibleCard]->getPreferredSize(width, height);
    }
    if (m_equalWidth || m_equalHeight) {
        const ChildSizes sizes = measureChildren(container);
        width = m_equalWidth ? sizes.widest : width;
        height = m_equalHeight ? sizes.tallest : height;
    }
    const Insets insets = insetsOf(container);
    width += insets.left + insets.right;
    height += insets.bottom + insets.top;
}

void CardLayout::layoutContainer(Container& container)
{
    const Insets insets = insetsOf(container);
    const Rect bounds = container.getBounds();
    const auto& cards = container.getChildren();
    for (std::size_t i = 0; i < cards.size(); ++i) {
        const bool shown = static_cast<int>(i) == m_visibleCard;
        cards[i]->setVisible(shown);
        if (shown) {
            cards[i]->setBounds(bounds.x + insets.left, bounds.y + insets.bottom,
                                bounds.width - insets.left - insets.right, bounds.height - insets.bottom - insets.top);
        }
    }
}

}
