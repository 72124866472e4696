#pragma once

#include "base/PacedLimit.h"
#include "base/RateLimit.h"
#include "base/counted_ptr.h"
#include "base/net/NetAddress.h"
#include "game/net/ChatRelay.h"
#include "net/NetworkClientServer.h"
#include "net/PacketRules.h"
#include "net/Packets.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

class AvatarSlot;
class Look;
class NetLogic;
class NetworkPlayer;

namespace heron
{
class NetConnection;
class Server;
}

// The name and colour other players see.
struct PlayerIdentity
{
    heron_string name;
    // 0xRRGGBB.
    std::uint32_t colour = 0;

    bool operator==(const PlayerIdentity&) const = default;
};

// A world's network play: the listening server with one player per connection while this machine
// serves, or the client's connection to a server. The game logic runs its tick once per frame.
// Owned by its world. Main thread only.
class LookNetwork
{
public:
    explicit LookNetwork(Look& world);
    ~LookNetwork();
    LookNetwork(const LookNetwork&) = delete;
    LookNetwork& operator=(const LookNetwork&) = delete;

    // One network tick: avatars' visibility, the server's players or the client's connection,
    // picking up an avatar the player comes near, and closing the sockets of ended connections.
    void updateNetwork();

    // Connects to the server of the settings at the game's port; a failure is logged and shown.
    void connectToServer();
    // Starts connecting to address; false (logged) when the connect failed at once.
    bool connectTo(const heron::NetAddress& address);
    // Drops the connection to the server.
    void disconnect();
    // True while connected to a server or connecting, with stillConnecting telling which.
    bool isConnectedClient(bool& stillConnecting) const;
    bool isServing() const { return m_server != nullptr; }
    std::size_t networkPlayerCount() const { return m_players.size(); }
    ConnectionState state() const;
    // The lines of the players list: a server's connected players, else what the server sent while
    // the connection to it is open.
    std::vector<ColouredText> playersList() const;

    // Sends a chat message: a client to the server, the server to every player but except.
    void broadcastMessage(const ColouredText& message, const NetworkPlayer* except = nullptr);
    // Tells everybody, on this screen too, that the player of that name filled the pen: once a
    // minute at most, the rest dropped with a log line. A server's view of the pen names the
    // Maestro; nothing else does.
    void announceMaestro(const heron_string& name);
    // Rings slot's holder, spending one of the player's rings; with none only the ring sound plays.
    void ringAvatar(AvatarSlot& slot);
    // Marks every player holding slot as rung, without spending anything here.
    void markHoldersRung(const AvatarSlot& slot);
    // This player's avatar was rung: the ring counter gains an entry and the ring sound plays, a
    // few times a second at most, all senders together, and up to a cap of rings held (a client's
    // rule for rings); the rest is dropped with a log line.
    void receiveRing();
    // Shows a message from another machine: a flash for "%%" (at most one every few seconds; the
    // rest are dropped), else a console line.
    void showMessage(const ColouredText& message);
    // True when a player's chat message of that many bytes fits the sender's part of what the
    // server passes on in a second; the excess is dropped with one log line a second.
    bool allowRelay(const NetworkPlayer& sender, std::uint32_t bytes, double now);
    // The paces of the log lines other machines can cause.
    PeerLogPaces& paces() { return m_paces; }
    heron::LogPace& connectionLines() { return m_paces[PeerLines::connections]; }
    heron::LogPace& chatLines() { return m_paces[PeerLines::chat]; }
    heron::LogPace& avatarLines() { return m_paces[PeerLines::avatars]; }
    // A console line of the program's own, in the system colour.
    void showSystemLine(const heron_string& text);
    // Counts the changes to who is connected (a player came, went or took another name): each
    // player is sent the players list again when it has changed, as often as its size allows.
    std::uint64_t playersGeneration() const { return m_playersGeneration; }
    void markPlayersChanged() { ++m_playersGeneration; }
    // Why claimant cannot take name, in the words it is told; null when it may. A name in use by
    // this machine's player or another connected player (names compared as they read on screen) is
    // taken until that player's connection is gone, so that nobody can speak as another.
    heron_string refusalOfName(const heron_string& name, const NetworkPlayer& claimant) const;
    // The name a player who gave none is shown under: "Player " and the first free number.
    heron_string nameForNameless() const;
    // The name this player's own lines show under on its screen, the one the others see: a client
    // that gave none plays under the one its server told it.
    heron_string shownName() const;

    // Whether this world serves: the "Act as server" setting unless a test chose for the world.
    bool wantsToServe() const;
    void setServing(bool serve) { m_serveOverride = serve; }
    // The port the server listens on (the game's port unless changed; 0 lets the system choose).
    void setServerPort(int port) { m_serverPort = port; }
    // The port the running server listens on; 0 when none runs.
    int listeningPort() const;
    // The settings' name and colour unless set for this world. A server's player who gave no name
    // is "Player 1".
    PlayerIdentity identity() const;
    void setIdentity(const PlayerIdentity& identity) { m_identityOverride = identity; }

    NetLogic* client() const { return m_client.get(); }
    const std::vector<std::unique_ptr<NetworkPlayer>>& players() const { return m_players; }

private:
    void serve(double now);
    // Takes every waiting connection while there is room for it, and refuses the ones beyond: all
    // that waits, within a share of the time since the last tick, so that a stream of connects from
    // one address cannot keep a newcomer from another waiting behind it in the system's queue. A
    // connection its peer ended before it was taken holds no place.
    void acceptPlayers(double now);
    // Why a connection from address cannot be taken now, as the peer is told; null when it can.
    const char* refusalOf(const heron::NetAddress& address) const;
    // Tells the peer why and closes the connection, while a small budget a second lasts for its
    // address and for all addresses; other refused connections are dropped at once, so that a
    // stream of them costs no more than its accepts.
    void refuse(heron::NetConnection& connection, const char* reason, double now);
    // Counts a connection of address not taken; past a line, the address's connects are dropped.
    void countRefusal(const heron::NetAddress& address, double now);
    // The refusals an address met lately, and the number of its last among all refusals; past a
    // few hundred addresses, the half refused longest ago is forgotten.
    struct AddressRefusals
    {
        heron::RateLimit told;
        heron::RateLimit refused;
        std::uint64_t lastSeen = 0;
    };
    // An address refused already in its second takes from a part of the budget only.
    bool mayExplainRefusal(AddressRefusals& refusals, double now);
    AddressRefusals& refusalsOf(const heron::NetAddress& address);
    void forgetOldestRefusals();
    // Has the system drop the connects of an address refused faster than any honest player
    // retries, for a while, so that its stream costs the tick nothing and keeps nobody else
    // waiting; its connections made before stay. Then lets them in again. What the system refuses
    // is logged, and the address tried again at its next refusal.
    void dropConnectsOf(const heron::NetAddress& address, double now);
    void endDroppedConnects(double now);
    // 0, or the system's error number.
    [[nodiscard]] int dropListedConnects();
    // When the pen comes to hold every glider, as this machine sees them, names the player who
    // held last the glider that came in last; nobody when several came in at once.
    void watchPen();
    // Without a server to say who holds what, every avatar is free to take.
    void freeAvatars();
    void updateAvailability();
    // The client's connection has closed: it is dropped, the console opens and says why, and when
    // the server had sent the world the avatars that others held go home, free to take.
    void leaveServer();
    void processPlayers(double now);
    void pickUpAvatar();
    void playRingSound();

    Look& m_world;
    // Declared before the players, whose destructors log through them.
    PeerLogPaces m_paces;
    ChatRelay m_relay;
    heron::PacedLimit m_receivedRings;
    heron::PacedLimit m_flashes;
    heron::PacedLimit m_maestros;
    // The index of the only glider outside the pen at the last tick; none when several were, or
    // none.
    std::optional<std::size_t> m_soleOutside;
    std::uint64_t m_playersGeneration = 0;
    std::unique_ptr<heron::Server> m_server;
    std::vector<std::unique_ptr<NetworkPlayer>> m_players;
    std::unique_ptr<NetLogic> m_client;
    std::optional<bool> m_serveOverride;
    int m_serverPort = gamePort;
    std::optional<PlayerIdentity> m_identityOverride;
    // When the last tick's taking of connections began.
    double m_lastAccepts = 0;
    // Refused connections told why program-wide, those of them told to addresses refused already
    // in their second, and what each address met.
    heron::RateLimit m_explainedRefusals;
    heron::RateLimit m_explainedRepeats;
    std::unordered_map<std::uint32_t, AddressRefusals> m_refusals;
    // Refusals met so far, which number each address's last one.
    std::uint64_t m_refusalsSeen = 0;
    // The addresses whose connects the system drops, and until when.
    std::map<std::uint32_t, double> m_droppedUntil;
    PacketWriter m_refusalWriter;
};
