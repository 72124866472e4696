#include "game/net/NetworkPlayer.h"

#include "base/Debug.h"
#include "base/ReadError.h"
#include "base/net/NetConnection.h"
#include "game/net/AvatarSlot.h"
#include "game/Level.h"
#include "game/Look.h"
#include "game/LookLogic.h"
#include "net/PlayerNames.h"

#include <algorithm>

namespace
{

// Motion packets a player may leave unacknowledged, per avatar of the world.
constexpr int unacknowledgedPerAvatar = 10;
// Seconds between two availability packets.
constexpr double availabilityPeriod = 1.0;
// Shortest time between two samples of one avatar to one player, in seconds, however small the
// ping: bounds the traffic of a fast loopback peer.
constexpr double minMotionInterval = 1.0 / 30.0;
// Seconds a connection has to say who it is; a client does so as soon as it has the world list.
constexpr double identifyTimeout = 5.0;
// Seconds a player may send nothing at all before its connection is closed: an honest client
// answers the server's ping within a round trip.
constexpr double silenceTimeout = 30.0;
// Bytes of players lists a second one player is sent at most: a small list goes out at most once a
// second, a large one every few seconds, however often players come and go.
constexpr double playersListBytesPerSecond = 2048.0;
constexpr double playersListPeriod = 1.0;
// Seconds an avatar's holder may send none of its motion before the avatar goes home, as long as a
// replay waits for a gap in the motion: an honest holder sends it every frame.
constexpr double heldMotionTimeout = 5.0;

std::vector<WorldEntry> worldList(const AvatarSlots& slots)
{
    std::vector<WorldEntry> entries;
    for (const auto& slot : slots) {
        entries.push_back({slot->name(), slot->level() != nullptr ? slot->level()->name : heron_string(), slot->sample()});
    }
    return entries;
}

std::vector<bool> availability(const AvatarSlots& slots)
{
    std::vector<bool> available;
    for (const auto& slot : slots) {
        available.push_back(slot->isAvailable());
    }
    return available;
}

}

NetworkPlayer::NetworkPlayer(Look& world, LookNetwork& network, const heron::counted_ptr<heron::NetConnection>& connection,
                             double now)
    : m_world(world)
    , m_network(network)
    , m_link(connection, PacketLink::Side::server)
    , m_senders(world.avatars().size())
    , m_nextPlayersList(now)
    , m_connectedAt(now)
    , m_lastHeard(now)
    , m_rates(PacketLink::Side::server, network.paces())
    , m_who(connection->address().toString(true).c_str())
{
    m_link.setLogPaces(&network.connectionLines(), &network.paces()[PeerLines::faults]);
    if (network.connectionLines().allow()) {
        heron::debug("network player on %s\n", who());
    }
    if (!connection->setNoDelay(true) && network.connectionLines().allow()) {
        heron::debug("Couldn't set TCP no-delay\n");
    }
    m_link.writer().writeWorld(m_link.out(), worldList(world.avatars()));
    writePacket(m_link.out(), '=');
}

NetworkPlayer::~NetworkPlayer()
{
    // A departed player's avatar goes home, as a silent holder's does: it may stand on a level
    // where nobody would find it.
    if (AvatarSlot* const held = m_held) {
        drop();
        held->reset();
    }
    settleLetGo();
    if (m_network.connectionLines().allow()) {
        heron::debug("~network player on %s\n", who());
    }
}

bool NetworkPlayer::processPackets(double now)
{
    // Periodic packets wait until what earlier ticks queued has gone; replies do not wait.
    const bool drained = m_link.isDrained();
    if (!m_link.receive([&](const Packet& packet) { handle(packet, now); })) {
        // What the player sent before it closed is handled a share a tick, to the last packet.
        return m_link.hasUnhandled();
    }
    // Judged only after reading: a late tick finds what the player sent in the meantime.
    if (isUnnamedTooLong(now) || isSilentTooLong(now)) {
        m_link.connection().abort();
        return false;
    }
    takeWaiting(now);
    releaseIdleAvatar(now);
    replayMotion(now);
    if (drained) {
        queueDue(now);
    }
    m_link.send(now);
    return m_link.isOpen();
}

const heron::NetAddress& NetworkPlayer::address()
{
    return m_link.connection().address();
}

void NetworkPlayer::sendMessage(const ColouredText& message)
{
    m_link.writer().writeMessage(m_link.out(), message);
}

void NetworkPlayer::handle(const Packet& packet, double now)
{
    m_lastHeard = now;
    if (!m_rates.takes(packet.kind)) {
        throw heron::ReadError("a kind the server does not take");
    }
    if (m_link.takeControl(packet, now)) {
        return;
    }
    heron::MemoryDataSource body = bodyOf(packet);
    switch (packet.kind) {
    case 'A':
        handleMotion(body, now);
        break;
    case '-':
        handleLetGo();
        break;
    case '+':
        handleTake(body, now);
        break;
    case 'L':
        handleLevel(body, now);
        break;
    case 'm':
        handleMessage(body, now);
        break;
    case 'p':
        handleIdentity(body, now);
        break;
    case 'r':
        handleRing(body, now);
        break;
    }
}

void NetworkPlayer::handleMotion(heron::DataSource& body, double now)
{
    const MotionSample sample = readSample(body);
    writePacket(m_link.out(), 'a');
    // A player moves only the avatar it holds, whatever index its samples name.
    if (m_held != nullptr && sample.index == m_held->index()) {
        m_lastHeldMotion = now;
        m_replay.push(sample, now);
    }
}

void NetworkPlayer::handleLetGo()
{
    settleWaitingLevel();
    m_waitingTake.reset();
    m_waitingLevel.reset();
    letGo();
}

void NetworkPlayer::handleTake(heron::DataSource& body, double now)
{
    const heron_string name = readName(body);
    settleWaitingLevel();
    m_waitingTake = name;
    takeWaiting(now);
}

void NetworkPlayer::handleLevel(heron::DataSource& body, double now)
{
    m_waitingLevel = readName(body);
    takeWaiting(now);
}

void NetworkPlayer::takeWaiting(double now)
{
    if (m_waitingTake && m_rates.allow('+', now, who())) {
        const heron_string name = std::move(*m_waitingTake);
        m_waitingTake.reset();
        take(name, now);
    }
    // A level sent behind a take that waits is the level of the avatar taken: it waits behind it.
    if (m_waitingLevel && !m_waitingTake && m_rates.allow('L', now, who())) {
        const heron_string name = std::move(*m_waitingLevel);
        m_waitingLevel.reset();
        enterLevel(name);
    }
}

void NetworkPlayer::take(const heron_string& name, double now)
{
    AvatarSlot* const slot = m_world.avatars().named(name);
    if (slot == nullptr) {
        if (m_network.avatarLines().allow()) {
            heron::debug("couldn't find %s\n", name.c_str());
        }
        return;
    }
    if (slot == m_held) {
        return;
    }
    if (!slot->isAvailable()) {
        writePacket(m_link.out(), '-');
        if (m_network.avatarLines().allow()) {
            heron::debug("Telling the player to drop %s\n", name.c_str());
        }
        return;
    }
    letGo();
    settleLetGo();
    if (m_network.avatarLines().allow()) {
        heron::debug("Player picked up %s\n", name.c_str());
    }
    slot->setAvailable(false);
    slot->setCarrier(m_identity.name);
    m_held = slot;
    m_lastHeldMotion = now;
}

void NetworkPlayer::settleWaitingLevel()
{
    if (m_waitingLevel && !m_waitingTake) {
        enterLevel(*m_waitingLevel);
        m_waitingLevel.reset();
    }
}

void NetworkPlayer::enterLevel(const heron_string& name)
{
    if (m_held == nullptr) {
        return;
    }
    Level* const level = m_world.levelNamed(name);
    if (level == nullptr || level == m_held->level()) {
        return;
    }
    m_held->setLevel(level);
    if (m_network.avatarLines().allow()) {
        heron::debug("Net player is on level %s\n", name.c_str());
    }
}

void NetworkPlayer::handleRing(heron::DataSource& body, double now)
{
    const heron_string name = readName(body);
    if (!m_rates.allow('r', now, who())) {
        return;
    }
    AvatarSlot* const slot = m_world.avatars().named(name);
    if (slot == nullptr) {
        return;
    }
    if (slot == m_world.logic().heldAvatar()) {
        m_network.receiveRing();
        return;
    }
    // The ringing player spent its own ring: the holders are rung without spending the server's.
    m_network.markHoldersRung(*slot);
}

void NetworkPlayer::handleMessage(heron::DataSource& body, double now)
{
    const ColouredText message = readMessage(body);
    if (!m_rates.allow('m', now, who())) {
        return;
    }
    const std::optional<std::uint32_t> typedAt = m_identified ? typedStart(message.text, m_ownName) : std::nullopt;
    if (!typedAt) {
        if (m_network.chatLines().allow()) {
            heron::debug("Chat from %s dropped: not in its own name\n", who());
        }
        return;
    }
    relay(underName(message, *typedAt, m_identity.name, m_identity.colour), now);
}

void NetworkPlayer::relay(const ColouredText& line, double now)
{
    if (!m_network.allowRelay(*this, m_link.writer().messageSize(line), now)) {
        return;
    }
    m_lastMessage = line;
    m_network.showMessage(m_lastMessage);
    m_network.broadcastMessage(m_lastMessage, this);
}

void NetworkPlayer::handleIdentity(heron::DataSource& body, double now)
{
    const ColouredText identity = readIdentity(body);
    // The same identity again changes nothing, so nobody is sent the players list for it.
    if (m_identified && identity.text == m_ownName && identity.colours.front() == m_identity.colour) {
        return;
    }
    if (!m_rates.allow('p', now, who())) {
        return;
    }
    const bool nameless = isBlankName(identity.text);
    if (!nameless) {
        if (const heron_string refusal = m_network.refusalOfName(identity.text, *this); !refusal.empty()) {
            refuseName(refusal, now);
            return;
        }
    }
    m_identity = {nameless ? madeName() : identity.text, identity.colours.front()};
    m_ownName = identity.text;
    m_identified = true;
    m_network.markPlayersChanged();
}

heron_string NetworkPlayer::madeName()
{
    if (m_identified && isBlankName(m_ownName)) {
        return m_identity.name;
    }
    const heron_string name = m_network.nameForNameless();
    sendMessage(playsAsLine(name));
    return name;
}

void NetworkPlayer::refuseName(const heron_string& reason, double now)
{
    if (m_network.connectionLines().allow()) {
        heron::debug("Closing the connection from %s: %s\n", who(), reason.c_str());
    }
    m_link.writer().writeMessage(m_link.out(), oneColour(reason, white));
    m_link.send(now);
    m_link.close();
}

bool NetworkPlayer::isUnnamedTooLong(double now)
{
    if (m_identified || now - m_connectedAt <= identifyTimeout) {
        return false;
    }
    if (m_network.connectionLines().allow()) {
        heron::debug("Closing the connection from %s: it did not say who it is within %.0f seconds\n", who(),
                     identifyTimeout);
    }
    return true;
}

bool NetworkPlayer::isSilentTooLong(double now)
{
    if (now - m_lastHeard <= silenceTimeout) {
        return false;
    }
    if (m_network.connectionLines().allow()) {
        heron::debug("Closing the connection from %s: nothing came from it for %.0f seconds\n", who(), silenceTimeout);
    }
    return true;
}

void NetworkPlayer::releaseIdleAvatar(double now)
{
    if (m_held == nullptr || now - m_lastHeldMotion <= heldMotionTimeout) {
        return;
    }
    if (m_network.avatarLines().allow()) {
        heron::debug("%s goes home: its holder sent none of its motion for %.0f seconds\n", m_held->name().c_str(),
                     heldMotionTimeout);
    }
    AvatarSlot* const held = m_held;
    drop();
    held->reset();
    writePacket(m_link.out(), '-');
}

void NetworkPlayer::drop()
{
    if (m_held == nullptr) {
        return;
    }
    m_held->setAvailable(true);
    m_held = nullptr;
    m_replay.reset();
}

void NetworkPlayer::letGo()
{
    if (m_held == nullptr) {
        return;
    }
    m_released = m_held;
    m_held->setAvailable(true);
    m_held = nullptr;
    m_replay.playOut();
}

void NetworkPlayer::replayMotion(double now)
{
    if (m_released != nullptr && !m_released->isAvailable()) {
        m_released = nullptr;
        m_replay.reset();
    }
    AvatarSlot* const moved = m_held != nullptr ? m_held : m_released;
    const std::optional<MotionSample> shown = m_replay.step(m_link.ping(), now);
    if (shown && moved != nullptr) {
        moved->placeFromSample(*shown);
    }
    if (m_released != nullptr && m_replay.isPlayedOut()) {
        m_released = nullptr;
        m_replay.reset();
    }
}

void NetworkPlayer::settleLetGo()
{
    if (m_released == nullptr) {
        return;
    }
    if (const std::optional<MotionSample> last = m_replay.last(); last && m_released->isAvailable()) {
        m_released->placeFromSample(*last);
    }
    m_released = nullptr;
    m_replay.reset();
}

void NetworkPlayer::queueDue(double now)
{
    queuePlayers(now);
    queueMotion(now);
    if (now - m_lastAvailability > availabilityPeriod) {
        m_link.writer().writeAvailability(m_link.out(), availability(m_world.avatars()));
        m_lastAvailability = now;
    }
    if (m_rung) {
        m_rung = false;
        writePacket(m_link.out(), 'r');
    }
}

void NetworkPlayer::queuePlayers(double now)
{
    if (m_listedGeneration == m_network.playersGeneration() || now < m_nextPlayersList) {
        return;
    }
    m_listedGeneration = m_network.playersGeneration();
    const std::uint32_t before = m_link.backlog();
    m_link.writer().writePlayers(m_link.out(), playersFor());
    const double bytes = double(m_link.backlog() - before);
    m_nextPlayersList = now + std::max(playersListPeriod, bytes / playersListBytesPerSecond);
}

void NetworkPlayer::queueMotion(double now)
{
    const AvatarSlots& slots = m_world.avatars();
    const double interval = std::max(m_link.ping() / 3.0, minMotionInterval);
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (m_link.unacknowledged() >= unacknowledgedPerAvatar * int(slots.size())) {
            return;
        }
        // The avatar the player let go is where it let it go on its screen: it is sent once played out.
        if (&slots[i] == m_held || &slots[i] == m_released || now - m_senders[i].lastSent() < interval) {
            continue;
        }
        m_link.countMotionSent();
        m_senders[i].send(slots[i], m_link, now, true);
    }
}

std::vector<ColouredText> NetworkPlayer::playersFor() const
{
    const PlayerIdentity own = m_network.identity();
    std::vector<ColouredText> players{{own.name, {own.colour}}};
    for (const auto& player : m_network.players()) {
        if (player.get() != this && player->isIdentified()) {
            players.push_back({player->identity().name, {player->identity().colour}});
        }
    }
    return players;
}
