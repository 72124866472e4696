#pragma once

#include <cstddef>
#include <cstdint>

namespace heron
{

class SocketCloserInternals;

// Closes connected sockets without making their owner wait for the peers. A socket handed over
// (its sending side already shut down) is read and its bytes dropped until the peer closes its
// side too, so that the peer reads all that was sent to it instead of a reset; it is closed then,
// or once the peer has sent 64 KiB more, or half a second after it was handed over, whichever
// comes first. Handing one over only notes it; sockets are looked at without waiting at each
// sweep, and finish waits for all of them together. At most a few hundred wait at once: past
// that, a socket handed over is closed at once, so that a stream of closes can hold neither the
// descriptors nor the sweep's time. When the program ends, finish runs by itself. Process-wide;
// any thread.
class SocketCloser
{
public:
    static SocketCloser& instance();
    SocketCloser(const SocketCloser&) = delete;
    SocketCloser& operator=(const SocketCloser&) = delete;

    // Takes over the socket, to close it at a later sweep (at once when too many wait).
    void add(int socket);
    // Closes the sockets whose peer is done or whose time is up, without waiting.
    void sweep();
    // Waits for every socket's peer at once, until each is done or the last one's time is up
    // (at most half a second), then closes them all.
    void finish();
    // Sockets handed over and not yet closed.
    std::size_t pending();
    // How often closing has waited for peers over the run: each wait is for every socket at once.
    std::uint64_t waits();

private:
    SocketCloser();
    ~SocketCloser();

    SocketCloserInternals* m_internals;
};

}
