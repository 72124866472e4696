#include "game/NetLogic.h"

#include "base/Debug.h"
#include "base/ReadError.h"
#include "base/net/NetConnection.h"
#include "game/AvatarSlot.h"
#include "game/Level.h"
#include "game/Look.h"
#include "game/LookLogic.h"
#include "game/LookNetwork.h"

#include <algorithm>

namespace
{

// Motion packets the client may leave unacknowledged.
constexpr int maxUnacknowledged = 10;
constexpr std::uint32_t white = 0xFFFFFF;

}

NetLogic::NetLogic(Look& world, LookNetwork& network, const heron::counted_ptr<heron::NetConnection>& connection,
                   double connectTimeout)
    : m_world(world)
    , m_network(network)
    , m_link(connection, PacketLink::Side::client)
    , m_connectDeadline(networkNow() + connectTimeout)
    , m_replays(world.avatars().size())
{
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
    // Periodic packets wait until what earlier ticks queued has gone; replies do not wait.
    const bool drained = m_link.isDrained();
    if (!m_link.receive([&](const Packet& packet) { handle(packet, now); }) || !m_worldReceived) {
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
        m_network.showSystemLine("Can't connect to server");
        m_link.close();
    }
    return false;
}

void NetLogic::handle(const Packet& packet, double now)
{
    // A server that refuses the connection sends one message, saying why, in place of the world.
    if (!m_worldReceived && packet.kind != 'm') {
        takeWorld(packet);
        return;
    }
    if (m_link.takeControl(packet, now)) {
        return;
    }
    heron::MemoryDataSource body = bodyOf(packet);
    switch (packet.kind) {
    case 'L':
        handleLevel(body);
        break;
    case 'A':
        handleMotion(body, now);
        break;
    case '-':
        handleDrop();
        break;
    case 'm':
        m_lastMessage = readMessage(body);
        if (m_network.chatLines().allow()) {
            heron::debug("Message: %s  %u(%u)\n", m_lastMessage.text.c_str(), unsigned(m_lastMessage.text.length()),
                         unsigned(m_lastMessage.colours.size()));
        }
        m_network.showMessage(m_lastMessage);
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
    default:
        // Kinds a client does not take, known or not, are passed over by their length.
        break;
    }
}

void NetLogic::takeWorld(const Packet& packet)
{
    m_worldReceived = true;
    if (packet.kind != 'W') {
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
    m_link.close();
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

void NetLogic::handleLevel(heron::DataSource& body)
{
    char index = 0;
    body.readByte(index);
    heron::requireGood(body, "level packet past the body");
    const heron_string name = readName(body);
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
    heron::debug("The server told me to drop it\n");
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
            m_players.push_back({"Other players:", std::vector<std::uint32_t>(14, white)});
        }
        heron_string line("  ");
        line += player.text;
        std::vector<std::uint32_t> colours(line.length(), player.colours.front());
        m_players.push_back({line, colours});
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
    if (held != nullptr) {
        heron::debug("Telling the server I want %s\n", held->name().c_str());
        m_link.writer().writeNamed(m_link.out(), '+', held->name());
    } else {
        heron::debug("Telling the server I dropped my avatar\n");
        writePacket(m_link.out(), '-');
    }
}
