#include "launcher/panels/WelcomePanel.h"

#include "base/Debug.h"
#include "content/DataFiles.h"
#include "gui/toolkit/ScreenMode.h"
#include "gui/toolkit/Window.h"
#include "gui/widgets/BorderLayout.h"
#include "gui/widgets/Button.h"
#include "gui/widgets/Checkbox.h"
#include "gui/widgets/ColumnLayout.h"
#include "gui/widgets/Spacer.h"
#include "gui/widgets/TileLayout.h"
#include "launcher/VideoSettings.h"
#include "launcher/document/LinkOpener.h"
#include "launcher/panels/FlagButton.h"
#include "launcher/panels/PanelParts.h"
#include "launcher/panels/PanelTexts.h"
#include "launcher/panels/ServerAddressEntry.h"
#include "net/NetworkSettings.h"

#include <array>
#include <string>

namespace game_launcher
{

ResolutionCombo rcombo;
DepthCombo dcombo;

namespace
{

constexpr int welcomeTextSize = 12;
constexpr int loadingTextSize = 32;

}

const char* ResolutionCombo::itemText(int index)
{
    return kestrel::resolutionNames(index);
}

const char* DepthCombo::itemText(int index)
{
    static const std::array<std::string, 2> names{std::string(kestrel::colourDepthNames(0)) + " color",
                                                  std::string(kestrel::colourDepthNames(1)) + " color"};
    return index >= 0 && index < 2 ? names[static_cast<std::size_t>(index)].c_str() : nullptr;
}

FlagRow::FlagRow(int firstFlag)
{
    auto* layout = new kestrel::TileLayout;
    layout->setSpacing(8, 8);
    setLayout(layout);
    for (int i = 0; i < 4; ++i) {
        auto* flag = new FlagButton(flagImage(firstFlag + i));
        flag->setActionListener(this, static_cast<std::uint32_t>(firstFlag + i));
        add(flag, kestrel::TileLayout::cell(i / 2, i % 2, 1, 1));
    }
}

void FlagRow::handleMessage(const kestrel::ComponentMessage& message)
{
    currentLanguage = static_cast<std::int32_t>(message.id);
    kestrel::Window* window = getWindow();
    if (!window) {
        return;
    }
    window->validate();
    window->redrawNow();
}

void RightFlags::handleMessage(const kestrel::ComponentMessage& message)
{
    if (message.id == Japanese) {
        old_document::openLink(std::string(pelican::dataRoot()) + "japanese.pdf");
    }
    FlagRow::handleMessage(message);
}

VideoSettingsControls::VideoSettingsControls()
    : m_useCurrent(checkbox("Use current display settings", this, UseCurrent)), m_resolution(new kestrel::ComboBox(&rcombo)),
      m_depth(new kestrel::ComboBox(&dcombo))
{
    auto* layout = new kestrel::ColumnLayout;
    layout->setMainAlignment(kestrel::RowLayout::alignMiddle);
    layout->setGap(12);
    setLayout(layout);

    add(m_useCurrent);

    auto* row = new kestrel::Container;
    row->setAddGroup(&m_modeRow);
    row->add(label("Screen mode"));
    m_resolution->setActionListener(this, Resolution);
    row->add(m_resolution);
    row->add(label("in"));
    m_depth->setActionListener(this, Depth);
    row->add(m_depth);
    row->clearAddGroup();
    add(row);

    const heron::counted_ptr<kestrel::Component> measure(label("Screen mode"));
    add(new kestrel::Spacer(measure->textWidth(), 4));
}

void VideoSettingsControls::handleMessage(const kestrel::ComponentMessage& message)
{
    VideoSettings& settings = launcherVideoSettings();
    switch (message.id) {
    case UseCurrent:
        settings.useCurrentMode = message.argument != 0;
        refreshWindowOf(*this);
        break;
    case Resolution:
        settings.chosenScreenMode.resolution = message.argument;
        break;
    case Depth:
        settings.chosenScreenMode.depth = message.argument;
        break;
    default:
        break;
    }
    static_cast<void>(writeVideoSettings(settings));     // a failed write is logged by the store
}

void VideoSettingsControls::validate()
{
    const VideoSettings& settings = launcherVideoSettings();
    m_useCurrent->setChecked(settings.useCurrentMode);
    m_modeRow.setVisible(!settings.useCurrentMode);
    m_resolution->setSelectedIndex(settings.chosenScreenMode.resolution);
    m_depth->setSelectedIndex(settings.chosenScreenMode.depth);
    Container::validate();
}

void VideoSettingsControls::draw(kestrel::Graphics& graphics)
{
    validate();
    Container::draw(graphics);
}

WelcomePanel::WelcomePanel(GameStarter& starter) : m_starter(starter), m_cards(new kestrel::CardLayout)
{
    heron::debug("Adding text to the welcome panel\n");
    addTexts(welcomeTexts(), welcomeTextSize);
    heron::debug("Welcome panel text added\n");
    heron::debug("Creating Welcome panel GUI\n");

    auto* lower = new kestrel::Container;
    m_cards->setEqualWidth();
    m_cards->setEqualHeight();
    lower->setLayout(m_cards);
    lower->add(controlsCard());
    lower->add(loadingCard());
    add(lower);
    heron::debug("Welcome panel GUI created\n");
}

kestrel::Container* WelcomePanel::controlsCard()
{
    auto* card = new kestrel::Container;
    auto* layout = new kestrel::BorderLayout;
    layout->setGaps(20, 1);
    card->setLayout(layout);
    card->add(new LeftFlags, kestrel::BorderLayout::West);

    kestrel::Container* middle = centredColumn(12);
    middle->add(new VideoSettingsControls);
    kestrel::Container* buttons = centredRow(32);
    buttons->add(button("Start game", this, StartGame));
    buttons->add(button("Exit", this, Exit));
    middle->add(buttons);
    card->add(middle, kestrel::BorderLayout::Centre);

    card->add(new RightFlags, kestrel::BorderLayout::East);
    return card;
}

kestrel::Container* WelcomePanel::loadingCard()
{
    kestrel::Container* card = centredRow(4);
    kestrel::Component* loading = label("Loading game data, please wait...");
    loading->setFont(heron::counted_ptr<kestrel::Font>(new kestrel::Font(pageFont(loadingTextSize))));
    card->add(loading);
    return card;
}

void WelcomePanel::handleMessage(const kestrel::ComponentMessage& message)
{
    static_cast<void>(writeVideoSettings(launcherVideoSettings()));     // a failed write is logged by the store
    serverAddressEntry().commit();
    writeNetworkSettings();
    if (message.id == StartGame) {
        m_starter.start();
        return;
    }
    if (message.id == Exit && getWindow()) {
        getWindow()->close();
    }
}

}
