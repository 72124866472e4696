#pragma once

#include "base/net/NetAddress.h"

#include <cstdint>

namespace heron
{

class DataDest;
class DataSource;
class LogPace;
class InternetConnectionInternals;
class ServerInternals;

// A two-way byte connection: one source to read from and one sink to write to.
class DataConnection
{
public:
    virtual ~DataConnection();
    // Ends the connection; later reads and writes do nothing.
    virtual void close() = 0;
    // True while the connection is up and no error happened.
    virtual bool isConnected() = 0;
    // The incoming bytes; owned by the connection.
    virtual DataSource& reader() = 0;
    // The outgoing bytes; owned by the connection.
    virtual DataDest& writer() = 0;
};

// Why a connection failed; once set, an error is final.
enum NetErrorKind : std::int32_t
{
    NetNoError = 0,
    NetFailure = 1,        // no socket, or the connect failed without a refusal
    NetRefused = 2,        // the other side refused the connect
    NetReadWriteError = 3, // a read or write failed
    NetClosedByPeer = 4    // the other side closed the connection
};

// A TCP connection over a non-blocking connect that completes while it is polled. In blocking
// mode (the default) reads and writes first wait for the connect and then wait for their bytes;
// otherwise they take what is there now. No framing: bytes as the streams read and write them.
// Used by one thread at a time.
class NetConnection : public DataConnection
{
public:
    // Starts connecting to the address; address 0 gives a connection that is neither connected
    // nor in error. A connect refused at once is logged and leaves the error kind NetRefused.
    explicit NetConnection(const NetAddress& address);
    // Closes the connection.
    ~NetConnection() override;
    NetConnection(const NetConnection&) = delete;
    NetConnection& operator=(const NetConnection&) = delete;

    // Shuts down sending and hands the socket to the SocketCloser, which drops what the other side
    // still sends until it closes too (at most 64 KiB and half a second) and closes the socket;
    // nothing here waits for the other side.
    void close() override;
    // Closes at once, dropping what is still unsent or unread (the other side sees a reset):
    // for a peer that broke the protocol, which is not waited for.
    void abort();
    // Polls a pending connect once; true while connected without error.
    bool isConnected() override;
    // True when the peer has already reset the connection, or closed it with nothing left to read,
    // as far as the system knows now: looks without reading, waiting or logging.
    [[nodiscard]] bool isEndedByPeer();
    // readByte and peekByte give -1 and read gives 0 when nothing has arrived yet (non-blocking),
    // after an error, or while a non-blocking connect is pending.
    DataSource& reader() override;
    // write sends what the socket takes now (non-blocking) or everything (blocking).
    DataDest& writer() override;

    // The remote end.
    const NetAddress& address() const;
    // Chooses blocking reads and writes; applied at once unless a connect is pending, then when it
    // completes. Failure is logged.
    void setBlocking(bool blocking);
    // Paces the lines logged when the connection ends (the peer closed it, a read or write failed)
    // by pace, which must outlive the connection's reads and writes; null (the default) logs each.
    void setEndLines(LogPace* pace);
    // Switches TCP_NODELAY on or off; true when the socket confirms the new setting.
    [[nodiscard]] bool setNoDelay(bool noDelay);
    // False after an error; true once no connect is pending (polling a pending one once).
    bool waitWritable();
    // Bytes sent by the last write.
    std::int32_t lastWriteCount() const;
    // Why the connection failed, or NetNoError.
    NetErrorKind errorKind() const;

private:
    friend class ServerInternals;
    // An accepted, connected socket (owned from now on) and its peer's address.
    NetConnection(int socket, const NetAddress& peer);

    InternetConnectionInternals* m_internals;
};

}
