#include "platform/Backend.h"

#include "platform/SdlBackend.h"

namespace plat
{

namespace
{
Backend* installedBackend = nullptr;
}

Backend& backend()
{
    if (installedBackend) {
        return *installedBackend;
    }
    static SdlBackend sdl;
    return sdl;
}

void setBackend(Backend* installed)
{
    installedBackend = installed;
}

}
