#include "game/NetworkClientServer.h"

heron_string connectionStatus()
{
    return "Not connected";
}
