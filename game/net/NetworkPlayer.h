#pragma once

#include "base/counted_ptr.h"
#include "game/net/LookNetwork.h"
#include "game/net/MotionSender.h"
#include "net/AvatarReplay.h"
#include "net/PacketLink.h"
#include "net/PacketRules.h"

#include <cstdint>
#include <optional>
#include <string>
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
    // Sends the avatar it held home, free to take.
    ~NetworkPlayer();
    NetworkPlayer(const NetworkPlayer&) = delete;
    NetworkPlayer& operator=(const NetworkPlayer&) = delete;

    // One tick: handles what arrived, replays the player's motion, queues what is due and sends;
    // false once the connection has closed and what the player sent before has been handled. A connection that has not said who it is within a few
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
    // The name and colour the others see: the one the player gave, or one the server made for a
    // player who gave none.
    const PlayerIdentity& identity() const { return m_identity; }
    // True once the player has said who it is.
    bool isIdentified() const { return m_identified; }
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
    // Takes and levels come a few times a second at most, judged before their name is looked up:
    // the last one beyond that waits and is taken once the count allows, a later one or a drop
    // taking its place. A level waiting is settled at once on the avatar it was sent for when the
    // player lets go or takes another; one sent behind a take that waits waits behind it, so that
    // levels are looked up no more often than avatars are taken.
    void handleLetGo();
    void handleTake(heron::DataSource& body, double now);
    void handleLevel(heron::DataSource& body, double now);
    void takeWaiting(double now);
    void settleWaitingLevel();
    void take(const heron_string& name, double now);
    void enterLevel(const heron_string& name);
    void handleRing(heron::DataSource& body, double now);
    // Shows and relays a chat line, at most a few a second, and only a line in the player's own
    // name, under the name the others know the player by. A player's Maestro announcement is such
    // a line in no name: the server names the Maestro itself.
    void handleMessage(heron::DataSource& body, double now);
    void relay(const ColouredText& line, double now);
    // Takes the player's name and colour; a new name now and then at most. A name the server
    // cannot take closes the connection, the player told why; a player who gave none is shown
    // under a name the server makes.
    void handleIdentity(heron::DataSource& body, double now);
    // The name of a player who gave none: the one made before while it stays nameless, else a new
    // one, which the player is told.
    heron_string madeName();
    void refuseName(const heron_string& reason, double now);
    // Sends the held avatar home when its motion has stopped coming for too long.
    void releaseIdleAvatar(double now);
    // True (logged) when the connection is still unnamed past its time to say who it is.
    bool isUnnamedTooLong(double now);
    // True (logged) when nothing has come from the connection for too long.
    bool isSilentTooLong(double now);
    // The avatar held is free, its motion forgotten: on its way home.
    void drop();
    // The avatar held is free and plays its motion out, to where its holder let it go.
    void letGo();
    // Places the avatar held, or the one let go until it has played out, from the player's motion.
    void replayMotion(double now);
    // The avatar let go stops playing out: it is put where its holder let it go, unless another
    // holds it by now.
    void settleLetGo();
    void queueDue(double now);
    void queuePlayers(double now);
    void queueMotion(double now);
    std::vector<ColouredText> playersFor() const;
    const char* who() const { return m_who.c_str(); }

    Look& m_world;
    LookNetwork& m_network;
    PacketLink m_link;
    double m_lastAvailability = 0;
    AvatarSlot* m_held = nullptr;
    // The avatar the player let go, while its motion plays out.
    AvatarSlot* m_released = nullptr;
    std::vector<MotionSender> m_senders;
    AvatarReplay m_replay;
    bool m_rung = false;
    PlayerIdentity m_identity;
    // The name the player gives itself, which heads its lines as it sends them.
    heron_string m_ownName;
    // Which change of the players list the player was last sent; none before the first.
    std::optional<std::uint64_t> m_listedGeneration;
    // When the players list may next be queued to the player.
    double m_nextPlayersList;
    ColouredText m_lastMessage;
    double m_connectedAt;
    // When the last packet came from the player.
    double m_lastHeard;
    bool m_identified = false;
    // When the motion of the held avatar last came (or it was taken).
    double m_lastHeldMotion = 0;
    PacketRates m_rates;
    // The last take and level change dropped by their count, waiting to be taken.
    std::optional<heron_string> m_waitingTake;
    std::optional<heron_string> m_waitingLevel;
    // The peer's address and port, as the log names it.
    std::string m_who;
};
