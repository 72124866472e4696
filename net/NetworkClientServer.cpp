#include "net/NetworkClientServer.h"

#include "base/Debug.h"

#include <cstdio>

namespace
{

double (*&clockSlot())()
{
    static double (*clock)() = nullptr;
    return clock;
}

}

double networkNow()
{
    double (*const clock)() = clockSlot();
    return clock != nullptr ? clock() : heron::getTime();
}

void setNetworkClock(double (*clock)())
{
    clockSlot() = clock;
}

heron_string connectionStatus(const ConnectionState& state)
{
    char text[96];
    switch (state.mode) {
    case ConnectionState::Mode::serving:
        std::snprintf(text, sizeof text, "Running as a server with %zu connections", state.players);
        return text;
    case ConnectionState::Mode::connecting:
    case ConnectionState::Mode::connected:
        std::snprintf(text, sizeof text, "%s to %s",
                      state.mode == ConnectionState::Mode::connecting ? "Connecting" : "Connected",
                      state.server.toString().c_str());
        return text;
    case ConnectionState::Mode::alone:
        break;
    }
    return "Not connected";
}
