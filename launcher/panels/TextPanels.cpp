#include "launcher/panels/TextPanels.h"

#include "launcher/panels/PanelTexts.h"

#include <ctime>

namespace game_launcher
{

namespace
{

constexpr int problemTextSize = 16;
constexpr int keyTextSize = 12;
constexpr int webTextSize = 24;
constexpr int creditTextSize = 16;
constexpr int footerTextSize = 12;

}

ProblemPanel::ProblemPanel()
{
    addTexts(problemTexts(), problemTextSize);
}

KeyboardPanel::KeyboardPanel()
{
    for (int language = 0; language < textLanguages; ++language) {
        page().addText(language, keyListText(language), pageFont(keyTextSize));
    }
}

WebPanel::WebPanel()
{
    page().addText(English, webText(), pageFont(webTextSize));
}

CreditPanel::CreditPanel() : CreditPanel(static_cast<std::int64_t>(std::time(nullptr)))
{
}

CreditPanel::CreditPanel(std::int64_t seconds)
{
    if (seconds % 2 == 0) {
        page().addText(English, creditTextSecondOrder(), pageFont(creditTextSize));
    }
    addTexts(creditTexts(), creditTextSize);
    page().setFooter(creditFooter(), pageFont(footerTextSize));
}

}
