#include "net/NetworkClientServer.h"

#include <gtest/gtest.h>

TEST(ConnectionStatusTest, StatusLineNamesTheRoleAndTheServer)
{
    const heron::NetAddress server(0x0A000102, gamePort);
    const struct
    {
        ConnectionState state;
        const char* line;
    } cases[] = {
        {{}, "Not connected"},
        {{ConnectionState::Mode::serving, 3, {}}, "Running as a server with 3 connections"},
        {{ConnectionState::Mode::connecting, 0, server}, "Connecting to 10.0.1.2"},
        {{ConnectionState::Mode::connected, 0, server}, "Connected to 10.0.1.2"},
    };
    for (const auto& each : cases) {
        EXPECT_EQ(connectionStatus(each.state), each.line);
    }
}
