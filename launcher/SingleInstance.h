#pragma once

#include "base/heron_string.h"

namespace game_launcher
{

// The lock that lets one copy of the program run at a time: an exclusive, non-waiting flock on a
// file, held until the object goes and never unlinked (unlinking would let a later copy lock a new
// file while this one still runs).
class SingleInstance
{
public:
    enum class State
    {
        Taken,         // this copy holds the lock
        HeldElsewhere, // another copy holds it
        Failed         // the lock file could not be opened or locked; see error()
    };

    explicit SingleInstance(const heron_string& lockPath);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    State state() const { return m_state; }
    // Why the lock failed, for State::Failed.
    const heron_string& error() const { return m_error; }

    // "VevoDeze1" in $XDG_RUNTIME_DIR, or in /tmp with the user id behind it when that is unset
    // or relative.
    static heron_string defaultPath();

private:
    int m_fd = -1;
    State m_state = State::Failed;
    heron_string m_error;
};

}
