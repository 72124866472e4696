#include "launcher/SettingsNotices.h"

#include "base/files/SettingsFile.h"
#include "gui/toolkit/MessageBox.h"

namespace game_launcher
{

namespace
{

constexpr const char* caption = "Settings:";
constexpr const char* damagedText = "Your settings file was damaged; the old file was kept as\n";
constexpr const char* tooLargeText =
    "Your settings file is too large: the lines that fit were read,\nand changed settings are not saved to\n";
constexpr const char* unsavedText = "Your settings could not be saved. game.log says why.";

// Shows the text unless it was told already this session.
void tellOnce(bool& told, const heron_string& text)
{
    if (told) {
        return;
    }
    told = true;
    kestrel::errorBox(text.c_str(), caption);
}

}

void SettingsNotices::tell()
{
    const heron::SettingsFile::Trouble trouble = heron::SettingsFile::takeTrouble();
    if (!trouble.damagedCopy.empty()) {
        tellOnce(m_toldDamage, damagedText + trouble.damagedCopy);
    }
    if (!trouble.tooLarge.empty()) {
        tellOnce(m_toldTooLarge, tooLargeText + trouble.tooLarge);
    }
    if (trouble.unsaved) {
        tellOnce(m_toldUnsaved, unsavedText);
    }
}

}
