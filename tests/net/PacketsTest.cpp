#include "net/Packets.h"

#include "base/Limits.h"
#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"
#include "base/ReadError.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace
{

using Bytes = std::vector<unsigned char>;

Bytes bytesOf(const heron::MemoryDataDest& dest)
{
    return Bytes(dest.data(), dest.data() + dest.size());
}

Bytes written(const std::function<void(PacketWriter&, heron::DataDest&)>& write)
{
    heron::MemoryDataDest out;
    PacketWriter writer;
    write(writer, out);
    return bytesOf(out);
}

heron::MemoryDataSource sourceOf(const Bytes& bytes)
{
    return heron::MemoryDataSource(bytes.data(), std::uint32_t(bytes.size()), true);
}

// 1.0f is 0x3F800000, 2.0f 0x40000000, -90.0f 0xC2B40000, 0.5f 0x3F000000.
const MotionSample sample{3, 0.5f, 1.0f, 2.0f, 0.0f, 0.0f, -90.0f, 1.0f};
const Bytes sampleBytes{0x03, 0x00, 0x00, 0x00, 0x3F, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00,
                        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xB4, 0xC2, 0x00, 0x00, 0x80, 0x3F};

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

}

TEST(Packets, EncodeMatchesHandWorkedBytes)
{
    struct Case
    {
        const char* name;
        std::function<void(PacketWriter&, heron::DataDest&)> write;
        Bytes expected;
    };
    const std::vector<Case> cases{
        {"ping", [](PacketWriter&, heron::DataDest& out) { writePacket(out, '='); }, {'=', 0}},
        {"motion", [](PacketWriter& w, heron::DataDest& out) { w.writeSample(out, sample); },
         concat({{'A', 29}, sampleBytes})},
        {"client level", [](PacketWriter& w, heron::DataDest& out) { w.writeLevel(out, "Bay"); },
         {'L', 4, 3, 'B', 'a', 'y'}},
        {"server level", [](PacketWriter& w, heron::DataDest& out) { w.writeLevel(out, 2, "Bay"); },
         {'L', 5, 2, 3, 'B', 'a', 'y'}},
        {"take", [](PacketWriter& w, heron::DataDest& out) { w.writeNamed(out, '+', "kite"); },
         {'+', 5, 4, 'k', 'i', 't', 'e'}},
        {"availability", [](PacketWriter& w, heron::DataDest& out) { w.writeAvailability(out, {true, false, true}); },
         {'~', 3, '1', '0', '1'}},
        {"identity", [](PacketWriter& w, heron::DataDest& out) { w.writeIdentity(out, "Ann", 0xFF8000); },
         {'p', 8, 3, 'A', 'n', 'n', 0x00, 0x80, 0xFF, 0x00}},
        {"players", [](PacketWriter& w, heron::DataDest& out) { w.writePlayers(out, {{"Bo", {0x0000FF}}}); },
         {'p', 9, 1, 2, 'B', 'o', 0xFF, 0x00, 0x00, 0x00, 0}},
        {"message with runs",
         [](PacketWriter& w, heron::DataDest& out) { w.writeMessage(out, {"hey", {1, 1, 2}}); },
         {'m', 15, 3, 'h', 'e', 'y', 2, 1, 0, 0, 0, 1, 2, 0, 0, 0, 0}},
        {"message without colours", [](PacketWriter& w, heron::DataDest& out) { w.writeMessage(out, {"hi", {}}); },
         {'m', 3, 2, 'h', 'i'}},
        {"empty message", [](PacketWriter& w, heron::DataDest& out) { w.writeMessage(out, {"", {}}); }, {}},
        {"world", [](PacketWriter& w, heron::DataDest& out) { w.writeWorld(out, {{"k", "B", sample}}); },
         concat({{'W', 37, 'A', 33, 1, 'k', 1, 'B'}, sampleBytes, {'E', 0}})},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(written(c.write), c.expected) << c.name;
    }
}

TEST(Packets, LengthTakesFiveBytesFrom255)
{
    heron::MemoryDataDest out;
    const Bytes body254(254, 7);
    const Bytes body255(255, 7);
    writePacket(out, 'x', body254);
    EXPECT_EQ(out.size(), 256u);
    EXPECT_EQ(out.data()[1], 254);
    out.clear();
    writePacket(out, 'x', body255);
    ASSERT_EQ(out.size(), 261u);
    EXPECT_EQ(Bytes(out.data(), out.data() + 6), (Bytes{'x', 0xFF, 0xFF, 0, 0, 0}));
}

TEST(Packets, DecodeMatchesHandWorkedBytes)
{
    auto samples = sourceOf(sampleBytes);
    EXPECT_EQ(readSample(samples), sample);

    auto message = sourceOf({3, 'h', 'e', 'y', 2, 1, 0, 0, 0, 1, 2, 0, 0, 0, 0});
    const ColouredText text = readMessage(message);
    EXPECT_EQ(text.text, heron_string("hey"));
    EXPECT_EQ(text.colours, (std::vector<std::uint32_t>{1, 1, 2}));

    auto players = sourceOf({1, 2, 'B', 'o', 0xFF, 0, 0, 0, 1, 1, 'C', 1, 0, 0, 0, 0});
    const std::vector<ColouredText> list = readPlayers(players);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].text, heron_string("C"));
    EXPECT_EQ(list[0].colours, (std::vector<std::uint32_t>{0xFF}));

    auto world = sourceOf(concat({{'A', 33, 1, 'k', 1, 'B'}, sampleBytes, {'E', 0}}));
    const std::vector<WorldEntry> entries = readWorld(world);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].objectName, heron_string("k"));
    EXPECT_EQ(entries[0].levelName, heron_string("B"));
    EXPECT_EQ(entries[0].sample, sample);
}

TEST(Packets, ColourRunsAreFittedToTheText)
{
    struct Case
    {
        Bytes body;
        std::vector<std::uint32_t> colours;
    };
    const std::vector<Case> cases{
        // No runs: the message ends after its text.
        {{2, 'h', 'i'}, {}},
        // Runs cover more than the text: cut.
        {{2, 'h', 'i', 5, 9, 0, 0, 0, 0}, {9, 9}},
        // Runs cover less: padded with the last colour.
        {{3, 'h', 'e', 'y', 1, 4, 0, 0, 0, 0}, {4, 4, 4}},
        // No terminating 0: runs stop at the end of the body.
        {{2, 'h', 'i', 1, 4, 0, 0, 0, 1, 5, 0, 0, 0}, {4, 5}},
        // Control characters are dropped with their colours.
        {{3, 'a', '\n', 'b', 1, 1, 0, 0, 0, 1, 2, 0, 0, 0, 1, 3, 0, 0, 0, 0}, {1, 3}},
        // So is a C1 control as UTF-8 writes it (a terminal's escape), both of its bytes; a
        // character of the same lead byte stays.
        {{6, 'a', 0xC2, 0x9B, 0xC2, 0xA9, 'b', 1, 1, 0, 0, 0, 2, 2, 0, 0, 0, 3, 3, 0, 0, 0, 0}, {1, 3, 3, 3}},
    };
    for (const Case& c : cases) {
        auto body = sourceOf(c.body);
        EXPECT_EQ(readMessage(body).colours, c.colours) << int(c.body.size());
    }
}

TEST(Packets, NamesAreCappedAndCleaned)
{
    Bytes body{200};
    body.insert(body.end(), 200, 'n');
    body[5] = 0x1B;
    body[9] = char(0xC2);
    body[10] = char(0x85);
    auto source = sourceOf(body);
    const heron_string name = readName(source);
    EXPECT_EQ(name.length(), heron::limits::maxNetNameLength - 3);
    EXPECT_EQ(name.find_first_of('\x1B'), heron_string::npos);
    EXPECT_EQ(name.find_first_of('\xC2'), heron_string::npos);
}

// Whatever a name holds, what the receiver reads is the net form of the sender's name, and that
// form is its own net form: both ends can match names by it.
TEST(Packets, SentNamesArriveInTheirNetForm)
{
    const std::string cap(heron::limits::maxNetNameLength, 'n');
    const std::vector<std::string> names{
        "Sea",
        cap + "tail",
        std::string(127, 'n') + "\xC3\xA9" + "tail", // a two-byte character across the cut
        "\x1B" + cap + "tail",                        // a control character inside the cut part
        cap + "\x1B",
    };
    for (const std::string& text : names) {
        const heron_string name(text.c_str());
        const Bytes packet = written([&](PacketWriter& w, heron::DataDest& out) { w.writeNamed(out, '+', name); });
        auto body = sourceOf(Bytes(packet.begin() + 2, packet.end()));
        const heron_string received = readName(body);
        EXPECT_EQ(received, netName(name)) << text;
        EXPECT_EQ(netName(received), received) << text;
        EXPECT_LE(received.length(), heron::limits::maxNetNameLength) << text;
    }
}

TEST(Packets, BodyOverrunIsAReadError)
{
    using Reader = std::function<void(heron::DataSource&)>;
    const Reader sampleReader = [](heron::DataSource& s) { readSample(s); };
    const Reader messageReader = [](heron::DataSource& s) { readMessage(s); };
    const Reader playersReader = [](heron::DataSource& s) { readPlayers(s); };
    const Reader worldReader = [](heron::DataSource& s) { readWorld(s); };
    const Reader identityReader = [](heron::DataSource& s) { readIdentity(s); };
    struct Case
    {
        const char* name;
        Reader read;
        Bytes body;
    };
    const std::vector<Case> cases{
        {"short sample", sampleReader, Bytes(28, 0)},
        {"empty message", messageReader, {0}},
        {"text longer than the body", messageReader, {9, 'a', 'b'}},
        {"colour past the body", messageReader, {1, 'a', 1, 0xFF}},
        {"players without end", playersReader, {1, 1, 'a', 0, 0, 0, 0}},
        {"players entry without colour", playersReader, {1, 1, 'a', 0}},
        {"players bad marker", playersReader, {2, 1, 'a', 0, 0, 0, 0, 0}},
        {"world entry past the body", worldReader, {'A', 200, 1}},
        {"world unknown inner kind", worldReader, {'Q', 0, 'E', 0}},
        {"world without end", worldReader, concat({{'A', 33, 1, 'k', 1, 'B'}, sampleBytes})},
        {"world entry short sample", worldReader, {'A', 4, 1, 'k', 1, 'B', 'E', 0}},
        {"identity without colour", identityReader, {1, 'a', 0, 0}},
    };
    for (const Case& c : cases) {
        auto source = sourceOf(c.body);
        EXPECT_THROW(c.read(source), heron::ReadError) << c.name;
    }
}

TEST(Packets, PlayersListIsCutToWhatAReceiverTakes)
{
    std::vector<ColouredText> players;
    for (int i = 0; i < 300; ++i) {
        players.push_back({("p" + std::to_string(i)).c_str(), {std::uint32_t(i)}});
    }
    const Bytes packet = written([&](PacketWriter& w, heron::DataDest& out) { w.writePlayers(out, players); });
    ReceiveBuffer buffer;
    buffer.append(packet);
    const std::optional<Packet> received = buffer.next();
    ASSERT_TRUE(received);
    heron::MemoryDataSource body(received->body.data(), std::uint32_t(received->body.size()), false);
    const std::vector<ColouredText> read = readPlayers(body);
    ASSERT_EQ(read.size(), heron::limits::maxNetEntries);
    EXPECT_EQ(read.back().text, "p255");
    EXPECT_EQ(read.back().colours.front(), 255u);
}

TEST(Packets, AvailabilityStopsAtBodyOrSlots)
{
    auto shortBody = sourceOf({'1', '0'});
    EXPECT_EQ(readAvailability(shortBody, 5), (std::vector<bool>{true, false}));
    auto longBody = sourceOf({'0', '1', '0'});
    EXPECT_EQ(readAvailability(longBody, 1), (std::vector<bool>{false}));
}

TEST(Packets, SamplesOutsideTheirRangeAreNotPlayable)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case
    {
        MotionSample sample;
        bool playable;
    };
    const std::vector<Case> cases{
        {sample, true},
        {{0, 5.0f}, true},
        {{0, 5.5f}, false},
        {{0, -0.1f}, false},
        {{0, 0, nan}, false},
        {{0, 0, 0, 0, 0, 0, 0, inf}, false},
        {{0, nan}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.sample.isPlayable(), c.playable) << c.sample.dt << " " << c.sample.x;
    }
}

TEST(ReceiveBuffer, HandsOutPacketsAsTheirLastByteArrives)
{
    ReceiveBuffer buffer;
    const Bytes two{'=', 0, 'L', 2, 1, 'B'};
    buffer.append(two);
    auto first = buffer.next();
    auto second = buffer.next();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->kind, '=');
    EXPECT_EQ(Bytes(second->body.begin(), second->body.end()), (Bytes{1, 'B'}));
    EXPECT_FALSE(buffer.next());

    const Bytes split{'x', 0xFF, 3, 0, 0, 0, 'a', 'b', 'c'};
    for (unsigned char byte : split) {
        EXPECT_FALSE(buffer.next());
        buffer.append(std::span(&byte, 1));
    }
    auto whole = buffer.next();
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->body.size(), 3u);
}

TEST(ReceiveBuffer, LargestPacketCompletesAfterManyReads)
{
    // A packet that starts deep in the buffer and is as long as the cap still completes.
    ReceiveBuffer buffer;
    Bytes filler(70000, 0);
    for (std::size_t i = 0; i < filler.size(); i += 2) {
        filler[i] = '=';
    }
    buffer.append(filler);
    while (buffer.next()) {
    }
    heron::MemoryDataDest out;
    writePacket(out, 'W', Bytes(heron::limits::maxPacketBody, 1));
    const Bytes big = bytesOf(out);
    for (std::size_t at = 0; at < big.size(); at += 1000) {
        EXPECT_FALSE(buffer.next());
        buffer.append(std::span(big).subspan(at, std::min<std::size_t>(1000, big.size() - at)));
    }
    auto packet = buffer.next();
    ASSERT_TRUE(packet);
    EXPECT_EQ(packet->body.size(), heron::limits::maxPacketBody);
}

TEST(ReceiveBuffer, RoomGrowsWithThePacketsThePeerSends)
{
    ReceiveBuffer buffer;
    EXPECT_LE(buffer.capacity(), 4096u) << "an idle connection keeps a few kilobytes";
    heron::MemoryDataDest out;
    for (int i = 0; i < 1000; ++i) {
        writePacket(out, '=');
    }
    writePacket(out, 'm', Bytes(20000, 'x'));
    const Bytes stream = bytesOf(out);
    // The stream arrives in reads of the free room, as a socket gives it.
    std::size_t at = 0;
    int small = 0;
    std::size_t large = 0;
    while (at < stream.size()) {
        const std::size_t room = buffer.capacity() - buffer.held().size();
        const std::size_t take = std::min(room, stream.size() - at);
        ASSERT_GT(take, 0u) << "no room for the rest of a packet";
        buffer.append(std::span(stream).subspan(at, take));
        at += take;
        while (const std::optional<Packet> packet = buffer.next()) {
            packet->kind == '=' ? void(++small) : void(large = packet->body.size());
        }
    }
    EXPECT_EQ(small, 1000);
    EXPECT_EQ(large, 20000u);
    EXPECT_LE(buffer.capacity(), 2u * 20006u);
    // The largest packet a peer may send still fits, and the room never passes it.
    out.clear();
    writePacket(out, 'W', Bytes(heron::limits::maxPacketBody, 1));
    buffer.append(bytesOf(out));
    const std::optional<Packet> largest = buffer.next();
    ASSERT_TRUE(largest);
    EXPECT_EQ(largest->body.size(), heron::limits::maxPacketBody);
    EXPECT_EQ(buffer.capacity(), heron::limits::maxPacketBody + 6);
}

TEST(ReceiveBuffer, LengthBeyondTheCapIsAReadError)
{
    ReceiveBuffer buffer;
    const std::uint32_t length = heron::limits::maxPacketBody + 1;
    const Bytes header{'W', 0xFF, std::uint8_t(length), std::uint8_t(length >> 8), std::uint8_t(length >> 16), 0};
    buffer.append(header);
    EXPECT_THROW(buffer.next(), heron::ReadError);
}
