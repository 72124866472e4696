#pragma once

#include "launcher/panels/LauncherPanel.h"

#include <string>
#include <string_view>

// The launcher's texts, in UTF-8 and in the document view's markup; "%%" macros name the people
// and the album in the credits.
namespace game_launcher
{

const PageTexts& welcomeTexts();
const PageTexts& avatarTexts();
// English and Spanish only.
const PageTexts& problemTexts();
// The English credits list the people in the first order.
const PageTexts& creditTexts();
// The English credits with the people in the second order.
std::string_view creditTextSecondOrder();
std::string_view creditFooter();
// English only: the link to the game's web page.
std::string_view webText();
// The link to the list of servers that are up.
std::string_view activeServersText();
// The key list of the language (English for one without texts).
std::string keyListText(int language);

}
