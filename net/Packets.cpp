#include "net/Packets.h"

#include "base/Debug.h"
#include "base/Limits.h"
#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"
#include "base/ReadError.h"
#include "base/RateLimit.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <string>

namespace
{

// Kind byte plus the longest compact count.
constexpr std::size_t maxHeaderSize = 6;
// Room a receive buffer starts with: an idle connection's pings, acknowledgements and names fit
// many times over; a longer packet grows it.
constexpr std::size_t initialReceiveRoom = 4096;
// The most room a receive buffer takes: the largest legal packet.
constexpr std::size_t maxReceiveRoom = heron::limits::maxPacketBody + maxHeaderSize;
// Longest gap between two samples that is still replayed as motion, in seconds.
constexpr float maxSampleDt = 5.0f;

std::uint32_t floatBits(float value)
{
    return std::bit_cast<std::uint32_t>(value);
}

float readFloat(heron::DataSource& body)
{
    std::uint32_t bits = 0;
    body.readUInt32(bits);
    return std::bit_cast<float>(bits);
}

heron_string cutTo(const heron_string& text, std::uint32_t length)
{
    return heron_string(text.data(), std::min(text.length(), length));
}

std::span<const unsigned char> bytesOf(const heron::MemoryDataDest& dest)
{
    return {dest.data(), dest.size()};
}

// The length of the control character at text[at] that would steer the console or a terminal
// showing the log: a C0 control or DEL (one byte), or a C1 control as UTF-8 encodes it (two); 0
// for any other character.
std::uint32_t controlLength(const heron_string& text, std::uint32_t at)
{
    const auto byte = static_cast<unsigned char>(text.data()[at]);
    if (byte < 0x20 || byte == 0x7F) {
        return 1;
    }
    if (byte != 0xC2 || at + 1 >= text.length()) {
        return 0;
    }
    const auto next = static_cast<unsigned char>(text.data()[at + 1]);
    return next >= 0x80 && next <= 0x9F ? 2 : 0;
}

// Calls keep(i) for the index of every character that is not a control character.
template <typename Keep>
void forEachPlain(const heron_string& text, Keep keep)
{
    for (std::uint32_t i = 0; i < text.length();) {
        const std::uint32_t control = controlLength(text, i);
        if (control > 0) {
            i += control;
            continue;
        }
        keep(i);
        ++i;
    }
}

heron_string withoutControls(const heron_string& text)
{
    heron_string clean;
    forEachPlain(text, [&](std::uint32_t i) { clean.push_back(text.data()[i]); });
    return clean;
}

void writeSampleFields(heron::DataDest& out, const MotionSample& sample)
{
    out.writeByte(char(sample.index));
    for (float value : {sample.dt, sample.x, sample.y, sample.z, sample.roll, sample.pitch, sample.heading}) {
        out.writeUInt32(floatBits(value));
    }
}

WorldEntry readWorldEntry(std::span<const unsigned char> inner)
{
    heron::MemoryDataSource body(inner.data(), std::uint32_t(inner.size()), false);
    WorldEntry entry;
    entry.objectName = readName(body);
    entry.levelName = readName(body);
    entry.sample = readSample(body);
    return entry;
}

}

bool MotionSample::isPlayable() const
{
    for (float value : {dt, x, y, z, roll, pitch, heading}) {
        if (!std::isfinite(value)) {
            return false;
        }
    }
    return dt >= 0 && dt <= maxSampleDt;
}

ColouredText oneColour(const heron_string& text, std::uint32_t colour)
{
    return {text, std::vector<std::uint32_t>(text.length(), colour)};
}

heron_string netName(const heron_string& name)
{
    // Cut first: a sender that only cuts and a receiver that also cleans agree on every name.
    return withoutControls(cutTo(name, heron::limits::maxNetNameLength));
}

void writePacket(heron::DataDest& out, char kind, std::span<const unsigned char> body)
{
    out.writeByte(kind);
    out.writeTag(std::uint32_t(body.size()));
    if (!body.empty()) {
        out.write(body.data(), std::uint32_t(body.size()));
    }
}

PacketWriter::PacketWriter()
    : m_scratch(std::make_unique<heron::MemoryDataDest>(1024)), m_inner(std::make_unique<heron::MemoryDataDest>(512))
{
}

PacketWriter::~PacketWriter() = default;

void PacketWriter::flush(heron::DataDest& out, char kind)
{
    writePacket(out, kind, bytesOf(*m_scratch));
    m_scratch->clear();
}

void PacketWriter::writeSample(heron::DataDest& out, const MotionSample& sample)
{
    writeSampleFields(*m_scratch, sample);
    flush(out, 'A');
}

void PacketWriter::writeLevel(heron::DataDest& out, const heron_string& levelName)
{
    writeNamed(out, 'L', levelName);
}

void PacketWriter::writeLevel(heron::DataDest& out, std::uint8_t index, const heron_string& levelName)
{
    m_scratch->writeByte(char(index));
    m_scratch->writeString(netName(levelName));
    flush(out, 'L');
}

void PacketWriter::writeNamed(heron::DataDest& out, char kind, const heron_string& name)
{
    m_scratch->writeString(netName(name));
    flush(out, kind);
}

void PacketWriter::writeAvailability(heron::DataDest& out, const std::vector<bool>& available)
{
    for (bool free : available) {
        m_scratch->writeByte(free ? '1' : '0');
    }
    flush(out, '~');
}

void PacketWriter::writeIdentity(heron::DataDest& out, const heron_string& name, std::uint32_t colour)
{
    m_scratch->writeString(netName(name));
    m_scratch->writeUInt32(colour);
    flush(out, 'p');
}

void PacketWriter::writePlayers(heron::DataDest& out, const std::vector<ColouredText>& players)
{
    // A receiver refuses a longer list and drops its link.
    const std::size_t count = std::min<std::size_t>(players.size(), heron::limits::maxNetEntries);
    for (const ColouredText& player : std::span(players).first(count)) {
        m_scratch->writeTag(1);
        m_scratch->writeString(netName(player.text));
        m_scratch->writeUInt32(player.colours.empty() ? white : player.colours.front());
    }
    m_scratch->writeTag(0);
    flush(out, 'p');
}

void PacketWriter::writeMessage(heron::DataDest& out, const ColouredText& message)
{
    if (message.text.empty()) {
        return;
    }
    const heron_string text = cutTo(message.text, heron::limits::maxNetTextLength);
    m_scratch->writeString(text);
    const std::size_t count = std::min<std::size_t>(message.colours.size(), text.length());
    // One run per stretch of equal colours.
    for (std::size_t start = 0; start < count;) {
        std::size_t end = start + 1;
        while (end < count && message.colours[end] == message.colours[start]) {
            ++end;
        }
        m_scratch->writeTag(std::uint32_t(end - start));
        m_scratch->writeUInt32(message.colours[start]);
        start = end;
    }
    if (count > 0) {
        m_scratch->writeTag(0);
    }
    flush(out, 'm');
}

std::uint32_t PacketWriter::messageSize(const ColouredText& message)
{
    heron::MemoryDataDest packet(64);
    writeMessage(packet, message);
    return packet.size();
}

void PacketWriter::writeWorld(heron::DataDest& out, const std::vector<WorldEntry>& entries)
{
    for (const WorldEntry& entry : entries) {
        m_inner->clear();
        m_inner->writeString(netName(entry.objectName));
        m_inner->writeString(netName(entry.levelName));
        writeSampleFields(*m_inner, entry.sample);
        writePacket(*m_scratch, 'A', bytesOf(*m_inner));
    }
    writePacket(*m_scratch, 'E');
    flush(out, 'W');
}

MotionSample readSample(heron::DataSource& body)
{
    MotionSample sample;
    char index = 0;
    body.readByte(index);
    sample.index = static_cast<std::uint8_t>(index);
    sample.dt = readFloat(body);
    sample.x = readFloat(body);
    sample.y = readFloat(body);
    sample.z = readFloat(body);
    sample.roll = readFloat(body);
    sample.pitch = readFloat(body);
    sample.heading = readFloat(body);
    heron::requireGood(body, "motion sample past the body");
    return sample;
}

heron_string readName(heron::DataSource& body)
{
    heron_string name;
    body.readString(name);
    heron::requireGood(body, "string past the body");
    return netName(name);
}

ColouredText readMessage(heron::DataSource& body)
{
    ColouredText message;
    body.readString(message.text);
    heron::requireGood(body, "message text past the body");
    if (message.text.empty()) {
        throw heron::ReadError("empty message text");
    }
    message.text = cutTo(message.text, heron::limits::maxNetTextLength);
    const std::uint32_t length = message.text.length();
    // A message without runs ends after its text; runs stop at the body's end or a count of 0.
    while (body.remaining() > 0) {
        std::uint32_t count = 0;
        std::uint32_t colour = 0;
        body.readTag(count);
        if (count == 0) {
            break;
        }
        body.readUInt32(colour);
        heron::requireGood(body, "colour run past the body");
        const std::size_t take = std::min<std::size_t>(count, length - message.colours.size());
        message.colours.insert(message.colours.end(), take, colour);
    }
    heron::requireGood(body, "colour run past the body");
    if (!message.colours.empty()) {
        message.colours.resize(length, message.colours.back());
    }
    // Control characters go only after the colours are matched to the text as sent.
    heron_string clean;
    std::vector<std::uint32_t> colours;
    forEachPlain(message.text, [&](std::uint32_t i) {
        clean.push_back(message.text.data()[i]);
        if (!message.colours.empty()) {
            colours.push_back(message.colours[i]);
        }
    });
    return {clean, colours};
}

ColouredText readIdentity(heron::DataSource& body)
{
    ColouredText identity;
    identity.text = readName(body);
    std::uint32_t colour = 0;
    body.readUInt32(colour);
    heron::requireGood(body, "player colour past the body");
    identity.colours.push_back(colour);
    return identity;
}

std::vector<ColouredText> readPlayers(heron::DataSource& body)
{
    std::vector<ColouredText> players;
    for (;;) {
        std::uint32_t marker = 0;
        body.readTag(marker);
        heron::requireGood(body, "players list past the body");
        if (marker == 0) {
            return players;
        }
        if (marker != 1 || players.size() >= heron::limits::maxNetEntries) {
            throw heron::ReadError("bad players list");
        }
        players.push_back(readIdentity(body));
    }
}

std::vector<bool> readAvailability(heron::DataSource& body, std::size_t slotCount)
{
    std::vector<bool> available;
    while (available.size() < slotCount && body.remaining() > 0) {
        char flag = 0;
        body.readByte(flag);
        available.push_back(flag != '0');
    }
    heron::requireGood(body, "availability past the body");
    return available;
}

std::vector<WorldEntry> readWorld(heron::DataSource& body)
{
    std::vector<WorldEntry> entries;
    for (;;) {
        char kind = 0;
        std::uint32_t length = 0;
        body.readByte(kind).readTag(length);
        heron::requireGood(body, "world list past the body");
        if (length > body.remaining()) {
            throw heron::ReadError("world entry past the body");
        }
        if (kind == 'E') {
            return entries;
        }
        if (kind != 'A') {
            throw heron::ReadError("bad world entry kind");
        }
        if (entries.size() >= heron::limits::maxNetEntries) {
            throw heron::ReadError("too many world entries");
        }
        std::vector<unsigned char> inner(length);
        body.read(inner.data(), length);
        entries.push_back(readWorldEntry(inner));
    }
}

ReceiveBuffer::ReceiveBuffer() : m_bytes(initialReceiveRoom) {}

std::size_t ReceiveBuffer::fill(heron::DataSource& source, std::size_t most)
{
    if (isFull()) {
        makeRoom();
    }
    const std::size_t room = std::min(m_bytes.size() - m_end, most);
    const std::size_t count = source.read(m_bytes.data() + m_end, std::uint32_t(room));
    m_end += count;
    return count;
}

void ReceiveBuffer::append(std::span<const unsigned char> bytes)
{
    if (m_end + bytes.size() > m_bytes.size()) {
        makeRoomFor(m_end - m_read + bytes.size());
    }
    const std::size_t count = std::min(bytes.size(), m_bytes.size() - m_end);
    std::copy_n(bytes.begin(), count, m_bytes.begin() + std::ptrdiff_t(m_end));
    m_end += count;
}

std::optional<Packet> ReceiveBuffer::next()
{
    const std::span<const unsigned char> pending = unread();
    if (pending.size() < 2) {
        makeRoom();
        return std::nullopt;
    }
    std::size_t headerSize = 2;
    std::uint32_t length = pending[1];
    if (length == 0xFF) {
        if (pending.size() < maxHeaderSize) {
            makeRoom();
            return std::nullopt;
        }
        length = std::uint32_t(pending[2]) | std::uint32_t(pending[3]) << 8 | std::uint32_t(pending[4]) << 16 |
                 std::uint32_t(pending[5]) << 24;
        headerSize = maxHeaderSize;
    }
    if (length > heron::limits::maxPacketBody) {
        throw heron::ReadError("packet length " + std::to_string(length) + " beyond the cap");
    }
    if (pending.size() < headerSize + length) {
        makeRoomFor(headerSize + length);
        return std::nullopt;
    }
    m_read += headerSize + length;
    return Packet{char(pending[0]), pending.subspan(headerSize, length)};
}

std::span<const unsigned char> ReceiveBuffer::unread() const
{
    return {m_bytes.data() + m_read, m_end - m_read};
}

void ReceiveBuffer::makeRoom()
{
    if (m_read == 0) {
        return;
    }
    std::copy(m_bytes.begin() + std::ptrdiff_t(m_read), m_bytes.begin() + std::ptrdiff_t(m_end), m_bytes.begin());
    m_end -= m_read;
    m_read = 0;
}

void ReceiveBuffer::makeRoomFor(std::size_t needed)
{
    makeRoom();
    if (needed <= m_bytes.size()) {
        return;
    }
    m_bytes.resize(std::min(std::bit_ceil(needed), maxReceiveRoom));
}

void logDashes()
{
    heron::debug("--------------------------\n");
}

void logDashedHexDump(std::span<const unsigned char> bytes)
{
    logDashes();
    logHexDump(bytes);
    logDashes();
}

void logHexDump(std::span<const unsigned char> bytes)
{
    // At most this many dumps a second, of at most this many bytes each: a peer sending junk
    // cannot fill the log.
    constexpr int dumpsPerSecond = 4;
    constexpr std::size_t bytesPerDump = 256;
    static heron::RateLimit dumps(dumpsPerSecond, 1.0);
    if (!dumps.allow(heron::getTime())) {
        return;
    }
    const std::size_t count = std::min(bytes.size(), bytesPerDump);
    for (std::size_t line = 0; line < count; line += 16) {
        std::string text;
        char cell[4];
        for (std::size_t i = line; i < std::min(count, line + 16); ++i) {
            std::snprintf(cell, sizeof cell, "%02x ", bytes[i]);
            text += cell;
        }
        heron::debug("%s\n", text.c_str());
    }
}
