#pragma once

#include "base/counted_ptr.h"

#include <memory>

namespace heron
{
class Thread;
}

// While a QuitSignalWatch lives, a quit signal (SIGINT, SIGTERM) also ends the child processes of
// the thread that made it: a modal message box of the desktop runs in one, and the call that
// waits for the box then returns. The signal still goes on to the handler installed before (SDL's,
// which turns it into a quit request at the next pump); a signal that had no handler keeps its own
// action. One watch at a time, made and destroyed on one thread, which starts no other child
// process while it lives.
namespace plat
{

class QuitSignalWatch
{
public:
    QuitSignalWatch();
    // Stops ending children and puts the handlers before it back.
    ~QuitSignalWatch();
    QuitSignalWatch(const QuitSignalWatch&) = delete;
    QuitSignalWatch& operator=(const QuitSignalWatch&) = delete;

    // Whether a quit signal came while the watch lived.
    [[nodiscard]] bool quitCame() const;

private:
    class Ender;

    std::unique_ptr<Ender> m_ender;
    heron::counted_ptr<heron::Thread> m_thread;
};

}
