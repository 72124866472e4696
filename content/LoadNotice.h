#pragma once

#include "base/heron_string.h"

namespace pelican
{

// What a load notice is about.
enum class LoadKind
{
    Image = 0,
    Sound = 1,
    ModelDatabase = 2,
};

// Told of every load that a LoadNotice covers, whether it succeeded or not. May be called on any
// thread that loads (sounds also load on the step sequencer's worker).
class LoadListener
{
public:
    virtual void loaded(LoadKind kind, const heron_string& item, bool succeeded) = 0;

protected:
    ~LoadListener() = default;
};

// Installs the listener (not owned; null removes it). Any thread. Returns once no call into the
// listener it replaces runs on another thread, and none will start: that listener may then be
// destroyed. Called from inside a listener's loaded(), it does not wait for the calls this thread
// is inside. So loaded() must not wait for a thread that may be replacing the listener.
void setLoadListener(LoadListener* listener);

// Covers one load for its lifetime: when it ends, also while an exception passes, it tells the
// listener (if one is installed) about the item and whether done() was called.
class LoadNotice
{
public:
    LoadNotice(LoadKind kind, const heron_string& item);
    ~LoadNotice();
    LoadNotice(const LoadNotice&) = delete;
    LoadNotice& operator=(const LoadNotice&) = delete;

    // Marks the load as succeeded.
    void done() { m_done = true; }

private:
    LoadKind m_kind;
    heron_string m_item;
    bool m_done = false;
};

}
