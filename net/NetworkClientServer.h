#pragma once

#include "base/heron_string.h"
#include "base/net/NetAddress.h"

#include <cstddef>

// What every part of network play shares: the game's port, the clock it paces and replays by,
// and the connection status the console shows. Main thread only.

// The TCP port the server listens on and clients connect to.
constexpr int gamePort = 45321;

// Seconds of the base library's clock, or of the clock a test set; it runs on while the game is
// paused, since pings, motion and replay keep going then.
double networkNow();
// Makes clock the network's clock (null: the base library's seconds clock).
void setNetworkClock(double (*clock)());

// Where this machine stands in network play.
struct ConnectionState
{
    enum class Mode
    {
        alone,
        serving,
        connecting,
        connected
    };

    Mode mode = Mode::alone;
    // Connected players, while serving.
    std::size_t players = 0;
    // The server, while connecting or connected.
    heron::NetAddress server;
};

// "Running as a server with %d connections", "Connecting to a.b.c.d", "Connected to a.b.c.d" or
// "Not connected".
heron_string connectionStatus(const ConnectionState& state);
