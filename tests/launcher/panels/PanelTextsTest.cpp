// The launcher's texts in every language agree with the game they describe.
#include "launcher/panels/PanelTexts.h"

#include <gtest/gtest.h>

#include <string>

using namespace game_launcher;

TEST(PanelTexts, EveryKeyListNamesTheGravityKey)
{
    for (int language = 0; language < textLanguages; ++language) {
        EXPECT_NE(keyListText(language).find("<tt>G.."), std::string::npos) << language;
    }
}

// Escape pauses the game, and the paused game offers F1 and F4 (and Escape to go on).
TEST(PanelTexts, EveryWelcomeTextNamesTheKeysThePausedGameOffers)
{
    for (int language = 0; language < textLanguages; ++language) {
        const std::string text(welcomeTexts()[static_cast<std::size_t>(language)]);
        EXPECT_NE(text.find("<b>F1</b>"), std::string::npos) << language;
        EXPECT_NE(text.find("<b>F4</b>"), std::string::npos) << language;
    }
}
