#include "launcher/Main.h"

#include "base/Debug.h"
#include "base/FilePath.h"
#include "game/GameWindow.h"
#include "game/Look.h"
#include "gui/gl/GLstate.h"
#include "gui/toolkit/ScreenMode.h"

#include <cstdio>

namespace game_launcher
{

namespace
{

// Until the launcher window exists, "-game" opens the game window straight away on the data file
// beside the program, or on the file named after it.
int playGame(const std::vector<heron_string>& words, std::size_t option)
{
    kestrel::zUp = true;
    const bool named = option + 1 < words.size();
    GameWindow window = named ? GameWindow(kestrel::ScreenMode(), heron::FilePath(words[option + 1]))
                              : GameWindow(kestrel::ScreenMode());
    const bool failed = !window.failureReason().empty();
    if (failed) {
        heron::debug("Game failed to start - reason = \"%s\"\n", window.failureReason().c_str());
        std::fprintf(stderr, "Aurelle: %s\n", window.failureReason().c_str());
    }
    // The world's textures and models go while the shared GL context is still there.
    setCurrentLook(heron::counted_ptr<Look>());
    return failed ? 1 : 0;
}

}

int main(const std::vector<heron_string>& words)
{
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (words[i] == "-game") {
            return playGame(words, i);
        }
    }
    std::fputs("Aurelle: the launcher window is not part of this build yet; start the game with -game.\n", stderr);
    return 0;
}

}
