#include "base/net/SocketCloser.h"

#include "base/Debug.h"
#include "base/Mutex.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace heron
{

namespace
{

// What a closing socket may still take: a peer that keeps sending or never closes cannot hold it.
constexpr std::size_t maxDrainBytes = 64 * 1024;
constexpr double gracePeriod = 0.5;
// Sockets that may wait to be closed at once.
constexpr std::size_t maxPending = 256;
constexpr int lockSite = 1101;

void finishAtExit()
{
    SocketCloser::instance().finish();
}

}

// The sockets being closed, under the lock.
class SocketCloserInternals
{
public:
    struct Closing
    {
        int socket;
        // getTime seconds after which the socket is closed whatever its peer does.
        double deadline;
        std::size_t drained;
    };

    // Reads and drops what the peer sent; true when the socket can be closed now.
    static bool drain(Closing& closing, double now);
    // Closes every socket that drain says is done; the rest stay.
    void closeDone(double now);
    void closeAll();
    // The sockets as one poll set.
    std::vector<pollfd> pollSet() const;

    Mutex lock{"Socket closer"};
    std::vector<Closing> sockets;
    std::uint64_t waits = 0;
};

bool SocketCloserInternals::drain(Closing& closing, double now)
{
    char sink[4096];
    while (closing.drained < maxDrainBytes) {
        const ssize_t result = recv(closing.socket, sink, sizeof sink, MSG_DONTWAIT);
        if (result < 0 && errno == EINTR) {
            continue;
        }
        if (result < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return now >= closing.deadline;
        }
        if (result <= 0) {
            return true;
        }
        closing.drained += static_cast<std::size_t>(result);
    }
    return true;
}

void SocketCloserInternals::closeDone(double now)
{
    // A plain loop: draining and closing change the sockets, which a predicate may not do.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < sockets.size(); ++i) {
        if (drain(sockets[i], now)) {
            ::close(sockets[i].socket);
            continue;
        }
        sockets[kept++] = sockets[i];
    }
    sockets.resize(kept);
}

void SocketCloserInternals::closeAll()
{
    for (const Closing& closing : sockets) {
        ::close(closing.socket);
    }
    sockets.clear();
}

std::vector<pollfd> SocketCloserInternals::pollSet() const
{
    std::vector<pollfd> entries;
    entries.reserve(sockets.size());
    for (const Closing& closing : sockets) {
        entries.push_back({closing.socket, POLLIN, 0});
    }
    return entries;
}

SocketCloser& SocketCloser::instance()
{
    // Never destroyed: a connection closed while the program ends still finds it.
    static SocketCloser* const closer = [] {
        auto* const made = new SocketCloser;
        std::atexit(&finishAtExit);
        return made;
    }();
    return *closer;
}

SocketCloser::SocketCloser() : m_internals(new SocketCloserInternals) {}

SocketCloser::~SocketCloser()
{
    delete m_internals;
}

void SocketCloser::add(int socket)
{
    MutexLock hold(m_internals->lock, lockSite);
    if (m_internals->sockets.size() >= maxPending) {
        ::close(socket);
        return;
    }
    m_internals->sockets.push_back({socket, getTime() + gracePeriod, 0});
}

void SocketCloser::sweep()
{
    MutexLock hold(m_internals->lock, lockSite);
    if (!m_internals->sockets.empty()) {
        m_internals->closeDone(getTime());
    }
}

void SocketCloser::finish()
{
    MutexLock hold(m_internals->lock, lockSite);
    std::vector<SocketCloserInternals::Closing>& sockets = m_internals->sockets;
    double lastDeadline = 0;
    for (const auto& closing : sockets) {
        lastDeadline = std::max(lastDeadline, closing.deadline);
    }
    for (double now = getTime(); !sockets.empty() && now < lastDeadline; now = getTime()) {
        m_internals->closeDone(now);
        std::vector<pollfd> entries = m_internals->pollSet();
        if (entries.empty()) {
            break;
        }
        ++m_internals->waits;
        const int timeoutMs = static_cast<int>((lastDeadline - now) * 1000.0) + 1;
        poll(entries.data(), entries.size(), timeoutMs);
    }
    m_internals->closeAll();
}

std::size_t SocketCloser::pending()
{
    MutexLock hold(m_internals->lock, lockSite);
    return m_internals->sockets.size();
}

std::uint64_t SocketCloser::waits()
{
    MutexLock hold(m_internals->lock, lockSite);
    return m_internals->waits;
}

}
