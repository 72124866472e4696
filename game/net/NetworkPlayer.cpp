#include "game/net/NetworkPlayer.h"

#include "base/Debug.h"
#include "base/ReadError.h"
#include "base/net/NetConnection.h"
#include "game/net/AvatarSlot.h"
#include "game/Level.h"
#include "game/Look.h"
#include "game/LookLogic.h"

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
// Chat lines a second a player may send: more than a person types.
constexpr int chatLinesPerSecond = 3;
// Seconds a player may send nothing at all before its connection is closed: an honest client
// answers the server's ping within a round trip.
constexpr double silenceTimeout = 30.0;
// Seconds between two players lists to one player: a flood of identities cannot make the server
// send every player the whole list again and again.
constexpr double playersListPeriod = 1.0;
// Rings a second a player may send: more than anybody throws.
constexpr int ringsPerSecond = 2;
// Takes and level changes a second a player may send: a client sends one each time its player
// picks up an avatar or enters a level.
constexpr int takesPerSecond = 2;
constexpr int levelsPerSecond = 2;
// A player may take a new name once in this many seconds: a client says who it is once.
constexpr double renameInterval = 10.0;
// Seconds an avatar's holder may send none of its motion before the avatar goes home, as long as a
// replay waits for a gap in the motion: an honest holder sends it every frame.
constexpr double heldMotionTimeout = 5.0;
constexpr std::uint32_t white = 0xFFFFFF;

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
    , m_lastPlayersList(now - playersListPeriod)
    , m_connectedAt(now)
    , m_lastHeard(now)
    , m_chat(chatLinesPerSecond, 1.0)
    , m_rings(ringsPerSecond, 1.0)
    , m_takes(takesPerSecond, 1.0)
    , m_levels(levelsPerSecond, 1.0)
    , m_renames(1, renameInterval)
{
    m_link.setLogPaces(&network.connectionLines(), &network.faultReports());
    if (network.connectionLines().allow()) {
        heron::debug("network player on %s\n", connection->address().toString(true).c_str());
    }
    if (!connection->setNoDelay(true) && network.connectionLines().allow()) {
        heron::debug("Couldn't set TCP no-delay\n");
    }
    m_link.writer().writeWorld(m_link.out(), worldList(world.avatars()));
    writePacket(m_link.out(), '=');
}

NetworkPlayer::~NetworkPlayer()
{
    drop();
    if (m_network.connectionLines().allow()) {
        heron::debug("~network player on %s\n", m_link.connection().address().toString(true).c_str());
    }
}

bool NetworkPlayer::processPackets(double now)
{
    if (!m_link.isOpen()) {
        return false;
    }
    // Periodic packets wait until what earlier ticks queued has gone; replies do not wait.
    const bool drained = m_link.isDrained();
    if (!m_link.receive([&](const Packet& packet) { handle(packet, now); })) {
        return false;
    }
    // Judged only after reading: a late tick finds what the player sent in the meantime.
    if (isUnnamedTooLong(now) || isSilentTooLong(now)) {
        m_link.connection().abort();
        return false;
    }
    releaseIdleAvatar(now);
    if (const std::optional<MotionSample> shown = m_replay.step(m_link.ping(), now); shown && m_held != nullptr) {
        m_held->placeFromSample(*shown);
    }
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
    if (m_link.takeControl(packet, now)) {
        return;
    }
    heron::MemoryDataSource body = bodyOf(packet);
    switch (packet.kind) {
    case 'A':
        handleMotion(body, now);
        break;
    case '-':
        drop();
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
    default:
        throw heron::ReadError("a kind the server does not take");
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

bool NetworkPlayer::allowPacket(heron::RateLimit& rate, const char* what, double now)
{
    if (rate.allow(now)) {
        return true;
    }
    if (rate.refused() == 1 && m_network.avatarLines().allow()) {
        heron::debug("%s from %s dropped: more than %d a second\n", what, address().toString(true).c_str(),
                     rate.limit());
    }
    return false;
}

void NetworkPlayer::handleTake(heron::DataSource& body, double now)
{
    const heron_string name = readName(body);
    if (!allowPacket(m_takes, "Takes", now)) {
        return;
    }
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
    drop();
    if (m_network.avatarLines().allow()) {
        heron::debug("Player picked up %s\n", name.c_str());
    }
    slot->setAvailable(false);
    m_held = slot;
    m_lastHeldMotion = now;
}

void NetworkPlayer::handleLevel(heron::DataSource& body, double now)
{
    const heron_string name = readName(body);
    if (!allowPacket(m_levels, "Levels", now) || m_held == nullptr) {
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
    if (!allowPacket(m_rings, "Rings", now)) {
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
    if (!m_chat.allow(now)) {
        if (m_chat.refused() == 1 && m_network.chatLines().allow()) {
            heron::debug("Chat from %s dropped: more than %d lines a second\n", address().toString(true).c_str(),
                         chatLinesPerSecond);
        }
        return;
    }
    if (!isOwnLine(message.text)) {
        if (m_network.chatLines().allow()) {
            heron::debug("Chat from %s dropped: not in its own name\n", address().toString(true).c_str());
        }
        return;
    }
    if (!m_network.allowRelay(*this, m_link.writer().messageSize(message), now)) {
        return;
    }
    m_lastMessage = message;
    m_network.showMessage(m_lastMessage);
    m_network.broadcastMessage(m_lastMessage, this);
}

bool NetworkPlayer::isOwnLine(const heron_string& text) const
{
    if (!m_identified) {
        return false;
    }
    const heron_string prefix = "[" + m_identity.name + "] ";
    return text.substr(0, prefix.length()) == prefix || text == "%%" + m_identity.name + " is the Maestro!";
}

void NetworkPlayer::handleIdentity(heron::DataSource& body, double now)
{
    const ColouredText identity = readIdentity(body);
    const PlayerIdentity said{identity.text, identity.colours.front()};
    // The same identity again changes nothing, so nobody is sent the players list for it.
    if (m_identified && said == m_identity) {
        return;
    }
    if (m_identified && !allowPacket(m_renames, "Identities", now)) {
        return;
    }
    if (!m_network.claimName(said.name, *this, now)) {
        refuseName(said.name, now);
        return;
    }
    m_identity = said;
    m_identified = true;
    m_network.markPlayersChanged();
}

void NetworkPlayer::yieldName()
{
    if (m_network.connectionLines().allow()) {
        heron::debug("Closing the connection from %s: a new connection takes its name %s\n", address().toString(true).c_str(),
                     m_identity.name.c_str());
    }
    m_identified = false;
    m_link.close();
}

void NetworkPlayer::refuseName(const heron_string& name, double now)
{
    if (m_network.connectionLines().allow()) {
        heron::debug("Closing the connection from %s: the name %s is taken\n", address().toString(true).c_str(),
                     name.c_str());
    }
    const heron_string text = "The name " + name + " is taken: choose another";
    m_link.writer().writeMessage(m_link.out(), {text, std::vector<std::uint32_t>(text.length(), white)});
    m_link.send(now);
    m_link.close();
}

bool NetworkPlayer::isUnnamedTooLong(double now)
{
    if (m_identified || now - m_connectedAt <= identifyTimeout) {
        return false;
    }
    if (m_network.connectionLines().allow()) {
        heron::debug("Closing the connection from %s: it did not say who it is within %.0f seconds\n",
                     m_link.connection().address().toString(true).c_str(), identifyTimeout);
    }
    return true;
}

bool NetworkPlayer::isSilentTooLong(double now)
{
    if (now - m_lastHeard <= silenceTimeout) {
        return false;
    }
    if (m_network.connectionLines().allow()) {
        heron::debug("Closing the connection from %s: nothing came from it for %.0f seconds\n",
                     address().toString(true).c_str(), silenceTimeout);
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

void NetworkPlayer::queueDue(double now)
{
    if (m_listedGeneration != m_network.playersGeneration() && now - m_lastPlayersList >= playersListPeriod) {
        m_listedGeneration = m_network.playersGeneration();
        m_lastPlayersList = now;
        m_link.writer().writePlayers(m_link.out(), playersFor());
    }
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

void NetworkPlayer::queueMotion(double now)
{
    const AvatarSlots& slots = m_world.avatars();
    const double interval = std::max(m_link.ping() / 3.0, minMotionInterval);
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (m_link.unacknowledged() >= unacknowledgedPerAvatar * int(slots.size())) {
            return;
        }
        if (&slots[i] == m_held || now - m_senders[i].lastSent() < interval) {
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
        if (player.get() != this) {
            players.push_back({player->identity().name, {player->identity().colour}});
        }
    }
    return players;
}
