#pragma once

#include "gui/toolkit/Container.h"
#include "launcher/GameStarter.h"
#include "launcher/VideoSettings.h"

#include <string>
#include <vector>

namespace kestrel
{
class Checkbox;
class RadioButton;
}

namespace game_launcher
{

// Sets the fog, display lists, texture compression and the screen-mode indices of the rating
// (0 "Old" .. 4 "Super"); "Use current" stays. False for another rating, which changes nothing.
bool applyRating(VideoSettings& settings, int rating);

// Selects the button of the index; an index outside the buttons is logged and the nearest end is
// selected. Nothing without buttons.
void selectIndex(const std::vector<kestrel::RadioButton*>& buttons, int index);

// One child in a three-dimensional frame with a title on its top edge.
class BorderedContainer : public kestrel::Container
{
public:
    BorderedContainer(kestrel::Component* child, const char* title);

    void getPreferredSize(int& width, int& height) override;
    void doLayout() override;
    void draw(kestrel::Graphics& graphics) override;

private:
    kestrel::Component* m_child;
};

// "My computer is:" and five presets from "Old" to "Super".
class RatingPanel : public kestrel::Container, public kestrel::MessageDest
{
public:
    RatingPanel();

    void handleMessage(const kestrel::ComponentMessage& message) override;
};

// Every video setting on its own control; each change is written to the settings at once.
// Painting it makes the chosen mode count: "Use current" goes off.
class VideoSetup : public kestrel::Container, public kestrel::MessageDest
{
public:
    VideoSetup();

    void handleMessage(const kestrel::ComponentMessage& message) override;
    void validate() override;
    void draw(kestrel::Graphics& graphics) override;

private:
    // Adds the label and a row of radio buttons with the command ids firstId onwards.
    std::vector<kestrel::RadioButton*> addChoices(int row, const char* label, const std::vector<const char*>& names,
                                                  int firstId);

    std::vector<kestrel::RadioButton*> m_resolutions;
    std::vector<kestrel::RadioButton*> m_depths;
    std::vector<kestrel::RadioButton*> m_refreshRates;
    kestrel::Checkbox* m_compression;
    kestrel::Checkbox* m_fog;
    kestrel::Checkbox* m_acceleration;
};

// The "Options" tab: the rapid and the advanced setup, and "Start game".
class VideoPanel : public kestrel::Container, public kestrel::MessageDest
{
public:
    explicit VideoPanel(GameStarter& starter);

    // Starts the game.
    void handleMessage(const kestrel::ComponentMessage& message) override;

private:
    GameStarter& m_starter;
};

}
