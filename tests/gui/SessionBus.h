#pragma once

#include <cstdlib>

// Starting the video subsystem without a session bus address makes the bus library try to autolaunch one
// (and leak what it read). Tests that start video point it at no bus instead; a real address is kept.
inline void avoidSessionBus()
{
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent", 0);
}
