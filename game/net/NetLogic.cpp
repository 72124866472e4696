#include "game/net/NetLogic.h"

#include "base/Debug.h"
#include "base/Limits.h"
#include "base/ReadError.h"
#include "base/net/NetConnection.h"
#include "game/net/AvatarSlot.h"
#include "game/Level.h"
#include "game/Look.h"
#include "game/LookLogic.h"
#include "game/net/LookNetwork.h"
#include "net/PlayerNames.h"

#include <algorithm>
#include <functional>
#include <string_view>

namespace
{

// Motion packets the client may leave unacknowledged.
constexpr int maxUnacknowledged = 10;
// Seconds a server has to send its world once the connect completed: it sends it at once.
constexpr double worldTimeout = 20.0;
// Characters of a chat line that its log line holds.
constexpr int loggedTextLength = 160;
// Chat lines from the server shown in a second, shared among their senders as the server shares
// what it passes on: far more than anybody reads, so that each of a full server's players can be
// heard, while a server sending without end cannot keep the console turning.
constexpr int shownLinesPerSecond = 128;

// The sender of a line that the server headed with its sender's name; one sender for the rest.
ChatRelay::Sender senderOf(const heron_string& line)
{
    const std::uint32_t end = line.find_first_of("] ");
    const std::string_view head = line.length() > 0 && line[0] == '[' && end != heron_string::npos
                                      ? std::string_view(line.c_str(), end)
                                      : std::string_view();
    return std::hash<std::string_view>()(head);
}

}

NetLogic::NetLogic(Look& world, LookNetwork& network, const heron::counted_ptr<heron::NetConnection>& connection,
                   double connectTimeout)
    : m_world(world)
    , m_network(network)
    , m_link(connection, PacketLink::Side::client)
    , m_connectDeadline(networkNow() + connectTimeout)
    , m_replays(world.avatars().size())
    , m_rates(PacketLink::Side::client, network.paces())
    , m_shownLines(shownLinesPerSecond, heron::limits::maxNetPlayers, "lines", "Chat from the server",
                   &network.paces()[PeerLines::chat])
{
    m_link.setLogPaces(&network.connectionLines(), &network.paces()[PeerLines::faults]);
}

NetLogic::~NetLogic()
{
    m_link.close();
}

bool NetLogic::isOpen()
{
    return m_link.isOpen();
}

bool NetLogic::isConnecting()
{
    return isOpen() && !m_link.connection().waitWritable();
}

const heron::NetAddress& NetLogic::server()
{
    return m_link.connection().address();
}

void NetLogic::sendMessage(const ColouredText& message)
{
    m_link.writer().writeMessage(m_link.out(), message);
}

void NetLogic::process(double now)
{
    if (!connectSettled(now)) {
        return;
    }
    if (!m_worldDeadline) {
        m_worldDeadline = now + worldTimeout;
    }
    // Periodic packets wait until what earlier ticks queued has gone; replies do not wait.
    const bool drained = m_link.isDrained();
    if (!m_link.receive([&](const Packet& packet) { handle(packet, now); })) {
        return;
    }
    if (!m_worldReceived) {
        if (now > *m_worldDeadline) {
            giveUp("The server sent no world within " + heron_string(std::to_string(int(worldTimeout)).c_str()) +
                   " seconds");
        }
        return;
    }
    replay(now);
    if (drained) {
        queueDue(now);
    }
    m_link.send(now);
}

bool NetLogic::connectSettled(double now)
{
    if (!isOpen()) {
        return false;
    }
    if (!isConnecting()) {
        return true;
    }
    // A connect to a far host may take a while; only an error or the deadline ends it.
    if (now > m_connectDeadline) {
        heron::debug("Couldn't connect to server...\n");
        giveUp("Can't connect to server");
    }
    return false;
}

void NetLogic::giveUp(const heron_string& reason)
{
    m_endReason = reason;
    m_link.close();
}

heron_string NetLogic::endReason() const
{
    if (!m_endReason.empty()) {
        return m_endReason;
    }
    if (m_link.droppedDamaged()) {
        return "The server sent a damaged packet";
    }
    if (!m_worldDeadline) {
        return "Can't connect to server";
    }
    if (m_worldReceived) {
        return "The connection to the server closed";
    }
    return m_messageBeforeWorld ? heron_string() : heron_string("The server closed the connection before sending the world");
}

void NetLogic::handle(const Packet& packet, double now)
{
    // A server that refuses the connection sends one message, saying why, in place of the world.
    if (!m_worldReceived && packet.kind != 'm') {
        takeWorld(packet);
        return;
    }
    // Kinds a client does not take, known or not, are passed over by their length.
    if (!m_rates.takes(packet.kind) || m_link.takeControl(packet, now)) {
        return;
    }
    heron::MemoryDataSource body = bodyOf(packet);
    switch (packet.kind) {
    case 'm':
        handleMessage(body, now);
        break;
    case 'L':
        handleLevel(body, now);
        break;
    case 'A':
        handleMotion(body, now);
        break;
    case '-':
        handleDrop();
        break;
    case 'p':
        handlePlayers(body);
        break;
    case 'r':
        m_network.receiveRing();
        break;
    case '~':
        handleAvailability(body);
        break;
    }
}

void NetLogic::handleMessage(heron::DataSource& body, double now)
{
    const ColouredText message = readMessage(body);
    m_messageBeforeWorld = m_messageBeforeWorld || !m_worldReceived;
    if (std::optional<heron_string> told = nameToldIn(message.text)) {
        m_toldName = std::move(told);
    }
    if (!m_shownLines.allow(senderOf(message.text), 1, now)) {
        return;
    }
    m_lastMessage = message;
    if (m_network.chatLines().allow()) {
        // The line's start at most: its length is logged.
        heron::debug("Message: %.*s  %u(%u)\n", loggedTextLength, m_lastMessage.text.c_str(), unsigned(m_lastMessage.text.length()),
                     unsigned(m_lastMessage.colours.size()));
    }
    m_network.showMessage(m_lastMessage);
}

void NetLogic::takeWorld(const Packet& packet)
{
    if (packet.kind != 'W') {
        m_endReason = "The server did not send a game world";
        throw heron::ReadError("the first packet is not the world list");
    }
    std::vector<WorldEntry> entries;
    try {
        heron::MemoryDataSource body = bodyOf(packet);
        entries = readWorld(body);
    } catch (const heron::ReadError& error) {
        logDashedHexDump(packet.body);
        dropWorld(error.what());
        return;
    }
    if (!placeWorld(entries)) {
        dropWorld(nullptr);
        return;
    }
    m_worldReceived = true;
    heron::debug("got the world\n");
}

bool NetLogic::placeWorld(const std::vector<WorldEntry>& entries)
{
    const AvatarSlots& slots = m_world.avatars();
    if (entries.size() > slots.size()) {
        heron::debug("Too many avatars\n");
        return false;
    }
    if (entries.size() < slots.size()) {
        heron::debug("Bad avatar list - connection aborted\n");
        return false;
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!placeFromWorld(slots[i], entries[i])) {
            return false;
        }
    }
    return true;
}

void NetLogic::dropWorld(const char* reason)
{
    heron::debug("error decoding the world\n");
    if (reason != nullptr) {
        heron::debug("Reason: %s\n", reason);
    }
    giveUp("The server's world is not this game's");
}

bool NetLogic::placeFromWorld(AvatarSlot& slot, const WorldEntry& entry)
{
    if (entry.objectName != netName(slot.name())) {
        heron::debug("Avatars don't match (%s  !=  %s)\n", entry.objectName.c_str(), slot.name().c_str());
        return false;
    }
    Level* const level = m_world.levelNamed(entry.levelName);
    if (level == nullptr) {
        heron::debug("Unknown level %s\n", entry.levelName.c_str());
        return true;
    }
    heron::debug("Avatar %s is on level %s\n", slot.name().c_str(), level->name.c_str());
    slot.setLevel(level);
    if (entry.sample.isPlayable()) {
        slot.placeFromSample(entry.sample);
    }
    return true;
}

void NetLogic::handleLevel(heron::DataSource& body, double now)
{
    char index = 0;
    body.readByte(index);
    heron::requireGood(body, "level packet past the body");
    const heron_string name = readName(body);
    if (!m_rates.allow('L', now, "the server")) {
        return;
    }
    AvatarSlot* const slot = m_world.avatars().at(static_cast<unsigned char>(index));
    Level* const level = m_world.levelNamed(name);
    if (slot != nullptr && level != nullptr) {
        slot->setLevel(level);
    }
}

void NetLogic::handleMotion(heron::DataSource& body, double now)
{
    const MotionSample sample = readSample(body);
    writePacket(m_link.out(), 'a');
    AvatarSlot* const slot = m_world.avatars().at(sample.index);
    if (slot != nullptr && slot != m_world.logic().heldAvatar()) {
        m_replays[sample.index].push(sample, now);
    }
}

void NetLogic::handleDrop()
{
    AvatarSlot* const held = m_world.logic().heldAvatar();
    if (held == nullptr) {
        return;
    }
    m_world.logic().holdAvatar(nullptr);
    held->setAvailable(false);
    if (m_network.avatarLines().allow()) {
        heron::debug("The server told me to drop it\n");
    }
}

void NetLogic::handleAvailability(heron::DataSource& body)
{
    const AvatarSlots& slots = m_world.avatars();
    const std::vector<bool> available = readAvailability(body, slots.size());
    const AvatarSlot* const held = m_world.logic().heldAvatar();
    for (std::size_t i = 0; i < available.size(); ++i) {
        if (&slots[i] != held) {
            slots[i].setAvailable(available[i]);
        }
    }
}

void NetLogic::handlePlayers(heron::DataSource& body)
{
    const std::vector<ColouredText> players = readPlayers(body);
    m_players.clear();
    for (const ColouredText& player : players) {
        if (m_players.empty()) {
            m_players.push_back(oneColour("Other players:", white));
        }
        m_players.push_back(oneColour("  " + player.text, player.colours.front()));
    }
}

void NetLogic::replay(double now)
{
    const AvatarSlots& slots = m_world.avatars();
    const AvatarSlot* const held = m_world.logic().heldAvatar();
    const double ping = m_link.ping();
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (&slots[i] == held) {
            m_replays[i].reset();
            continue;
        }
        const std::optional<MotionSample> shown = m_replays[i].step(ping, now);
        // A sample places the slot it was queued for, whatever index it names.
        if (shown) {
            slots[i].placeFromSample(*shown);
        }
    }
}

void NetLogic::queueDue(double now)
{
    const PlayerIdentity identity = m_network.identity();
    if (!m_identitySent) {
        m_identitySent = true;
        m_link.writer().writeIdentity(m_link.out(), identity.name, identity.colour);
    }
    announceHeld();
    AvatarSlot* const held = m_world.logic().heldAvatar();
    if (held != nullptr && now - m_lastMotion > m_link.ping() / 3.0 && m_link.unacknowledged() < maxUnacknowledged) {
        m_link.countMotionSent();
        m_lastMotion = now;
        m_heldSender.send(*held, m_link, now, false);
    }
    Level* const level = m_world.currentLevel();
    if (level != m_announcedLevel && level != nullptr) {
        m_announcedLevel = level;
        m_link.writer().writeLevel(m_link.out(), level->name);
    }
    if (m_ringRequest != nullptr) {
        m_link.writer().writeNamed(m_link.out(), 'r', m_ringRequest->name());
        m_ringRequest = nullptr;
    }
}

void NetLogic::announceHeld()
{
    AvatarSlot* const held = m_world.logic().heldAvatar();
    if (held == m_announcedHeld) {
        return;
    }
    m_announcedHeld = held;
    const bool logged = m_network.avatarLines().allow();
    if (held != nullptr) {
        if (logged) {
            heron::debug("Telling the server I want %s\n", held->name().c_str());
        }
        m_link.writer().writeNamed(m_link.out(), '+', held->name());
        return;
    }
    if (logged) {
        heron::debug("Telling the server I dropped my avatar\n");
    }
    writePacket(m_link.out(), '-');
}
