// Network play under load: a serving world with 64 avatars and 64 scripted loopback clients, each
// holding one avatar and sending its motion 30 times a second for 30 s. Reports the CPU time the
// server's network ticks took, and the replay delay: how far behind the sender's clock the
// avatars stand when the server shows them, and when the other clients receive them.
// Usage: bench_netload [clients] [seconds].
#include "AvatarWorld.h"
#include "ScriptedPeer.h"

#include "base/MemoryDataSource.h"
#include "content/DataFiles.h"
#include "game/Look.h"
#include "game/net/LookNetwork.h"
#include "net/NetworkClientServer.h"
#include "net/Packets.h"
#include "tests/support/Loopback.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

constexpr double sendRate = 30.0;
// The server ticks at about this rate, as a game's frames would.
constexpr double tickRate = 100.0;

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// One scripted client: holds its avatar and answers pings and motion as the game's client does.
struct Client : scripted::Peer
{
    // Sum and count of the delays of the other avatars' samples received.
    double delaySum = 0;
    long delayCount = 0;
};

// Reads what arrived, answers it, and notes how old the samples of other avatars are.
void receive(Client& client, double now)
{
    scripted::receive(client, [&](const Packet& packet) {
        if (packet.kind != 'A') {
            return;
        }
        heron::MemoryDataSource body(packet.body.data(), std::uint32_t(packet.body.size()), false);
        const MotionSample sample = readSample(body);
        if (sample.y > 0) {
            client.delaySum += now - sample.x;
            ++client.delayCount;
        }
    });
}

// The clients' side, on a thread of its own: connect, take an avatar each, then send motion
// whose x is the send time, until the run is over.
void runClients(std::vector<Client>& clients, int port, double seconds, std::atomic<bool>& done)
{
    for (std::size_t i = 0; i < clients.size(); ++i) {
        Client& client = clients[i];
        // Each from an address of its own, as clients on many machines: a server takes only a few
        // connections from one address.
        client.socket = loopback::connectTo(port, loopback::spreadAddress(i));
        client.writer.writeIdentity(client.out, ("player" + std::to_string(i)).c_str(), 0xFFFFFF);
        client.writer.writeNamed(client.out, '+', ("/objects/avatar" + std::to_string(i) + "$0").c_str());
        scripted::flush(client);
    }
    const double start = networkNow();
    double nextSend = start;
    while (networkNow() - start < seconds) {
        const double now = networkNow();
        for (std::size_t i = 0; i < clients.size(); ++i) {
            receive(clients[i], now);
            if (now >= nextSend) {
                // x carries the send time; y marks a sample as sent under load.
                clients[i].writer.writeSample(clients[i].out, MotionSample{std::uint8_t(i), float(1.0 / sendRate), float(now), 1.0f, 0, 0, 0, 0});
            }
            scripted::flush(clients[i]);
        }
        if (now >= nextSend) {
            nextSend += 1.0 / sendRate;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    done = true;
}

// The network clock in seconds since the tool started, small enough for a float's x.
double sinceStart()
{
    static const auto start = std::chrono::steady_clock::now();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::stoi(argv[1]) : 64;
    const double seconds = argc > 2 ? std::stod(argv[2]) : 30.0;
    setNetworkClock(&sinceStart);
    pelican::resetDataFiles();
    avatarworld::Objects objects;
    heron::counted_ptr<Look> world = avatarworld::make(count, objects);
    avatarworld::serve(*world);
    std::vector<Client> clients(static_cast<std::size_t>(count));
    std::atomic<bool> done = false;
    std::thread driver(runClients, std::ref(clients), world->network().listeningPort(), seconds, std::ref(done));
    double cpu = 0;
    double serverDelaySum = 0;
    long serverDelayCount = 0;
    long ticks = 0;
    while (!done) {
        const double before = threadCpuSeconds();
        world->network().updateNetwork();
        cpu += threadCpuSeconds() - before;
        ++ticks;
        const double now = networkNow();
        for (const auto& slot : world->avatars()) {
            const double x = objectPosition(slot->object()).x;
            if (x > 0) {
                serverDelaySum += now - x;
                ++serverDelayCount;
            }
        }
        std::this_thread::sleep_for(std::chrono::duration<double>(1.0 / tickRate));
    }
    driver.join();
    double clientDelaySum = 0;
    long clientDelayCount = 0;
    for (const Client& client : clients) {
        clientDelaySum += client.delaySum;
        clientDelayCount += client.delayCount;
        close(client.socket);
    }
    std::printf("%d clients, %.0f s, %ld server ticks\n", count, seconds, ticks);
    std::printf("server network CPU time: %.3f s (%.1f%% of the run, %.1f us a tick)\n", cpu, 100.0 * cpu / seconds,
                1e6 * cpu / double(std::max(1L, ticks)));
    std::printf("players connected at the end: %zu\n", world->network().networkPlayerCount());
    std::printf("replay delay on the server: %.3f s (mean over %ld placements)\n",
                serverDelaySum / double(std::max(1L, serverDelayCount)), serverDelayCount);
    std::printf("delay of the samples the other clients receive: %.3f s (mean over %ld samples)\n",
                clientDelaySum / double(std::max(1L, clientDelayCount)), clientDelayCount);
    return 0;
}
