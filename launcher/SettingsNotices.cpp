#include "launcher/SettingsNotices.h"

#include "base/files/SettingsFile.h"
#include "gui/toolkit/MessageBox.h"

namespace game_launcher
{

namespace
{

constexpr const char* caption = "Settings:";
constexpr const char* damagedText = "Your settings file was damaged; the old file was kept as\n";
constexpr const char* unsavedText = "Your settings could not be saved. game.log says why.";

}

void SettingsNotices::tell()
{
    const heron::SettingsFile::Trouble trouble = heron::SettingsFile::takeTrouble();
    if (!trouble.damagedCopy.empty() && !m_toldDamage) {
        m_toldDamage = true;
        kestrel::errorBox((heron_string(damagedText) + trouble.damagedCopy).c_str(), caption);
    }
    if (trouble.unsaved && !m_toldUnsaved) {
        m_toldUnsaved = true;
        kestrel::errorBox(unsavedText, caption);
    }
}

}
