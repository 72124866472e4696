#include "gui/toolkit/MessageBox.h"

#include "base/Debug.h"
#include "platform/Backend.h"
#include "platform/Windows1252.h"

#include <cstdio>

namespace kestrel
{

int errorBox(const char* text, const char* caption)
{
    const char* const title = caption ? caption : "Error:";
    const char* const body = text ? text : "";
    if (plat::backend().showMessageBox(title, body)) {
        return 1;
    }
    // The terminal reads UTF-8; the log keeps the program's own bytes.
    std::fprintf(stderr, "%s %s\n", plat::windows1252ToUtf8(title).c_str(), plat::windows1252ToUtf8(body).c_str());
    std::fflush(stderr);
    heron::debug("%s %s\n", title, body);
    return 0;
}

int userErrorBox(const char* text)
{
    return errorBox(text, "Kestrel API: user error:");
}

int fatalErrorBox(const char* text)
{
    return errorBox(text, "Fatal error:");
}

void shellOpen(const char* target)
{
    if (!target || !plat::backend().openUrl(target)) {
        heron::debug("Could not open \"%s\"\n", target ? target : "");
    }
}

}
