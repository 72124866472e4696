#pragma once

#include "launcher/panels/LauncherPanel.h"

#include <cstdint>

namespace game_launcher
{

// The "Problems?" tab: where help is found (English and Spanish).
class ProblemPanel : public LauncherPanel
{
public:
    ProblemPanel();
};

// The "Keys" tab: the game's keys.
class KeyboardPanel : public LauncherPanel
{
public:
    KeyboardPanel();
};

// The "WWW" tab: the link to the game's web page.
class WebPanel : public LauncherPanel
{
public:
    WebPanel();
};

// The "Credits" tab: who made the game, and the audio compression it uses. The English credits
// list the people in one of two orders, by the parity of the seconds at which the panel is made.
class CreditPanel : public LauncherPanel
{
public:
    CreditPanel();
    // The order chosen for the time given in whole seconds: the first when it is odd.
    explicit CreditPanel(std::int64_t seconds);
};

}
