#include "platform/Clipboard.h"

#include "base/Debug.h"
#include "platform/Windows1252.h"

#include <SDL.h>

namespace plat
{

bool clipboardAvailable()
{
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
        return true;
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
        return true;
    }
    static bool logged = false;
    if (!logged) {
        logged = true;
        heron::debug("Clipboard unavailable: %s\n", SDL_GetError());
    }
    return false;
}

bool hasClipboardText()
{
    return clipboardAvailable() && SDL_HasClipboardText() == SDL_TRUE;
}

std::string getClipboardText()
{
    if (!hasClipboardText()) {
        return {};
    }
    char* const utf8 = SDL_GetClipboardText();
    if (utf8 == nullptr) {
        return {};
    }
    std::string text = utf8ToWindows1252(utf8);
    SDL_free(utf8);
    return text;
}

bool setClipboardText(std::string_view windows1252)
{
    if (!clipboardAvailable()) {
        return false;
    }
    const std::string utf8 = windows1252ToUtf8(windows1252);
    return SDL_SetClipboardText(utf8.c_str()) == 0;
}

}
