#include "net/NetworkClientServer.h"

heron_string connectionStatus()
{
    return "Not connected";
}
