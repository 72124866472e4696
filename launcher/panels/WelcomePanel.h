#pragma once

#include "gui/toolkit/ComponentGroup.h"
#include "gui/toolkit/Container.h"
#include "gui/widgets/CardLayout.h"
#include "gui/widgets/ComboBox.h"
#include "launcher/GameStarter.h"
#include "launcher/panels/LauncherPanel.h"

namespace kestrel
{
class Checkbox;
}

namespace game_launcher
{

// The entries of the screen-mode combo boxes: the resolutions, and the depths with " color".
class ResolutionCombo : public kestrel::ComboBoxInfo
{
public:
    int itemCount() override { return 5; }
    const char* itemText(int index) override;
};

class DepthCombo : public kestrel::ComboBoxInfo
{
public:
    int itemCount() override { return 2; }
    const char* itemText(int index) override;
};

extern ResolutionCombo rcombo;
extern DepthCombo dcombo;

// Four flags in two rows; a click makes the flag's language the current one and shows it
// everywhere in the window at once.
class FlagRow : public kestrel::Container, public kestrel::MessageDest
{
public:
    // The flags firstFlag .. firstFlag + 3.
    explicit FlagRow(int firstFlag);

    void handleMessage(const kestrel::ComponentMessage& message) override;
};

// English, Spanish, French and German.
class LeftFlags : public FlagRow
{
public:
    LeftFlags() : FlagRow(English) {}
};

// Italian, Polish, Danish and Japanese, which has no texts: its flag opens "japanese.pdf" from the
// program's folder and the pages show English.
class RightFlags : public FlagRow
{
public:
    RightFlags() : FlagRow(Italian) {}

    void handleMessage(const kestrel::ComponentMessage& message) override;
};

// "Use current display settings" and, while it is off, the screen mode to play in. Each change is
// written to the settings at once.
class VideoSettingsControls : public kestrel::Container, public kestrel::MessageDest
{
public:
    enum Command : std::uint32_t
    {
        UseCurrent = 0,
        Resolution = 1,
        Depth = 2,
    };

    VideoSettingsControls();

    void handleMessage(const kestrel::ComponentMessage& message) override;
    // The controls show the settings.
    void validate() override;
    void draw(kestrel::Graphics& graphics) override;

private:
    kestrel::Checkbox* m_useCurrent;
    kestrel::ComboBox* m_resolution;
    kestrel::ComboBox* m_depth;
    kestrel::ComponentGroup m_modeRow;
};

// The first tab: the welcome text, the flags, the screen mode, "Start game" and "Exit".
class WelcomePanel : public LauncherPanel, public kestrel::MessageDest
{
public:
    enum Command : std::uint32_t
    {
        StartGame = 10,
        Exit = 11,
    };

    explicit WelcomePanel(GameStarter& starter);

    // Writes the video and network settings, then starts the game or closes the launcher.
    void handleMessage(const kestrel::ComponentMessage& message) override;

private:
    kestrel::Container* controlsCard();
    kestrel::Container* loadingCard();

    GameStarter& m_starter;
    kestrel::CardLayout* m_cards;
};

}
