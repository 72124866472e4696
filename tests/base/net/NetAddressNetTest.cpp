#include "base/net/NetAddress.h"

#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"

#include <gtest/gtest.h>

#include <vector>

using heron::NetAddress;

TEST(NetAddress, DottedTextsParseWithoutLookupAndAnythingElseGivesZero)
{
    struct Case
    {
        const char* text;
        std::uint32_t address;
        int port;
    };
    const Case cases[] = {
        {"192.168.0.7:45321", 0xC0A80007, 45321},
        {"192.168.0.7", 0xC0A80007, 0},
        {" 10 . 0 . 0 . 1 : 80 ", 0x0A000001, 80},
        {"255.255.255.255:65535", 0xFFFFFFFF, 65535},
        {"0.0.0.0", 0, 0},
        {"1.2.3", 0, 0},
        {"1.2.3.4.5", 0, 0},
        {"256.1.1.1", 0, 0},
        {"1.2.3.4:65536", 0, 0},
        {"1.2.3.4:", 0, 0},
        {"-1.2.3.4", 0, 0},
        {"1.2.3.4:80:90", 0, 0},
        {"99999999999.1.1.1", 0, 0},
        {"", 0, 0},
        {nullptr, 0, 0},
    };
    for (const Case& c : cases) {
        const NetAddress parsed(c.text);
        EXPECT_EQ(parsed.address(), c.address) << (c.text ? c.text : "null");
        EXPECT_EQ(parsed.port(), c.port) << (c.text ? c.text : "null");
    }
}

TEST(NetAddress, HostNamesResolveAndDottedAddressesResolveToThemselvesAlone)
{
    EXPECT_EQ(NetAddress(0xC0A80007, 45321).toString(), heron_string("192.168.0.7"));
    EXPECT_EQ(NetAddress(0xFFFFFFFF, 0).toString(true), heron_string("255.255.255.255:0"));
    const NetAddress withPort("localhost:8080");
    EXPECT_EQ(withPort.address() >> 24, 127u);
    EXPECT_EQ(withPort.port(), 8080);
    EXPECT_EQ(NetAddress::resolveFirst("localhost", 99).port(), 99);
    const std::vector<NetAddress> all = NetAddress::resolve("127.0.0.1");
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all.front(), NetAddress(0x7F000001, 0));
    EXPECT_EQ(NetAddress::resolveFirst("127.0.0.1", 5), NetAddress(0x7F000001, 5));
    EXPECT_TRUE(NetAddress::resolve(nullptr).empty());
    EXPECT_TRUE(NetAddress::resolve("").empty());
    const heron_string& name = heron::localHostName();
    EXPECT_EQ(std::string(name.c_str()).find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), std::string::npos);
}

TEST(NetAddress, StreamFormIsTheAddressThenThePortInTheStreamsByteOrderAndAShortStreamChangesNothing)
{
    const NetAddress address(0xC0A80007, 45321);
    for (const bool bigEndian : {false, true}) {
        heron::MemoryDataDest sink(0);
        sink.setBigEndian(bigEndian);
        sink.writeAddress(address);
        const std::vector<unsigned char> expected =
            bigEndian ? std::vector<unsigned char>{0xC0, 0xA8, 0x00, 0x07, 0x00, 0x00, 0xB1, 0x09}
                      : std::vector<unsigned char>{0x07, 0x00, 0xA8, 0xC0, 0x09, 0xB1, 0x00, 0x00};
        ASSERT_EQ(std::vector<unsigned char>(sink.data(), sink.data() + sink.size()), expected);
        heron::MemoryDataSource source(sink.data(), sink.size(), false);
        source.setBigEndian(bigEndian);
        NetAddress read;
        source.readAddress(read);
        EXPECT_EQ(read, address);
    }
    const unsigned char bytes[] = {1, 2, 3, 4, 5};
    heron::MemoryDataSource shortSource(bytes, sizeof bytes, false);
    NetAddress read(0x01020304, 7);
    shortSource.readAddress(read);
    EXPECT_EQ(read, NetAddress(0x01020304, 7));
    EXPECT_TRUE(shortSource.hasError());
}
