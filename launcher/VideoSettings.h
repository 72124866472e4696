#pragma once

#include "base/heron_string.h"
#include "gui/toolkit/ScreenMode.h"

namespace game_launcher
{

// The display choices the launcher keeps in the settings store.
struct VideoSettings
{
    bool useCurrentMode = true;        // keep the desktop's mode; chosenScreenMode is ignored
    kestrel::ScreenMode chosenScreenMode;
    bool textureCompression = true;
    bool fullGLacceleration = true;    // display lists and BGRA uploads
    bool fogEnabled = true;
};

// The program-wide settings: the launcher reads them when it opens and writes them when it
// closes; its panels change them and write them after each change. Main thread only.
VideoSettings& launcherVideoSettings();

// The program's key under "Software\": the maker's name, then the program's.
heron_string productRegistryKeyName();

// The defaults for a desktop in the mode given (as getScreenMode gives it): the mode's indices,
// with a refresh index above the last the launcher offers (85 Hz) brought down to it.
VideoSettings defaultVideoSettings(const kestrel::ScreenMode& desktop);
// The defaults, then each stored value that is within its range; others are ignored (logged).
// The result is remembered as the values this session read.
VideoSettings readVideoSettings(const kestrel::ScreenMode& desktop);
// Stores, in one write of the settings file, those of the seven values that differ from the ones
// this session read or last wrote, so that another copy of the program sharing the file keeps the
// changes it made; false (logged by the store) when it cannot be written.
bool writeVideoSettings(const VideoSettings& settings);

}
