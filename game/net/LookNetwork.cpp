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
#include "net/PlayerNames.h"
#include "sound/SoundEnvironment.h"

#include <algorithm>
#include <string>
#include <unordered_set>

namespace
{

constexpr const char* rule = "=========================================\n";
// Seconds a connect to the server may stay pending before it counts as failed.
constexpr double connectTimeout = 20.0;
// Bytes of players' chat the server passes on to each player in a second: about thirty full lines,
// far below what a client reads in a second, so that a crowd chatting at each one's allowed pace
// cannot send a client more than it takes.
constexpr int relayedChatBytesPerSecond = 32 * 1024;
// The time one tick may spend taking waiting connections: a share of the time since the last
// tick, up to a second's, so that a server slowed to a few ticks a second takes as many a second
// as a fast one, and at least the time of a few hundred accepts. A stream of connects from one
// address has to come faster than these to keep a newcomer from another waiting behind it in the
// system's queue.
constexpr double acceptShare = 0.1;
constexpr double leastAcceptTime = 0.0015;
constexpr double mostAcceptTime = acceptShare * 1.0;
// Refused connections told why in a second, all addresses together and from one address: each
// holds its socket for a moment while the message goes out; the others are dropped at once. Of
// those of a second, addresses refused already in their second (told or not) take this many at
// most, so that the rest is left for addresses not yet told.
constexpr int explainedRefusalsPerSecond = 16;
constexpr int explainedRefusalsPerAddress = 4;
constexpr int explainedRepeatsPerSecond = 8;
// Addresses whose refusals are remembered: past this many, the half refused longest ago is
// forgotten.
constexpr std::size_t maxRefusedAddresses = 256;
// Connections of one address in a second that the server does not take (refused, or ended by the
// peer before they were taken) past which its connects are dropped by the system, and the seconds
// they are dropped for: an honest player tries again a few times a minute.
constexpr int refusalsBeforeDropping = 64;
constexpr double dropSeconds = 10.0;
// Rings from others the ring counter holds at most: a few dozen, more than anybody collects.
constexpr std::size_t mostRingsHeld = 64;
// Seconds between two flashes from other machines: each stays on screen for many seconds.
constexpr double flashInterval = 2.0;
// Seconds in which one Maestro at most is named: a few players taking a glider out of the pen
// and back cannot keep names flashing on every screen.
constexpr double maestroInterval = 60.0;

const PacketRule& ringRule()
{
    return *ruleOf(PacketLink::Side::client, 'r');
}

}

LookNetwork::LookNetwork(Look& world)
    : m_world(world)
    , m_paces(&networkNow)
    , m_relay(relayedChatBytesPerSecond, heron::limits::maxNetPlayers, "bytes", "Chat", &m_paces[PeerLines::chat])
    , m_receivedRings(ringRule().count, ringRule().window, "Rings", m_paces[PeerLines::avatars])
    , m_flashes(1, flashInterval, "Flashes", m_paces[PeerLines::chat])
    , m_maestros(1, maestroInterval, "Maestro announcements", m_paces[PeerLines::chat])
    , m_explainedRefusals(explainedRefusalsPerSecond, 1.0)
    , m_explainedRepeats(explainedRepeatsPerSecond, 1.0)
{
}

LookNetwork::~LookNetwork() = default;

void LookNetwork::updateNetwork()
{
    for (const auto& slot : m_world.avatars()) {
        slot->updateVisibility();
    }
    heron::SocketCloser::instance().sweep();
    m_paces.settle();
    const double now = networkNow();
    if (wantsToServe()) {
        serve(now);
        return;
    }
    if (m_server) {
        m_players.clear();
        m_server.reset();
        m_droppedUntil.clear();
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
    endDroppedConnects(now);
    acceptPlayers(now);
    watchPen();
    updateAvailability();
    pickUpAvatar();
    processPlayers(now);
}

void LookNetwork::acceptPlayers(double now)
{
    const double budget = std::clamp(acceptShare * (now - m_lastAccepts), leastAcceptTime, mostAcceptTime);
    m_lastAccepts = now;
    for (const double start = networkNow(); networkNow() - start < budget;) {
        const heron::counted_ptr<heron::NetConnection> connection = m_server->acceptConnection();
        if (!connection) {
            return;
        }
        // Ended before it was taken, it holds no place, and counts against its address as a refusal
        // does: a stream of connects reset at once is dropped like one of refused connects.
        if (connection->isEndedByPeer()) {
            countRefusal(connection->address(), now);
            connection->abort();
            continue;
        }
        if (const char* const reason = refusalOf(connection->address())) {
            refuse(*connection, reason, now);
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
    if (connectionLines().allow()) {
        heron::debug("Refused a connection from %s (%zu players): %s\n", connection.address().toString(true).c_str(),
                     m_players.size(), reason);
    }
    countRefusal(connection.address(), now);
    if (!mayExplainRefusal(refusalsOf(connection.address()), now)) {
        connection.abort();
        return;
    }
    // One message says why before the connection closes; a client shows it on its console.
    connection.setEndLines(&connectionLines());
    heron::MemoryDataDest message;
    m_refusalWriter.writeMessage(message, {reason, {}});
    connection.writer().write(message.data(), message.size());
    connection.close();
}

void LookNetwork::countRefusal(const heron::NetAddress& address, double now)
{
    if (!refusalsOf(address).refused.allow(now)) {
        dropConnectsOf(address, now);
    }
}

bool LookNetwork::mayExplainRefusal(AddressRefusals& refusals, double now)
{
    const bool refusedBefore = refusals.told.isOpen(now);
    if (!refusals.told.allow(now) || (refusedBefore && !m_explainedRepeats.allow(now))) {
        return false;
    }
    return m_explainedRefusals.allow(now);
}

LookNetwork::AddressRefusals& LookNetwork::refusalsOf(const heron::NetAddress& address)
{
    if (m_refusals.size() >= maxRefusedAddresses && !m_refusals.contains(address.address())) {
        forgetOldestRefusals();
    }
    const AddressRefusals fresh{heron::RateLimit(explainedRefusalsPerAddress, 1.0), heron::RateLimit(refusalsBeforeDropping, 1.0)};
    AddressRefusals& refusals = m_refusals.try_emplace(address.address(), fresh).first->second;
    refusals.lastSeen = ++m_refusalsSeen;
    return refusals;
}

void LookNetwork::forgetOldestRefusals()
{
    std::vector<std::uint64_t> seen;
    for (const auto& [address, refusals] : m_refusals) {
        seen.push_back(refusals.lastSeen);
    }
    const auto middle = seen.begin() + std::ptrdiff_t(seen.size() / 2);
    std::nth_element(seen.begin(), middle, seen.end());
    std::erase_if(m_refusals, [&](const auto& entry) { return entry.second.lastSeen < *middle; });
}

void LookNetwork::dropConnectsOf(const heron::NetAddress& address, double now)
{
    if (m_droppedUntil.contains(address.address()) || m_droppedUntil.size() >= heron::Server::maxDroppedAddresses) {
        return;
    }
    m_droppedUntil[address.address()] = now + dropSeconds;
    if (const int error = dropListedConnects(); error != 0) {
        // Left out of the table, so that a later refusal tries again.
        m_droppedUntil.erase(address.address());
        if (connectionLines().allow()) {
            heron::debug("The system would not drop the connects of %s (error %d)\n", address.toString(false).c_str(), error);
        }
        return;
    }
    // Outside the paces, which the refusals before it have used up: the line comes once an address
    // in its seconds, for a few dozen addresses at most.
    heron::debug("Dropping the connects of %s for %.0f seconds: more than %d refused in a second\n",
                 address.toString(false).c_str(), dropSeconds, refusalsBeforeDropping);
}

void LookNetwork::endDroppedConnects(double now)
{
    if (std::erase_if(m_droppedUntil, [&](const auto& dropped) { return dropped.second <= now; }) == 0) {
        return;
    }
    if (const int error = dropListedConnects(); error != 0 && connectionLines().allow()) {
        heron::debug("The system would not change the addresses whose connects it drops (error %d)\n", error);
    }
}

int LookNetwork::dropListedConnects()
{
    std::vector<std::uint32_t> addresses;
    for (const auto& [address, until] : m_droppedUntil) {
        addresses.push_back(address);
    }
    return m_server->dropConnectsFrom(addresses);
}

void LookNetwork::watchPen()
{
    const LookLogic& logic = m_world.logic();
    if (!logic.hasPen()) {
        return;
    }
    std::size_t outside = 0;
    std::optional<std::size_t> sole;
    for (const auto& slot : m_world.avatars()) {
        if (slot->isGravatar() && !logic.isInPen(*slot)) {
            ++outside;
            sole = slot->index();
        }
    }
    if (outside == 0 && m_soleOutside) {
        announceMaestro(m_world.avatars()[*m_soleOutside].carrier());
    }
    m_soleOutside = outside == 1 ? sole : std::nullopt;
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
    if (avatarLines().allow()) {
        heron::debug("pick up %s\n", slot->name().c_str());
    }
    slot->setAvailable(false);
    slot->setCarrier(netName(identity().name));
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
        std::vector<ColouredText> lines{oneColour("Connected players:", white)};
        for (const auto& player : m_players) {
            if (player->isIdentified()) {
                lines.push_back(oneColour("  " + player->identity().name, player->identity().colour));
            }
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

void LookNetwork::announceMaestro(const heron_string& name)
{
    if (name.empty() || !m_maestros.allow(networkNow(), name.c_str())) {
        return;
    }
    const ColouredText line = maestroLine(name);
    showMessage(line);
    broadcastMessage(line);
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
    if (rings != nullptr && rings->count() >= mostRingsHeld) {
        if (avatarLines().allow()) {
            heron::debug("A ring dropped: the ring counter is full\n");
        }
        return;
    }
    if (!m_receivedRings.allow(networkNow(), "other players")) {
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
    if (OverlayConsole::isFlash(message.text) && !m_flashes.allow(networkNow(), "other machines")) {
        return;
    }
    OverlayConsole::showMessage(&m_world, message.text, message.colours);
}

bool LookNetwork::allowRelay(const NetworkPlayer& sender, std::uint32_t bytes, double now)
{
    return m_relay.allow(&sender, bytes, now);
}

heron_string LookNetwork::refusalOfName(const heron_string& name, const NetworkPlayer& claimant) const
{
    if (const char* const flaw = flawOfName(name)) {
        return flaw;
    }
    const auto holds = [&](const auto& player) {
        return player.get() != &claimant && player->isIdentified() && isSameName(name, player->identity().name);
    };
    if (isSameName(name, identity().name) || std::any_of(m_players.begin(), m_players.end(), holds)) {
        return "The name " + name + " is taken: choose another";
    }
    return heron_string();
}

heron_string LookNetwork::nameForNameless() const
{
    std::unordered_set<std::string> taken{comparableName(identity().name)};
    for (const auto& player : m_players) {
        if (player->isIdentified()) {
            taken.insert(comparableName(player->identity().name));
        }
    }
    for (std::size_t number = 2;; ++number) {
        const heron_string name = ("Player " + std::to_string(number)).c_str();
        if (!taken.contains(comparableName(name))) {
            return name;
        }
    }
}

heron_string LookNetwork::shownName() const
{
    const heron_string own = netName(identity().name);
    return isBlankName(own) && m_client ? m_client->toldName().value_or(own) : own;
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
    PlayerIdentity own = m_identityOverride.value_or(PlayerIdentity{NetworkSettings::userName, NetworkSettings::userColor});
    if (wantsToServe() && isBlankName(own.name)) {
        own.name = "Player 1";
    }
    return own;
}
