#include "launcher/panels/VideoPanel.h"

#include "base/Debug.h"
#include "gui/paint/Graphics.h"
#include "gui/toolkit/RowLayout.h"
#include "gui/widgets/BorderLayout.h"
#include "gui/widgets/Button.h"
#include "gui/widgets/Checkbox.h"
#include "gui/widgets/ColumnLayout.h"
#include "gui/widgets/RadioButton.h"
#include "gui/widgets/TileLayout.h"
#include "launcher/panels/LauncherPanel.h"
#include "launcher/panels/PanelParts.h"

#include <algorithm>
#include <array>

namespace game_launcher
{

namespace
{

struct Rating
{
    const char* label;
    bool fog;
    bool displayLists;
    bool textureCompression;
    kestrel::ScreenMode mode;
};

constexpr std::array<Rating, 5> ratings{{
    {"Old", false, false, true, {0, 0, 0}},
    {"...", false, false, true, {1, 0, 0}},
    {"Medium", true, true, true, {1, 1, 0}},
    {"...", true, true, true, {2, 1, 1}},
    {"Super", true, true, false, {3, 1, 1}},
}};

// Command ids of the advanced setup: the tens choose the setting, the units the choice.
constexpr int resolutionIds = 0;
constexpr int depthIds = 10;
constexpr int refreshIds = 20;
constexpr std::uint32_t compressionId = 30;
constexpr std::uint32_t fogId = 100;
constexpr std::uint32_t accelerationId = 101;

constexpr int frameInset = 12;
constexpr int titleInset = 20;

void writeSettings()
{
    static_cast<void>(writeVideoSettings(launcherVideoSettings()));     // a failed write is logged by the store
}

}

bool applyRating(VideoSettings& settings, int rating)
{
    if (rating < 0 || rating >= static_cast<int>(ratings.size())) {
        return false;
    }
    const Rating& chosen = ratings[static_cast<std::size_t>(rating)];
    settings.fogEnabled = chosen.fog;
    settings.fullGLacceleration = chosen.displayLists;
    settings.textureCompression = chosen.textureCompression;
    settings.chosenScreenMode = chosen.mode;
    return true;
}

void selectIndex(const std::vector<kestrel::RadioButton*>& buttons, int index)
{
    if (buttons.empty()) {
        return;
    }
    const int last = static_cast<int>(buttons.size()) - 1;
    if (index < 0 || index > last) {
        heron::debug("n was %d\n", index);
    }
    buttons[static_cast<std::size_t>(std::clamp(index, 0, last))]->setSelected();
}

BorderedContainer::BorderedContainer(kestrel::Component* child, const char* title) : m_child(child)
{
    setText(title);
    const int fontHeight = font ? font->height() : 0;
    setInsets(frameInset, titleInset, frameInset, std::max(titleInset, fontHeight));
    add(child);
}

void BorderedContainer::getPreferredSize(int& width, int& height)
{
    m_child->getPreferredSize(width, height);
    width += insetLeft + insetRight;
    height += insetBottom + insetTop;
}

void BorderedContainer::doLayout()
{
    m_child->setBounds(bounds.x + insetLeft, bounds.y + insetBottom, bounds.width - insetLeft - insetRight,
                       bounds.height - insetBottom - insetTop);
    if (kestrel::Container* inner = m_child->asContainer()) {
        inner->doLayout();
    }
}

void BorderedContainer::draw(kestrel::Graphics& graphics)
{
    const int h = (font ? font->height() : 0) + 4;
    const kestrel::Rect frame{bounds.x + 2, bounds.y + 2, bounds.width - 4, bounds.height - 2 - h / 2};
    graphics.drawEtchedRect(frame, kestrel::Graphics::EdgeDepth::Shallow);
    graphics.setColor(kestrel::GuiColor::BUTTON_FACE);
    if (!text.empty()) {
        const kestrel::Rect strip{bounds.x + 8, bounds.y + bounds.height - h, textWidth() + 6, h};
        graphics.fillRect(strip);
        graphics.setColor(kestrel::GuiColor::BUTTON_TEXT);
        graphics.drawTextCentered(text, *font, strip);
    }
    m_child->draw(graphics);
}

RatingPanel::RatingPanel()
{
    add(label("My computer is:"));
    for (std::size_t i = 0; i < ratings.size(); ++i) {
        add(button(ratings[i].label, this, static_cast<std::uint32_t>(i)));
    }
}

void RatingPanel::handleMessage(const kestrel::ComponentMessage& message)
{
    if (!applyRating(launcherVideoSettings(), static_cast<int>(message.id))) {
        return;
    }
    refreshWindowOf(*this);
}

VideoSetup::VideoSetup()
{
    setInsets(16, 16, 16, 16);
    auto* layout = new kestrel::TileLayout;
    layout->setSpacing(8, 20);
    setLayout(layout);
    m_resolutions = addChoices(0, "Screen resolution", {"640 x 480", "800 x 600", "1024 x 768", "1280 x 1024", "1600 x 1200"},
                               resolutionIds);
    m_depths = addChoices(1, "Color depth", {"16 bit", "32 bit"}, depthIds);
    m_refreshRates = addChoices(2, "Refresh rate", {"60 Hz", "75 Hz", "85 Hz"}, refreshIds);

    add(label("Texture compression"), kestrel::TileLayout::cell(3, 0, 1, 1));
    m_compression = checkbox("Enable texture compression", this, compressionId);
    add(m_compression, kestrel::TileLayout::cell(3, 1, 1, 1));

    add(label("OpenGL settings"), kestrel::TileLayout::cell(4, 0, 1, 1));
    auto* column = new kestrel::Container;
    auto* columnLayout = new kestrel::ColumnLayout;
    columnLayout->setGap(4);
    column->setLayout(columnLayout);
    m_fog = checkbox("Enable fog", this, fogId);
    column->add(m_fog);
    m_acceleration = checkbox("Full acceleration (...if you're having problems try turning this off)", this, accelerationId);
    column->add(m_acceleration);
    add(column, kestrel::TileLayout::cell(4, 1, 1, 1));
}

std::vector<kestrel::RadioButton*> VideoSetup::addChoices(int row, const char* text, const std::vector<const char*>& names,
                                                          int firstId)
{
    add(label(text), kestrel::TileLayout::cell(row, 0, 1, 1));
    auto* choices = new kestrel::Container;
    auto* layout = new kestrel::RowLayout;
    layout->setGap(16);
    choices->setLayout(layout);
    std::vector<kestrel::RadioButton*> buttons;
    for (const char* name : names) {
        auto* radio = new kestrel::RadioButton;
        radio->setText(name);
        radio->setActionListener(this, static_cast<std::uint32_t>(firstId + static_cast<int>(buttons.size())));
        choices->add(radio);
        buttons.push_back(radio);
    }
    add(choices, kestrel::TileLayout::cell(row, 1, 1, 1));
    return buttons;
}

void VideoSetup::handleMessage(const kestrel::ComponentMessage& message)
{
    VideoSettings& settings = launcherVideoSettings();
    const int choice = static_cast<int>(message.id % 10);
    const bool checked = message.argument != 0;
    switch (message.id / 10) {
    case resolutionIds / 10:
        settings.chosenScreenMode.resolution = choice;
        break;
    case depthIds / 10:
        settings.chosenScreenMode.depth = choice;
        break;
    case refreshIds / 10:
        settings.chosenScreenMode.refresh = choice;
        break;
    case compressionId / 10:
        settings.textureCompression = checked;
        break;
    case fogId / 10:
        (message.id == fogId ? settings.fogEnabled : settings.fullGLacceleration) = checked;
        break;
    default:
        break;
    }
    writeSettings();
}

void VideoSetup::validate()
{
    const VideoSettings& settings = launcherVideoSettings();
    selectIndex(m_resolutions, settings.chosenScreenMode.resolution);
    selectIndex(m_depths, settings.chosenScreenMode.depth);
    selectIndex(m_refreshRates, settings.chosenScreenMode.refresh);
    m_compression->setChecked(settings.textureCompression);
    m_fog->setChecked(settings.fogEnabled);
    m_acceleration->setChecked(settings.fullGLacceleration);
    Container::validate();
}

void VideoSetup::draw(kestrel::Graphics& graphics)
{
    validate();
    Container::draw(graphics);
    launcherVideoSettings().useCurrentMode = false;
}

VideoPanel::VideoPanel(GameStarter& starter) : m_starter(starter)
{
    auto* layout = new kestrel::BorderLayout;
    setLayout(layout);
    kestrel::Container* row = centredRow(4);
    kestrel::Container* column = centredColumn(20);
    column->add(new BorderedContainer(new RatingPanel, "Rapid setup"));
    column->add(new BorderedContainer(new VideoSetup, "Advanced setup"));
    column->add(button("Start game", this, 0));
    row->add(column);
    add(row, kestrel::BorderLayout::Centre);
}

void VideoPanel::handleMessage(const kestrel::ComponentMessage& message)
{
    m_starter.start();
}

}
