#pragma once

#include "base/heron_string.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace heron
{
class DataDest;
class DataSource;
class MemoryDataDest;
}

// The wire format between the server and its clients: packets of a one-character kind, a compact
// length and a body. Bodies are decoded through a source bounded by the body's length, so a
// field running past the body is a read error, never a read into the next packet.

// Size of a motion sample on the wire.
constexpr std::uint32_t motionSampleSize = 29;

// The placement of one avatar at one moment, as it travels in motion packets.
struct MotionSample
{
    std::uint8_t index = 0;
    // Seconds since the sender's previous sample of this avatar.
    float dt = 0;
    float x = 0;
    float y = 0;
    float z = 0;
    // Degrees about y, x and z.
    float roll = 0;
    float pitch = 0;
    float heading = 0;

    // True when every field is finite and dt lies in [0, 5] seconds: only such samples are
    // replayed.
    bool isPlayable() const;
    bool operator==(const MotionSample&) const = default;
};

// A text with one 0xRRGGBB colour per character (or no colours at all).
struct ColouredText
{
    heron_string text;
    std::vector<std::uint32_t> colours;
};

// The colour of the program's own texts, and of what players type.
constexpr std::uint32_t white = 0xFFFFFF;

// text, every character in colour.
ColouredText oneColour(const heron_string& text, std::uint32_t colour);

// One avatar of the world list: its object's name, its current level's name and its placement.
struct WorldEntry
{
    heron_string objectName;
    heron_string levelName;
    MotionSample sample;
};

// A name as it travels between machines: cut to heron::limits::maxNetNameLength bytes, then
// without control characters. Every byte counts as one character, so both ends cut a name alike
// whatever its encoding. Names are sent in this form, and a received name is looked up by the
// same form of the local names: a name longer than the cap still finds its avatar or level.
heron_string netName(const heron_string& name);

// Appends one packet to out: kind, compact length, body.
void writePacket(heron::DataDest& out, char kind, std::span<const unsigned char> body = {});

// Builds packet bodies in a scratch buffer reused from packet to packet, so that their length is
// known before the packet is written.
class PacketWriter
{
public:
    PacketWriter();
    ~PacketWriter();
    PacketWriter(const PacketWriter&) = delete;
    PacketWriter& operator=(const PacketWriter&) = delete;

    void writeSample(heron::DataDest& out, const MotionSample& sample);
    // 'L' from a client (no index) or from the server (with the avatar's index).
    void writeLevel(heron::DataDest& out, const heron_string& levelName);
    void writeLevel(heron::DataDest& out, std::uint8_t index, const heron_string& levelName);
    // A packet whose body is one string: '+' and 'r' from a client.
    void writeNamed(heron::DataDest& out, char kind, const heron_string& name);
    // '~': '1' for each available slot, '0' for each held one.
    void writeAvailability(heron::DataDest& out, const std::vector<bool>& available);
    // 'p' from a client: the player's name and colour.
    void writeIdentity(heron::DataDest& out, const heron_string& name, std::uint32_t colour);
    // 'p' from the server: the players in order, the first heron::limits::maxNetEntries of them.
    void writePlayers(heron::DataDest& out, const std::vector<ColouredText>& players);
    // 'm': nothing is written for an empty text.
    void writeMessage(heron::DataDest& out, const ColouredText& message);
    // The bytes writeMessage takes for message.
    std::uint32_t messageSize(const ColouredText& message);
    // 'W': the world list.
    void writeWorld(heron::DataDest& out, const std::vector<WorldEntry>& entries);

private:
    void flush(heron::DataDest& out, char kind);

    std::unique_ptr<heron::MemoryDataDest> m_scratch;
    std::unique_ptr<heron::MemoryDataDest> m_inner;
};

// Body decoders. Each reads from a source that ends with the body and throws heron::ReadError
// when a field runs past it or breaks a cap; the caller closes the connection.
MotionSample readSample(heron::DataSource& body);
// A name from a peer, in the form netName gives.
heron_string readName(heron::DataSource& body);
// 'm': the colours are padded with the last colour (white when none) or cut to the text's length.
ColouredText readMessage(heron::DataSource& body);
// 'p' from a client: the name and colour.
ColouredText readIdentity(heron::DataSource& body);
// 'p' from the server: one entry per player, each a one-colour name.
std::vector<ColouredText> readPlayers(heron::DataSource& body);
// '~': one flag per slot, at most slotCount, stopping at the end of the body.
std::vector<bool> readAvailability(heron::DataSource& body, std::size_t slotCount);
// 'W': its inner entries up to the inner 'E'.
std::vector<WorldEntry> readWorld(heron::DataSource& body);

// One complete packet taken from a receive buffer; the body stays valid until the next read.
struct Packet
{
    char kind = 0;
    std::span<const unsigned char> body;
};

// Collects received bytes and hands out complete packets. It starts with room for a few kilobytes
// and grows as a longer packet arrives, up to the largest legal packet: a packet that does not fit
// behind the read position moves the unread bytes to the front, and a stated length beyond the cap
// is a read error.
class ReceiveBuffer
{
public:
    ReceiveBuffer();

    // Reads what the source has now into the free room, at most most bytes (non-blocking sources
    // give what arrived); returns the count read.
    std::size_t fill(heron::DataSource& source, std::size_t most = SIZE_MAX);
    // True when no room is left: after a fill, more may be waiting in the source.
    bool isFull() const { return m_end == m_bytes.size(); }
    // Adds bytes directly (what fill does with the bytes it reads), growing the room as needed up
    // to the largest legal packet; bytes beyond that are dropped.
    void append(std::span<const unsigned char> bytes);
    // The next complete packet, or none while its bytes are still arriving. Throws
    // heron::ReadError for a length beyond the cap.
    std::optional<Packet> next();
    // The bytes received and not yet handed out.
    std::span<const unsigned char> unread() const;
    // Every byte the buffer holds, handed out or not, and where the unread ones begin.
    std::span<const unsigned char> held() const { return {m_bytes.data(), m_end}; }
    std::size_t readOffset() const { return m_read; }
    // The room the buffer has taken.
    std::size_t capacity() const { return m_bytes.size(); }

private:
    void makeRoom();
    // Moves the unread bytes to the front and grows the room to at least needed bytes (never
    // beyond the largest legal packet).
    void makeRoomFor(std::size_t needed);

    std::vector<unsigned char> m_bytes;
    std::size_t m_read = 0;
    std::size_t m_end = 0;
};

// Writes a hex dump of bytes to the log, at most a few lines a second program-wide.
void logHexDump(std::span<const unsigned char> bytes);
// The same dump between two dash lines.
void logDashedHexDump(std::span<const unsigned char> bytes);
// The dash line that sets dumps apart.
void logDashes();
