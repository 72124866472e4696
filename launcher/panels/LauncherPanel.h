#pragma once

#include "gui/toolkit/Container.h"
#include "launcher/panels/LauncherPage.h"

#include <array>
#include <string_view>

namespace game_launcher
{

// The texts of one page, in UTF-8, one per language number (empty: none).
using PageTexts = std::array<std::string_view, textLanguages>;

// Validates the window the component is in, so that every page and control follows the settings,
// and marks it for painting; nothing outside a window.
void refreshWindowOf(kestrel::Component& component);

// A launcher tab: a column whose first part is the page of texts; panels with controls add them
// below it.
class LauncherPanel : public kestrel::Container
{
public:
    LauncherPanel();

    LauncherPage& page() { return *m_page; }

protected:
    // Gives the page every text there is, each in the font of the size.
    void addTexts(const PageTexts& texts, int size);

private:
    LauncherPage* m_page;
};

}
