#pragma once

#include "base/counted_ptr.h"
#include "game/MotionSender.h"
#include "net/PacketLink.h"

#include <vector>

class AvatarSlot;
class Level;
class Look;
class LookNetwork;

// A client's connection to the server: it takes the world list, replays the other players'
// avatars, sends the held avatar's motion paced by the ping, and passes levels, messages, the
// players list and rings both ways. Main thread only.
class NetLogic
{
public:
    // connectTimeout: seconds a pending connect may take before it counts as failed.
    NetLogic(Look& world, LookNetwork& network, const heron::counted_ptr<heron::NetConnection>& connection,
             double connectTimeout);
    ~NetLogic();
    NetLogic(const NetLogic&) = delete;
    NetLogic& operator=(const NetLogic&) = delete;

    // One tick; nothing once the connection has closed.
    void process(double now);
    // True until the connection closes or fails.
    bool isOpen();
    bool isConnecting();
    const heron::NetAddress& server();
    void sendMessage(const ColouredText& message);
    // Asks the server to ring the holder of slot.
    void requestRing(AvatarSlot& slot) { m_ringRequest = &slot; }

    bool hasWorld() const { return m_worldReceived; }
    const ColouredText& lastMessage() const { return m_lastMessage; }
    // "Other players:" and one line per player, as the server last sent them.
    const std::vector<ColouredText>& players() const { return m_players; }

private:
    bool connectSettled(double now);
    // The server's first packet: where every avatar is. A list that does not fit the world's
    // avatars closes the connection.
    void takeWorld(const Packet& packet);
    // False, with a logged line, when the entries do not match the world's avatars one to one.
    bool placeWorld(const std::vector<WorldEntry>& entries);
    // An entry naming another avatar fails; an unknown level leaves the avatar where it is.
    bool placeFromWorld(AvatarSlot& slot, const WorldEntry& entry);
    void dropWorld(const char* reason);
    void handle(const Packet& packet, double now);
    void handleLevel(heron::DataSource& body);
    void handleMotion(heron::DataSource& body, double now);
    void handleDrop();
    void handleAvailability(heron::DataSource& body);
    void handlePlayers(heron::DataSource& body);
    void replay(double now);
    void queueDue(double now);
    void announceHeld();

    Look& m_world;
    LookNetwork& m_network;
    PacketLink m_link;
    double m_connectDeadline;
    bool m_worldReceived = false;
    bool m_identitySent = false;
    double m_lastMotion = 0;
    AvatarSlot* m_announcedHeld = nullptr;
    AvatarSlot* m_ringRequest = nullptr;
    Level* m_announcedLevel = nullptr;
    std::vector<AvatarReplay> m_replays;
    MotionSender m_heldSender;
    ColouredText m_lastMessage;
    std::vector<ColouredText> m_players;
};
