#include "game/LookNetwork.h"

#include "base/Debug.h"
#include "base/Limits.h"
#include "base/MemoryDataDest.h"
#include "base/net/NetConnection.h"
#include "base/net/Server.h"
#include "base/net/SocketCloser.h"
#include "game/AvatarSlot.h"
#include "game/Look.h"
#include "game/LookLogic.h"
#include "game/NetLogic.h"
#include "game/NetworkPlayer.h"
#include "game/OverlayConsole.h"
#include "gui/toolkit/MessageBox.h"
#include "net/NetworkSettings.h"
#include "sound/SoundEnvironment.h"

#include <algorithm>

namespace
{

constexpr const char* rule = "=========================================\n";
// Seconds a connect to the server may stay pending before it counts as failed.
constexpr double connectTimeout = 20.0;
constexpr std::uint32_t white = 0xFFFFFF;
// Log lines a second about refused connections: a stream of connects cannot fill the log.
constexpr int refusalLinesPerSecond = 4;
// Log lines a second about single connections, and about chat: a stream of connects or a crowd's
// chat cannot fill the log.
constexpr int connectionLogLinesPerSecond = 6;
constexpr int chatLogLinesPerSecond = 4;
// Bytes of players' chat the server passes on to each player in a second, all senders together:
// about thirty full lines, far below what a client reads in a second, so that a crowd chatting at
// each one's allowed pace cannot send a client more than it takes.
constexpr int relayedChatBytesPerSecond = 32 * 1024;

}

LookNetwork::LookNetwork(Look& world)
    : m_world(world)
    , m_connectionLines(connectionLogLinesPerSecond, "lines about connections", &networkNow)
    , m_chatLines(chatLogLinesPerSecond, "lines about chat", &networkNow)
    , m_relayBudget(relayedChatBytesPerSecond, 1.0)
    , m_refusalLines(refusalLinesPerSecond, 1.0)
{
}

LookNetwork::~LookNetwork() = default;

void LookNetwork::updateNetwork()
{
    for (const auto& slot : m_world.avatars()) {
        slot->updateVisibility();
    }
    heron::SocketCloser::instance().sweep();
    m_connectionLines.settle();
    m_chatLines.settle();
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
    // At most as many refused as a full server holds, so that a stream of connects cannot hold up
    // the frame.
    for (std::size_t refused = 0; refused < heron::limits::maxNetPlayers;) {
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
    if (m_refusalLines.allow(now)) {
        heron::debug("Refused a connection from %s (%zu players): %s\n", connection.address().toString(true).c_str(),
                     m_players.size(), reason);
    }
    // One message says why before the connection closes; a client shows it on its console.
    heron::MemoryDataDest message;
    m_refusalWriter.writeMessage(message, {reason, {}});
    connection.writer().write(message.data(), message.size());
    connection.close();
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
    m_client.reset();
    if (!hadWorld) {
        return;
    }
    heron::debug("The connection to the server closed\n");
    showSystemLine("The connection to the server closed");
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
    for (const auto& player : m_players) {
        player->markInfoChanged();
    }
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
    heron::debug("pick up %s\n", slot->name().c_str());
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
    if (Counter* const rings = m_world.ringCounter()) {
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
    OverlayConsole::showMessage(&m_world, message.text, message.colours);
}

bool LookNetwork::allowRelay(std::uint32_t bytes, double now)
{
    if (m_relayBudget.allow(now, int(bytes))) {
        return true;
    }
    if (m_relayBudget.refused() == 1) {
        heron::debug("Chat dropped: the players' lines passed %d bytes a second\n", relayedChatBytesPerSecond);
    }
    return false;
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
