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

    // Takes the lock at lockPath, or at sparePath (when not empty) when the file at lockPath cannot
    // be opened or locked (a settings folder that cannot be written, a file system without locks).
    explicit SingleInstance(const heron_string& lockPath, const heron_string& sparePath = heron_string());
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    State state() const { return m_state; }
    // Why the lock failed, for State::Failed.
    const heron_string& error() const { return m_error; }

    // "VevoDeze1" in the settings folder, which is made when missing: copies of the program that
    // share their settings and their home are one copy, whatever their runtime folders.
    static heron_string defaultPath();
    // "VevoDeze1" in $XDG_RUNTIME_DIR, or in /tmp with the user id behind it when that is unset
    // or relative: for a settings folder that cannot be written.
    static heron_string sparePath();

private:
    // Opens the file at path and tries its lock; false (the reason in m_error) when the file cannot
    // be opened or locked.
    bool take(const heron_string& path);

    int m_fd = -1;
    State m_state = State::Failed;
    heron_string m_error;
};

}
