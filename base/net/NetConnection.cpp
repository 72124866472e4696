#include "base/net/NetConnection.h"

#include "base/DataDest.h"
#include "base/DataSource.h"
#include "base/Debug.h"
#include "base/LogPace.h"
#include "base/net/SocketCloser.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace heron
{

namespace
{

bool switchBlocking(int socket, bool blocking)
{
    const int flags = fcntl(socket, F_GETFL);
    if (flags < 0) {
        return false;
    }
    const int wanted = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
    return wanted == flags || fcntl(socket, F_SETFL, wanted) == 0;
}

bool wouldBlock(int error)
{
    return error == EAGAIN || error == EWOULDBLOCK;
}

}

// State of one connection and its two streams.
class InternetConnectionInternals
{
public:
    class SocketReader : public DataSource
    {
    public:
        explicit SocketReader(InternetConnectionInternals& owner) : m_owner(owner) {}
        using DataSource::readByte;
        bool isOK() const override { return !m_owner.error; }
        int readByte() override;
        std::uint32_t read(void* buffer, std::uint32_t n) override;
        int peekByte() override;
        void flagError() { setError(); }

    private:
        InternetConnectionInternals& m_owner;
    };

    class SocketWriter : public DataDest
    {
    public:
        explicit SocketWriter(InternetConnectionInternals& owner) : m_owner(owner) {}
        bool isOK() const override { return !m_owner.error; }
        DataDest& writeByte(char byte) override;
        void write(const void* buffer, std::uint32_t n) override;
        void flagError() { setError(); }

    private:
        InternetConnectionInternals& m_owner;
    };

    InternetConnectionInternals() : reader(*this), writer(*this) {}

    void fail(NetErrorKind kind);
    // One look at a pending connect, waiting at most timeoutMs (-1: until it settles).
    void pollConnect(int timeoutMs);
    // True when a read or write may use the socket: waits for a pending connect in blocking mode.
    bool ready();
    // recv that retries after a signal; sets errno as recv does.
    ssize_t receive(void* buffer, std::size_t n, int flags);
    // Judges a recv result of 0 or -1: a closed peer or an error ends the connection.
    void readFailed(ssize_t result);
    // Shuts down sending and leaves the rest of the close to the socket closer.
    void closeGracefully();
    // True when a line about the connection's end may be logged.
    bool mayLogEnd() { return endLines == nullptr || endLines->allow(); }

    int socket = -1;
    NetAddress address;
    bool error = false;
    NetErrorKind kind = NetNoError;
    bool connected = false;
    bool connectPending = false;
    bool blocking = true;
    std::int32_t lastWriteCount = 0;
    LogPace* endLines = nullptr;
    SocketReader reader;
    SocketWriter writer;
};

void InternetConnectionInternals::fail(NetErrorKind errorKind)
{
    error = true;
    kind = errorKind;
    reader.flagError();
    writer.flagError();
}

void InternetConnectionInternals::pollConnect(int timeoutMs)
{
    if (!connectPending || error) {
        return;
    }
    pollfd entry{socket, POLLOUT, 0};
    const int result = poll(&entry, 1, timeoutMs);
    if (result < 0) {
        if (errno != EINTR) {
            fail(NetFailure);
        }
        return;
    }
    if (result == 0) {
        return;
    }
    int socketError = 0;
    socklen_t length = sizeof socketError;
    if (getsockopt(socket, SOL_SOCKET, SO_ERROR, &socketError, &length) != 0) {
        socketError = errno;
    }
    if (socketError != 0) {
        debug("error code: %d\n", socketError);
        fail(NetRefused);
        connected = false;
        return;
    }
    connectPending = false;
    if (blocking && !switchBlocking(socket, true)) {
        debug("Socket blocking call failed!\n");
    }
}

bool InternetConnectionInternals::ready()
{
    if (socket < 0 || error) {
        return false;
    }
    pollConnect(0);
    while (blocking && connectPending && !error) {
        pollConnect(-1);
    }
    return !connectPending && !error;
}

ssize_t InternetConnectionInternals::receive(void* buffer, std::size_t n, int flags)
{
    ssize_t result;
    do {
        result = recv(socket, buffer, n, flags);
    } while (result < 0 && errno == EINTR);
    return result;
}

void InternetConnectionInternals::readFailed(ssize_t result)
{
    if (result == 0) {
        if (mayLogEnd()) {
            debug("network connection closed.\n");
        }
        fail(NetClosedByPeer);
        return;
    }
    if (!wouldBlock(errno)) {
        const int error = errno;
        if (mayLogEnd()) {
            debug("network read error! %d.\n", error);
        }
        fail(NetReadWriteError);
    }
}

int InternetConnectionInternals::SocketReader::readByte()
{
    if (!m_owner.ready()) {
        return -1;
    }
    unsigned char byte = 0;
    const ssize_t result = m_owner.receive(&byte, 1, 0);
    if (result == 1) {
        return byte;
    }
    m_owner.readFailed(result);
    return -1;
}

std::uint32_t InternetConnectionInternals::SocketReader::read(void* buffer, std::uint32_t n)
{
    std::uint32_t delivered = 0;
    if (!m_owner.ready()) {
        return 0;
    }
    auto* bytes = static_cast<unsigned char*>(buffer);
    while (delivered < n) {
        const ssize_t result = m_owner.receive(bytes + delivered, n - delivered, 0);
        if (result <= 0) {
            m_owner.readFailed(result);
            break;
        }
        delivered += static_cast<std::uint32_t>(result);
    }
    return delivered;
}

int InternetConnectionInternals::SocketReader::peekByte()
{
    if (!m_owner.ready()) {
        return -1;
    }
    unsigned char byte = 0;
    const ssize_t result = m_owner.receive(&byte, 1, MSG_PEEK);
    if (result == 1) {
        return byte;
    }
    m_owner.readFailed(result);
    return -1;
}

DataDest& InternetConnectionInternals::SocketWriter::writeByte(char byte)
{
    write(&byte, 1);
    return *this;
}

void InternetConnectionInternals::SocketWriter::write(const void* buffer, std::uint32_t n)
{
    if (n == 0) {
        return;
    }
    m_owner.lastWriteCount = 0;
    if (!m_owner.ready()) {
        return;
    }
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    std::uint32_t sent = 0;
    while (sent < n) {
        const ssize_t result = send(m_owner.socket, bytes + sent, n - sent, MSG_NOSIGNAL);
        if (result < 0 && errno == EINTR) {
            continue;
        }
        if (result < 0) {
            if (!wouldBlock(errno)) {
                const int error = errno;
                if (m_owner.mayLogEnd()) {
                    debug("network write error! %d.\n", error);
                }
                m_owner.fail(NetReadWriteError);
            }
            break;
        }
        sent += static_cast<std::uint32_t>(result);
    }
    m_owner.lastWriteCount = static_cast<std::int32_t>(sent);
}

void InternetConnectionInternals::closeGracefully()
{
    if (!connectPending && !error && shutdown(socket, SHUT_WR) == 0) {
        SocketCloser::instance().add(socket);
    } else {
        ::close(socket);
    }
    socket = -1;
}

DataConnection::~DataConnection() = default;

NetConnection::NetConnection(const NetAddress& address) : m_internals(new InternetConnectionInternals)
{
    InternetConnectionInternals& state = *m_internals;
    if (address.address() == 0 || !startWinsock()) {
        return;
    }
    if (!isTcpPort(address.port())) {
        // Never cut to 16 bits: that would reach some other port.
        debug("Cannot connect to port %d: not a TCP port\n", address.port());
        state.fail(NetFailure);
        return;
    }
    state.socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (state.socket < 0) {
        debug("error code: %d\n", errno);
        state.fail(NetFailure);
        return;
    }
    state.connected = true;
    state.address = address;
    if (!switchBlocking(state.socket, false)) {
        debug("Socket blocking call failed!\n");
    }
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(static_cast<std::uint16_t>(address.port()));
    remote.sin_addr.s_addr = htonl(address.address());
    // Pending until a poll sees the connect settled, which also switches a connect that completed
    // at once back to blocking when that is wanted.
    state.connectPending = true;
    if (connect(state.socket, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) == 0 ||
        errno == EINPROGRESS || wouldBlock(errno) || errno == EINTR) {
        state.pollConnect(0);
        return;
    }
    state.connectPending = false;
    const int connectError = errno;
    state.fail(connectError == ECONNREFUSED ? NetRefused : NetFailure);
    debug("error code: %d\n", connectError);
    close();
}

NetConnection::NetConnection(int socket, const NetAddress& peer) : m_internals(new InternetConnectionInternals)
{
    m_internals->socket = socket;
    m_internals->address = peer;
    m_internals->connected = true;
}

NetConnection::~NetConnection()
{
    close();
    delete m_internals;
}

void NetConnection::close()
{
    m_internals->connected = false;
    if (m_internals->socket >= 0) {
        m_internals->closeGracefully();
    }
}

void NetConnection::abort()
{
    m_internals->connected = false;
    if (m_internals->socket < 0) {
        return;
    }
    const linger reset{1, 0};
    setsockopt(m_internals->socket, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    ::close(m_internals->socket);
    m_internals->socket = -1;
}

bool NetConnection::isConnected()
{
    m_internals->pollConnect(0);
    return m_internals->connected && !m_internals->error;
}

bool NetConnection::isEndedByPeer()
{
    if (m_internals->socket < 0) {
        return true;
    }
    unsigned char byte = 0;
    const ssize_t result = m_internals->receive(&byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return result == 0 || (result < 0 && !wouldBlock(errno));
}

DataSource& NetConnection::reader()
{
    return m_internals->reader;
}

DataDest& NetConnection::writer()
{
    return m_internals->writer;
}

const NetAddress& NetConnection::address() const
{
    return m_internals->address;
}

void NetConnection::setBlocking(bool blocking)
{
    m_internals->blocking = blocking;
    if (m_internals->connectPending || m_internals->socket < 0) {
        return;
    }
    if (!switchBlocking(m_internals->socket, blocking)) {
        debug("Socket blocking call failed!\n");
    }
}

void NetConnection::setEndLines(LogPace* pace)
{
    m_internals->endLines = pace;
}

bool NetConnection::setNoDelay(bool noDelay)
{
    if (m_internals->socket < 0) {
        return false;
    }
    const int wanted = noDelay ? 1 : 0;
    if (setsockopt(m_internals->socket, IPPROTO_TCP, TCP_NODELAY, &wanted, sizeof wanted) != 0) {
        return false;
    }
    int actual = -1;
    socklen_t length = sizeof actual;
    return getsockopt(m_internals->socket, IPPROTO_TCP, TCP_NODELAY, &actual, &length) == 0 && (actual != 0) == noDelay;
}

bool NetConnection::waitWritable()
{
    if (m_internals->error) {
        return false;
    }
    m_internals->pollConnect(0);
    return !m_internals->connectPending && !m_internals->error;
}

std::int32_t NetConnection::lastWriteCount() const
{
    return m_internals->lastWriteCount;
}

NetErrorKind NetConnection::errorKind() const
{
    return m_internals->kind;
}

}
