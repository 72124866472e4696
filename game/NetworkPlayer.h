#pragma once

#include "base/counted_ptr.h"
#include "game/LookNetwork.h"
#include "game/MotionSender.h"
#include "net/AvatarReplay.h"
#include "net/PacketLink.h"

#include <vector>

class AvatarSlot;
class Look;

// The server's side of one connected client: the packets it sends and answers, the avatar it
// holds, its replayed motion, and the world's motion, availability, players list and rings sent
// to it. Lives from the accepted connection until the connection closes. Main thread only.
class NetworkPlayer
{
public:
    // Queues the world list and a ping.
    NetworkPlayer(Look& world, LookNetwork& network, const heron::counted_ptr<heron::NetConnection>& connection);
    // Frees the avatar it held.
    ~NetworkPlayer();
    NetworkPlayer(const NetworkPlayer&) = delete;
    NetworkPlayer& operator=(const NetworkPlayer&) = delete;

    // One tick: handles what arrived, replays the player's motion, queues what is due and sends;
    // false once the connection has closed.
    bool processPackets(double now);
    // Queues a chat message to this player.
    void sendMessage(const ColouredText& message);

    AvatarSlot* heldAvatar() const { return m_held; }
    const PlayerIdentity& identity() const { return m_identity; }
    const ColouredText& lastMessage() const { return m_lastMessage; }
    int unacknowledged() const { return m_link.unacknowledged(); }
    // The motion received from the player, waiting to be replayed.
    const AvatarReplay& replay() const { return m_replay; }
    void markInfoChanged() { m_infoChanged = true; }
    void markRung() { m_rung = true; }

private:
    void handle(const Packet& packet, double now);
    void handleMotion(heron::DataSource& body, double now);
    void handleTake(heron::DataSource& body);
    void handleLevel(heron::DataSource& body);
    void handleRing(heron::DataSource& body);
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
    bool m_infoChanged = true;
    ColouredText m_lastMessage;
};
