#pragma once

#include "base/counted_ptr.h"
#include "game/net/ChatRelay.h"
#include "game/net/MotionSender.h"
#include "net/PacketLink.h"
#include "net/PacketRules.h"

#include <optional>
#include <vector>

class AvatarSlot;
class Level;
class Look;
class LookNetwork;

// A client's connection to the server: it takes the world list, replays the other players'
// avatars, sends the held avatar's motion paced by the ping, and passes levels, messages, the
// players list and rings both ways. What the server sends is bounded like what any peer sends,
// kind by kind (PacketRules): chat lines shown a second are shared among their senders, level
// changes and rings taken are capped, the rest dropped with a paced log line. A server that sends
// no world within a while is given up. Main thread only.
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

    // True once the server's world list has been taken.
    bool hasWorld() const { return m_worldReceived; }
    // Why the connection ended, in the words the player is shown; empty when a message from the
    // server before its world (a refusal) said why.
    heron_string endReason() const;
    const ColouredText& lastMessage() const { return m_lastMessage; }
    // "Other players:" and one line per player, as the server last sent them.
    const std::vector<ColouredText>& players() const { return m_players; }
    // The name the server said this player, who gave none, plays under; none before it did.
    const std::optional<heron_string>& toldName() const { return m_toldName; }

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
    // Closes the connection for reason, which the player is shown.
    void giveUp(const heron_string& reason);
    void handle(const Packet& packet, double now);
    void handleMessage(heron::DataSource& body, double now);
    // An avatar's level changed: a few hundred changes a second at most are looked up.
    void handleLevel(heron::DataSource& body, double now);
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
    // When the connect completed, and when the world must have come by; none before.
    std::optional<double> m_worldDeadline;
    bool m_worldReceived = false;
    bool m_messageBeforeWorld = false;
    heron_string m_endReason;
    bool m_identitySent = false;
    double m_lastMotion = 0;
    AvatarSlot* m_announcedHeld = nullptr;
    AvatarSlot* m_ringRequest = nullptr;
    Level* m_announcedLevel = nullptr;
    std::vector<AvatarReplay> m_replays;
    MotionSender m_heldSender;
    ColouredText m_lastMessage;
    std::vector<ColouredText> m_players;
    std::optional<heron_string> m_toldName;
    PacketRates m_rates;
    ChatRelay m_shownLines;
};
