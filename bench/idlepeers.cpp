// A serving world under idle connections: opens the given number of loopback connections that
// never send a byte, ticks the server until it holds them all (or refuses the rest), and reports
// the memory each one costs (the heap and the process's resident memory before and after, over
// the count),
// the time stopping the server takes, and the time the closing sockets take when the program ends.
// Usage: bench_idlepeers [connections].
#include "AvatarWorld.h"

#include "base/net/SocketCloser.h"
#include "content/DataFiles.h"
#include "game/net/LookNetwork.h"
#include "tests/support/Loopback.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <malloc.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

// Bytes the program's heap has handed out and not taken back.
double heapBytes()
{
    return double(mallinfo2().uordblks);
}

// The process's resident memory in bytes.
double residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    double size = 0;
    double resident = 0;
    statm >> size >> resident;
    return resident * double(sysconf(_SC_PAGESIZE));
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::stoi(argv[1]) : 250;
    pelican::resetDataFiles();
    avatarworld::Objects objects;
    heron::counted_ptr<Look> world = avatarworld::make(4, objects);
    avatarworld::serve(*world);
    LookNetwork& network = world->network();
    // A few players' worth first, so that what the server allocates once is not counted.
    // Each peer from an address of its own, as peers on many machines: a server takes only a few
    // connections from one address.
    std::vector<int> peers;
    peers.push_back(loopback::connectTo(network.listeningPort(), loopback::spreadAddress(0)));
    for (int tick = 0; tick < 100; ++tick) {
        network.updateNetwork();
    }
    const double residentBefore = residentBytes();
    const double heapBefore = heapBytes();
    for (int i = 0; i < count; ++i) {
        peers.push_back(loopback::connectTo(network.listeningPort(), loopback::spreadAddress(peers.size())));
    }
    for (int tick = 0; tick < 2000 && network.networkPlayerCount() < peers.size(); ++tick) {
        network.updateNetwork();
    }
    for (int tick = 0; tick < 100; ++tick) {
        network.updateNetwork();
    }
    const std::size_t held = network.networkPlayerCount() - 1;
    const double perConnection = 1024.0 * double(held);
    std::printf("%d idle connections opened, %zu held by the server\n", count, held);
    std::printf("per held connection: heap %.1f KiB, resident memory %.1f KiB\n",
                (heapBytes() - heapBefore) / perConnection, (residentBytes() - residentBefore) / perConnection);
    const auto stopping = std::chrono::steady_clock::now();
    network.setServing(false);
    network.updateNetwork();
    std::printf("stopping the server with them: %.3f s\n", secondsSince(stopping));
    const auto ending = std::chrono::steady_clock::now();
    heron::SocketCloser::instance().finish();
    std::printf("closing their sockets at the end: %.3f s\n", secondsSince(ending));
    for (int peer : peers) {
        close(peer);
    }
    return 0;
}
