#include "game/net/LookNetwork.h"

#include "base/Debug.h"
#include "base/Limits.h"
#include "base/MemoryDataDest.h"
#include "base/net/NetConnection.h"
#include "base/net/Server.h"
#include "base/net/SocketCloser.h"
#include "game/net/AvatarSlot.h"
#include "game/Look.h"
#include "game/LookLogic.h"
#include "game/net/NetLogic.h"
#include "game/net/NetworkPlayer.h"
#include "game/OverlayConsole.h"
#include "gui/toolkit/MessageBox.h"
#include "net/NetworkSettings.h"
#include "sound/SoundEnvironment.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace
{

constexpr const char* rule = "=========================================\n";
// Seconds a connect to the server may stay pending before it counts as failed.
constexpr double connectTimeout = 20.0;
constexpr std::uint32_t white = 0xFFFFFF;
// Log lines a second about single connections, about chat, about avatars, and reports of damaged
// packets (each several lines and two dumps): a stream of connects, a crowd's chat or a peer's
// flood of packets cannot fill the log.
constexpr int connectionLogLinesPerSecond = 6;
constexpr int chatLogLinesPerSecond = 4;
constexpr int avatarLogLinesPerSecond = 4;
constexpr int faultReportsPerSecond = 1;
// Bytes of players' chat the server passes on to each player in a second: about thirty full lines,
// far below what a client reads in a second, so that a crowd chatting at each one's allowed pace
// cannot send a client more than it takes.
constexpr int relayedChatBytesPerSecond = 32 * 1024;
// Refused connections told why in a second, all addresses together: each holds its socket for a
// moment while the message goes out; the others are dropped at once.
constexpr int explainedRefusalsPerSecond = 16;
// Connections refused in one tick at most.
constexpr int refusalsPerTick = 16;
// Addresses remembered as told: past this many the memory starts afresh.
constexpr std::size_t maxExplainedAddresses = 256;
// Rings this player's avatar takes from the others in a second, and the most the ring counter
// holds through them: more than players throw, while a flood of rings can neither grow the
// counter without end nor ring without pause.
constexpr int receivedRingsPerSecond = 4;
constexpr std::size_t maxRingsHeld = 64;
// Seconds a player may send nothing before a new connection may take its name: an honest client
// answers every ping at once, so a connection that quiet has most likely died, and its player is
// coming back.
constexpr double staleNameSeconds = 5.0;
// Seconds between two flashes from other machines: each stays on screen for many seconds.
constexpr double flashInterval = 2.0;

// A space, or a space that does not break a line.
bool isSpace(unsigned char byte)
{
    return byte == ' ' || byte == 0xA0;
}

// A name as players tell names apart on screen: without spaces at either end, each run of spaces
// inside as one, letters in lower case.
std::string comparableName(const heron_string& name)
{
    std::string comparable;
    for (std::uint32_t i = 0; i < name.length(); ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        if (isSpace(byte)) {
            continue;
        }
        if (i > 0 && isSpace(static_cast<unsigned char>(name[i - 1])) && !comparable.empty()) {
            comparable += ' ';
        }
        comparable += char(std::tolower(byte));
    }
    return comparable;
}

bool sameName(const heron_string& a, const heron_string& b)
{
    return comparableName(a) == comparableName(b);
}

}

LookNetwork::LookNetwork(Look& world)
    : m_world(world)
    , m_connectionLines(connectionLogLinesPerSecond, "lines about connections", &networkNow)
    , m_chatLines(chatLogLinesPerSecond, "lines about chat", &networkNow)
    , m_avatarLines(avatarLogLinesPerSecond, "lines about avatars", &networkNow)
    , m_faultReports(faultReportsPerSecond, "reports of damaged packets", &networkNow)
    , m_relay(relayedChatBytesPerSecond, heron::limits::maxNetPlayers)
    , m_receivedRings(receivedRingsPerSecond, 1.0)
    , m_flashes(1, flashInterval)
    , m_explainedRefusals(explainedRefusalsPerSecond, 1.0)
{
}

LookNetwork::~LookNetwork() = default;

void LookNetwork::updateNetwork()
{
    for (const auto& slot : m_world.avatars()) {
        slot->updateVisibility();
    }
    heron::SocketCloser::instance().sweep();
    for (heron::LogPace* pace : {&m_connectionLines, &m_chatLines, &m_avatarLines, &m_faultReports}) {
        pace->settle();
    }
    const double now = networkNow();
    if (wantsToServe()) {
        serve(now);
        return;
    }
    if (m_server) {
        m_players.clear();
        m_server.reset();
        freeAvatars();
    }
    pickUpAvatar();
    if (m_client) {
        m_client->process(now);
        if (!m_client->isOpen()) {
            leaveServer();
        }
    }
}

void LookNetwork::serve(double now)
{
    if (!m_server) {
        m_server = std::make_unique<heron::Server>(m_serverPort, nullptr);
        if (m_server->hasFailed()) {
            heron::debug("The server could not start on port %d (reason %d)\n", m_serverPort, int(m_server->failureReason()));
        }
    }
    acceptPlayers(now);
    updateAvailability();
    pickUpAvatar();
    processPlayers(now);
}

void LookNetwork::acceptPlayers(double now)
{
    // A few refused a tick at most, so that a stream of connects cannot hold up the frame: the
    // rest wait in the system's queue of connections.
    for (int refused = 0; refused < refusalsPerTick;) {
        const heron::counted_ptr<heron::NetConnection> connection = m_server->acceptConnection();
        if (!connection) {
            return;
        }
        if (const char* const reason = refusalOf(connection->address())) {
            refuse(*connection, reason, now);
            ++refused;
            continue;
        }
        connection->setBlocking(false);
        m_players.push_back(std::make_unique<NetworkPlayer>(m_world, *this, connection, now));
    }
}

const char* LookNetwork::refusalOf(const heron::NetAddress& address) const
{
    if (m_players.size() >= heron::limits::maxNetPlayers) {
        return "The server is full";
    }
    const auto sameHost = [&](const auto& player) { return player->address().address() == address.address(); };
    if (std::size_t(std::count_if(m_players.begin(), m_players.end(), sameHost)) >= heron::limits::maxNetPlayersPerAddress) {
        return "Too many connections from your address";
    }
    return nullptr;
}

void LookNetwork::refuse(heron::NetConnection& connection, const char* reason, double now)
{
    if (m_connectionLines.allow()) {
        heron::debug("Refused a connection from %s (%zu players): %s\n", connection.address().toString(true).c_str(),
                     m_players.size(), reason);
    }
    if (!mayExplainRefusal(connection.address(), now)) {
        connection.abort();
        return;
    }
    // One message says why before the connection closes; a client shows it on its console.
    connection.setEndLines(&m_connectionLines);
    heron::MemoryDataDest message;
    m_refusalWriter.writeMessage(message, {reason, {}});
    connection.writer().write(message.data(), message.size());
    connection.close();
}

bool LookNetwork::mayExplainRefusal(const heron::NetAddress& address, double now)
{
    const auto told = m_lastExplained.find(address.address());
    if (told != m_lastExplained.end() && now - told->second < 1.0) {
        return false;
    }
    if (!m_explainedRefusals.allow(now)) {
        return false;
    }
    if (m_lastExplained.size() >= maxExplainedAddresses) {
        m_lastExplained.clear();
    }
    m_lastExplained[address.address()] = now;
    return true;
}

void LookNetwork::freeAvatars()
{
    for (const auto& slot : m_world.avatars()) {
        slot->setAvailable(true);
    }
}

void LookNetwork::updateAvailability()
{
    freeAvatars();
    if (AvatarSlot* const held = m_world.logic().heldAvatar()) {
        held->setAvailable(false);
    }
    for (const auto& player : m_players) {
        if (AvatarSlot* const held = player->heldAvatar()) {
            held->setAvailable(false);
        }
    }
}

void LookNetwork::leaveServer()
{
    const bool hadWorld = m_client->hasWorld();
    const heron_string reason = m_client->endReason();
    m_client.reset();
    if (!reason.empty()) {
        heron::debug("%s\n", reason.c_str());
        showSystemLine(reason);
    }
    OverlayConsole::open();
    if (!hadWorld) {
        return;
    }
    for (const auto& slot : m_world.avatars()) {
        if (slot.get() != m_world.logic().heldAvatar()) {
            slot->reset();
        }
    }
}

void LookNetwork::processPlayers(double now)
{
    // Players leave only after every player has had its turn, so that a player's handlers can
    // reach the others.
    std::vector<NetworkPlayer*> closed;
    for (const auto& player : m_players) {
        if (!player->processPackets(now)) {
            closed.push_back(player.get());
        }
    }
    if (closed.empty()) {
        return;
    }
    std::erase_if(m_players, [&](const auto& player) {
        return std::find(closed.begin(), closed.end(), player.get()) != closed.end();
    });
    markPlayersChanged();
}

void LookNetwork::pickUpAvatar()
{
    LookLogic& logic = m_world.logic();
    if (logic.heldAvatar() != nullptr) {
        return;
    }
    // The avatar let go last stays out of reach, and leaves the others within it.
    AvatarSlot* const slot =
        m_world.avatars().nearestAvatar(m_world.currentLevel(), m_world.camera().eye(), logic.releasedAvatar());
    if (slot == nullptr || !slot->isVisible() || !logic.holdAvatar(slot)) {
        return;
    }
    if (m_avatarLines.allow()) {
        heron::debug("pick up %s\n", slot->name().c_str());
    }
    slot->setAvailable(false);
}

void LookNetwork::connectToServer()
{
    heron::NetAddress address = NetworkSettings::netAddress;
    address.setPort(m_serverPort);
    if (!connectTo(address)) {
        kestrel::errorBox("Can't connect to server\n");
    }
}

bool LookNetwork::connectTo(const heron::NetAddress& address)
{
    heron::debug("\n%s", rule);
    heron::debug("trying to connect to: %s\n", address.toString(true).c_str());
    const heron::counted_ptr<heron::NetConnection> connection(new heron::NetConnection(address));
    const bool started = connection->isConnected();
    if (started) {
        heron::debug("connected to server...\n");
        connection->setBlocking(false);
        m_client = std::make_unique<NetLogic>(m_world, *this, connection, connectTimeout);
    } else {
        heron::debug("Couldn't connect to server...\n");
    }
    heron::debug("%s", rule);
    return started;
}

void LookNetwork::disconnect()
{
    if (m_client) {
        m_client.reset();
        freeAvatars();
    }
}

bool LookNetwork::isConnectedClient(bool& stillConnecting) const
{
    stillConnecting = false;
    if (!m_client || !m_client->isOpen()) {
        return false;
    }
    stillConnecting = m_client->isConnecting();
    return true;
}

ConnectionState LookNetwork::state() const
{
    if (m_server) {
        return {ConnectionState::Mode::serving, m_players.size(), {}};
    }
    bool connecting = false;
    if (!isConnectedClient(connecting)) {
        return {};
    }
    const auto mode = connecting ? ConnectionState::Mode::connecting : ConnectionState::Mode::connected;
    return {mode, 0, m_client->server()};
}

std::vector<ColouredText> LookNetwork::playersList() const
{
    if (m_server && !m_players.empty()) {
        std::vector<ColouredText> lines{{"Connected players:", std::vector<std::uint32_t>(18, white)}};
        for (const auto& player : m_players) {
            heron_string line("  ");
            line += player->identity().name;
            lines.push_back({line, std::vector<std::uint32_t>(line.length(), player->identity().colour)});
        }
        return lines;
    }
    // A client whose server has gone lists nobody.
    return m_client && m_client->isOpen() ? m_client->players() : std::vector<ColouredText>();
}

void LookNetwork::broadcastMessage(const ColouredText& message, const NetworkPlayer* except)
{
    if (m_client) {
        m_client->sendMessage(message);
    }
    for (const auto& player : m_players) {
        if (player.get() != except) {
            player->sendMessage(message);
        }
    }
}

void LookNetwork::announceMaestro()
{
    heron_string text("%%");
    text += identity().name;
    text += " is the Maestro!";
    broadcastMessage({text, std::vector<std::uint32_t>(text.length(), white)});
}

void LookNetwork::ringAvatar(AvatarSlot& slot)
{
    if (!m_world.hasCollected()) {
        playRingSound();
        return;
    }
    bool connecting = false;
    if (m_server) {
        markHoldersRung(slot);
    } else if (isConnectedClient(connecting) && !connecting) {
        m_client->requestRing(slot);
    }
    if (Counter* const rings = m_world.ringCounter()) {
        rings->removeLast();
    }
    playRingSound();
}

void LookNetwork::markHoldersRung(const AvatarSlot& slot)
{
    for (const auto& player : m_players) {
        if (player->heldAvatar() == &slot) {
            player->markRung();
        }
    }
}

void LookNetwork::receiveRing()
{
    Counter* const rings = m_world.ringCounter();
    const bool full = rings != nullptr && rings->count() >= maxRingsHeld;
    if (full || !m_receivedRings.allow(networkNow())) {
        if (m_avatarLines.allow()) {
            heron::debug("A ring dropped: %s\n", full ? "the ring counter is full" : "too many rings a second");
        }
        return;
    }
    if (rings != nullptr) {
        rings->collected.push_back(nullptr);
    }
    playRingSound();
}

void LookNetwork::playRingSound()
{
    egret::SoundEnvironment* const sounds = liveSoundEnvironment();
    if (sounds != nullptr && m_world.medalCatchSoundBuffer()) {
        sounds->playEffect(m_world.medalCatchSoundBuffer(), 1.0f);
    }
}

void LookNetwork::showMessage(const ColouredText& message)
{
    if (OverlayConsole::isFlash(message.text) && !m_flashes.allow(networkNow())) {
        if (m_chatLines.allow()) {
            heron::debug("Flash dropped: one every %.0f seconds\n", flashInterval);
        }
        return;
    }
    OverlayConsole::showMessage(&m_world, message.text, message.colours);
}

bool LookNetwork::allowRelay(const NetworkPlayer& sender, std::uint32_t bytes, double now)
{
    if (m_relay.allow(&sender, bytes, now)) {
        return true;
    }
    if (m_relay.isFirstRefusal() && m_chatLines.allow()) {
        heron::debug("Chat dropped: a player's lines passed its part of %d bytes a second\n", relayedChatBytesPerSecond);
    }
    return false;
}

bool LookNetwork::claimName(const heron_string& name, const NetworkPlayer& claimant, double now)
{
    if (sameName(name, identity().name)) {
        return false;
    }
    const auto holder = std::find_if(m_players.begin(), m_players.end(), [&](const auto& player) {
        return player.get() != &claimant && player->isIdentified() && sameName(name, player->identity().name);
    });
    if (holder == m_players.end()) {
        return true;
    }
    if ((*holder)->silence(now) < staleNameSeconds) {
        return false;
    }
    (*holder)->yieldName();
    return true;
}

void LookNetwork::showSystemLine(const heron_string& text)
{
    showMessage({text, std::vector<std::uint32_t>(text.length(), OverlayConsole::systemColour)});
}

bool LookNetwork::wantsToServe() const
{
    return m_serveOverride.value_or(NetworkSettings::actAsServer);
}

int LookNetwork::listeningPort() const
{
    return m_server ? m_server->port() : 0;
}

PlayerIdentity LookNetwork::identity() const
{
    return m_identityOverride.value_or(PlayerIdentity{NetworkSettings::userName, NetworkSettings::userColor});
}
