#pragma once

namespace kestrel
{

// Something the event loop runs on every pass with an empty queue (the game window, auto-repeat).
class Updatable
{
public:
    // One step of work; true while busy, so the loop must not idle.
    virtual bool update() = 0;
    // Removes this object from the update list.
    virtual ~Updatable();

    // Appends to the update list unless already there.
    static void startUpdating(Updatable* updatable);
    // Removes every entry equal to it; safe from inside any update.
    static void stopUpdating(Updatable* updatable);
};

// Calls update() on every registered updatable in list order; true when any was busy.
// An update may start or stop any updatable, itself included.
bool runUpdatables();

}
