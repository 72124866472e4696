#pragma once

// A scripted peer of a game server for the network benchmarks: a loopback socket, the packets it
// has received and the bytes it has queued to send. It answers pings and motion as the game's
// client does. One thread at a time uses a peer.

#include "base/MemoryDataDest.h"
#include "net/Packets.h"

#include <cstddef>
#include <optional>
#include <sys/socket.h>

namespace scripted
{

struct Peer
{
    int socket = -1;
    ReceiveBuffer received;
    heron::MemoryDataDest out;
    PacketWriter writer;
};

// Writes what the peer queued to its socket (waiting while the socket is full) and forgets it;
// what the socket refuses when it has closed is dropped.
inline void flush(Peer& peer)
{
    std::size_t sent = 0;
    while (sent < peer.out.size()) {
        const ssize_t n = send(peer.socket, peer.out.data() + sent, peer.out.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            break;
        }
        sent += std::size_t(n);
    }
    peer.out.clear();
}

// Reads what arrived, without waiting; queues '=' for each '=' and 'a' for each 'A', as the game's
// client does, and hands every packet to seen.
template<class Seen>
void receive(Peer& peer, Seen&& seen)
{
    unsigned char bytes[65536];
    ssize_t got = 0;
    while ((got = recv(peer.socket, bytes, sizeof bytes, MSG_DONTWAIT)) > 0) {
        peer.received.append({bytes, std::size_t(got)});
        while (const std::optional<Packet> packet = peer.received.next()) {
            if (packet->kind == '=') {
                writePacket(peer.out, '=');
            } else if (packet->kind == 'A') {
                writePacket(peer.out, 'a');
            }
            seen(*packet);
        }
    }
}

}
