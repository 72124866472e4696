#pragma once

#include "base/counted_ptr.h"
#include "game/net/LookNetwork.h"
#include "game/net/MotionSender.h"
#include "net/AvatarReplay.h"
#include "net/PacketLink.h"
#include "base/RateLimit.h"

#include <cstdint>
#include <optional>
#include <vector>

class AvatarSlot;
class Look;

// The server's side of one connected client: the packets it sends and answers, the avatar it
// holds, its replayed motion, and the world's motion, availability, players list and rings sent
// to it. Lives from the accepted connection until the connection closes. Main thread only.
class NetworkPlayer
{
public:
    // Queues the world list and a ping; now: the network time it connected.
    NetworkPlayer(Look& world, LookNetwork& network, const heron::counted_ptr<heron::NetConnection>& connection,
                  double now);
    // Frees the avatar it held.
    ~NetworkPlayer();
    NetworkPlayer(const NetworkPlayer&) = delete;
    NetworkPlayer& operator=(const NetworkPlayer&) = delete;

    // One tick: handles what arrived, replays the player's motion, queues what is due and sends;
    // false once the connection has closed. A connection that has not said who it is within a few
    // seconds, or from which nothing has come for half a minute, is closed here, so that idle
    // connections hold no player's place. An honest client is never that quiet: it answers every
    // ping, and the two sides ping each other in turn. An avatar whose holder has sent none of its
    // motion for several seconds goes home, free to take, and the player is told to drop it: an
    // honest holder sends its motion every frame.
    bool processPackets(double now);
    // Queues a chat message to this player.
    void sendMessage(const ColouredText& message);

    AvatarSlot* heldAvatar() const { return m_held; }
    // The peer's address and port.
    const heron::NetAddress& address();
    // Bytes queued for the player and not yet taken by its socket.
    std::uint32_t backlog() const { return m_link.backlog(); }
    const PlayerIdentity& identity() const { return m_identity; }
    // True once the player has said who it is.
    bool isIdentified() const { return m_identified; }
    // Seconds since anything came from the player.
    double silence(double now) const { return now - m_lastHeard; }
    // Gives up the player's name to a new connection and closes this one (logged).
    void yieldName();
    const ColouredText& lastMessage() const { return m_lastMessage; }
    int unacknowledged() const { return m_link.unacknowledged(); }
    // The motion received from the player, waiting to be replayed.
    const AvatarReplay& replay() const { return m_replay; }
    void markRung() { m_rung = true; }

private:
    // Handles one packet; a kind the server does not take is a damaged packet (throws
    // heron::ReadError), which closes the connection.
    void handle(const Packet& packet, double now);
    void handleMotion(heron::DataSource& body, double now);
    // Takes, levels and rings each come a few times a second at most, judged before their name is
    // looked up: the excess is dropped, with a paced log line.
    void handleTake(heron::DataSource& body, double now);
    void handleLevel(heron::DataSource& body, double now);
    void handleRing(heron::DataSource& body, double now);
    // Shows and relays a chat line, at most a few a second, and only a line in the player's own
    // name: "[name] " and what was typed, or its own Maestro announcement.
    void handleMessage(heron::DataSource& body, double now);
    bool isOwnLine(const heron_string& text) const;
    // Takes the player's name and colour; a new name now and then at most. A name another player
    // or this machine's player has closes the connection, the player told why.
    void handleIdentity(heron::DataSource& body, double now);
    void refuseName(const heron_string& name, double now);
    // True (logged, paced) when the rate lets the packet through.
    bool allowPacket(heron::RateLimit& rate, const char* what, double now);
    // Sends the held avatar home when its motion has stopped coming for too long.
    void releaseIdleAvatar(double now);
    // True (logged) when the connection is still unnamed past its time to say who it is.
    bool isUnnamedTooLong(double now);
    // True (logged) when nothing has come from the connection for too long.
    bool isSilentTooLong(double now);
    void drop();
    void queueDue(double now);
    void queueMotion(double now);
    std::vector<ColouredText> playersFor() const;

    Look& m_world;
    LookNetwork& m_network;
    PacketLink m_link;
    double m_lastAvailability = 0;
    AvatarSlot* m_held = nullptr;
    std::vector<MotionSender> m_senders;
    AvatarReplay m_replay;
    bool m_rung = false;
    PlayerIdentity m_identity;
    // Which change of the players list the player was last sent; none before the first.
    std::optional<std::uint64_t> m_listedGeneration;
    // When the players list was last queued to the player.
    double m_lastPlayersList;
    ColouredText m_lastMessage;
    double m_connectedAt;
    // When the last packet came from the player.
    double m_lastHeard;
    bool m_identified = false;
    // When the motion of the held avatar last came (or it was taken).
    double m_lastHeldMotion = 0;
    heron::RateLimit m_chat;
    heron::RateLimit m_rings;
    heron::RateLimit m_takes;
    heron::RateLimit m_levels;
    heron::RateLimit m_renames;
};
