#include "launcher/panels/LauncherPanel.h"

#include "gui/toolkit/Window.h"
#include "gui/widgets/ColumnLayout.h"

namespace game_launcher
{

void refreshWindowOf(kestrel::Component& component)
{
    kestrel::Window* window = component.getWindow();
    if (!window) {
        return;
    }
    window->validate();
    window->repaint();
}

LauncherPanel::LauncherPanel() : m_page(new LauncherPage)
{
    setInsets(4, 4, 4, 4);
    auto* layout = new kestrel::ColumnLayout;
    layout->setMainAlignment(kestrel::RowLayout::alignMiddle);
    layout->setGap(8);
    layout->setFill();
    setLayout(layout);
    add(m_page);
}

void LauncherPanel::addTexts(const PageTexts& texts, int size)
{
    for (int language = 0; language < textLanguages; ++language) {
        const std::string_view text = texts[static_cast<std::size_t>(language)];
        if (!text.empty()) {
            m_page->addText(language, text, pageFont(size));
        }
    }
}

}
