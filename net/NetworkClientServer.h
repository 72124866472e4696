#pragma once

#include "base/heron_string.h"

// What the game sees of network play while it has no connection: the status line the console
// shows. Main thread only.

// "Not connected" while no server runs and no connection exists.
heron_string connectionStatus();
