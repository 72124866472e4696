#pragma once

namespace game_launcher
{

// Tells the player, in an error box and once a session for each kind, what the settings store
// met: a damaged settings file (and where it was kept), one too large to read whole, and settings
// that could not be saved.
// Main thread only.
class SettingsNotices
{
public:
    // Shows the trouble the store met since the last call that was not told yet.
    void tell();

private:
    bool m_toldDamage = false;
    bool m_toldTooLarge = false;
    bool m_toldUnsaved = false;
};

}
