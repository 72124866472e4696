// Network play beside hostile peers. A serving world with four avatars is ticked at a game's frame
// rate while an honest scripted client, holding nothing, answers its pings and motion, beside the
// same company of peers in every run: an address holding its share of connections, two loud
// talkers, an honest talker saying a line a second and a flooder. In the quiet run nobody attacks;
// in each of the others one kind of hostile peer does: the flooder streams cheap take packets
// naming no avatar, the full address floods the server with connects or resets connects as fast as
// they go, or the loud talkers fill the chat relay. Each run reports the honest client's motion
// packets a second, the server's tick time (median and longest), the log's growth and the honest
// talker's lines the honest client heard, with the ratios to the quiet run and the goals. Then two
// memory runs: the server's heap beside a peer that keeps a backlog and
// reads exactly the replies its pings cause, and a client world's heap and tick under a server
// that floods it with rings. Then a server that stands still most of the time (a weak or busy
// machine at a few ticks a second) is joined by a newcomer every second, first in quiet, then
// while hundreds of addresses each connect and reset a few times a second: the newcomers' join
// times and their ratio to the quiet ones. Last the Maestro run: who is named when scripted
// players fill a pen again and again, while others claim to have filled it.
// Usage: bench_hostile [seconds a run] [ticks of the backlog run] [seconds of the slowed runs]
//                      [fillings of the Maestro run].
#include "AvatarWorld.h"
#include "ScriptedPeer.h"

#include "base/Debug.h"
#include "base/Limits.h"
#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"
#include "base/net/NetAddress.h"
#include "content/DataFiles.h"
#include "game/Counter.h"
#include "game/Look.h"
#include "game/LookLogic.h"
#include "game/net/LookNetwork.h"
#include "game/net/NetLogic.h"
#include "net/Packets.h"
#include "tests/support/Loopback.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <functional>
#include <malloc.h>
#include <poll.h>
#include <span>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

// The server ticks at about this rate, as a game's frames would.
constexpr double tickRate = 60.0;
constexpr int avatarCount = 4;
// Seconds each run ticks before it is measured: the honest client and the company have the world
// list and have said who they are.
constexpr double settleSeconds = 1.0;
// Seconds each run ticks after it was measured, so that what was sent in it arrives.
constexpr double drainSeconds = 0.5;
// Seconds between two bursts of the loud talkers (and two lines of the honest one): a little over
// a second, so that each burst meets fresh per-second allowances, never the tail of the last.
constexpr double talkPeriod = 1.02;
// Seconds the ring run ticks at most; it stops early once the client's heap has grown by
// ringStopBytes, since the machine's memory is shared.
constexpr double ringSeconds = 3.0;
constexpr double ringStopBytes = 1024.0 * 1024 * 1024;

// The goals: beside each hostile peer the honest rate stays above this share of the quiet run's
// and the median tick below this multiple of it; the log grows by no more than this many bytes a
// second; the heaps stay within these many bytes of their start.
constexpr double honestRateGoal = 0.9;
// A newcomer gets the world within this many ticks of the quiet run's time.
constexpr double joinGoalTicks = 2.0;
// Seconds between two newcomers, and the longest a newcomer waits for the world.
constexpr double newcomerPeriod = 0.5;
constexpr double newcomerPatience = 25.0;
constexpr double tickGoal = 2.0;
constexpr double logGoal = 2048.0;
constexpr double serverHeapGoal = 10.0 * 1024 * 1024;
constexpr double clientHeapGoal = 20.0 * 1024 * 1024;

constexpr double megabyte = 1024.0 * 1024;

// The slowed server stands still for stallSeconds of every stallPeriod, as a stopped process
// would, and ticks at the frame rate in between: about three ticks in each period.
constexpr double stallPeriod = 0.2;
constexpr double stallSeconds = 0.15;
// The many-address churn: each address connects and resets this often a second, well under every
// line the server draws for one address.
constexpr std::size_t churnAddresses = 500;
constexpr double churnPerAddress = 10.0;
// A connect of the churn not yet made after this long is given up.
constexpr double churnPatience = 0.5;
// On the slowed server a newcomer comes every second and should have the world within this time.
constexpr double slowJoinPeriod = 1.0;
constexpr double slowJoinGoal = 5.0;

// Each peer connects from a loopback address of its own kind: a server counts the connections of
// each address.
constexpr std::uint32_t host(std::uint32_t last)
{
    return 0x7f000000u + last;
}
constexpr std::uint32_t honestHost = host(5);
constexpr std::uint32_t flooderHost = host(6);
// The address that holds its share of connections, from which more connects come.
constexpr std::uint32_t fullHost = host(7);
constexpr std::uint32_t loudHosts[] = {host(9), host(10)};
constexpr std::uint32_t talkerHost = host(11);
constexpr std::uint32_t exactReaderHost = host(13);
constexpr std::uint32_t worldCaptureHost = host(14);
// Where newcomers come from, one at a time, while a run is measured.
constexpr std::uint32_t newcomerHost = host(15);
constexpr const char* loudNames[] = {"Loud0", "Loud1"};
// The name of the honest talker, whose lines the honest client counts.
constexpr const char* talkerName = "Ann";
// The longest chat line a client sends, in bytes.
constexpr std::size_t maxLineLength = heron::limits::maxNetTextLength;
// What the server relayed of all players' chat together in a second when this benchmark was
// written: the loud talkers fill it to the byte, as strangers who read the server's code would.
constexpr long relayAllowance = 32 * 1024;

std::string printed(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string printed(const char* format, ...)
{
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    return text;
}

double secondsSince(Clock::time_point start)
{
    return Seconds(Clock::now() - start).count();
}

// Bytes the program's heap has handed out and not taken back, the blocks it maps on their own
// (large buffers) included.
double heapBytes()
{
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd);
}

// True when the socket is ready for events within waitMs milliseconds.
bool waitFor(int socket, short events, int waitMs)
{
    pollfd entry{socket, events, 0};
    return poll(&entry, 1, waitMs) == 1;
}

// Writes all the bytes, waiting while the socket is full; false when it closed or stop was set.
bool sendAll(int socket, const heron::MemoryDataDest& bytes, const std::atomic<bool>& stop)
{
    std::size_t sent = 0;
    while (sent < bytes.size() && !stop) {
        if (!waitFor(socket, POLLOUT, 10)) {
            continue;
        }
        const ssize_t n = send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno != EAGAIN) {
            return false;
        }
        sent += std::size_t(std::max<ssize_t>(n, 0));
    }
    return sent == bytes.size();
}

// Reads exactly n bytes and drops them; false when the socket closed first or stop was set.
bool receiveExactly(int socket, std::size_t n, const std::atomic<bool>& stop)
{
    char bytes[65536];
    while (n > 0 && !stop) {
        if (!waitFor(socket, POLLIN, 10)) {
            continue;
        }
        const ssize_t got = recv(socket, bytes, std::min(sizeof bytes, n), MSG_DONTWAIT);
        if (got == 0 || (got < 0 && errno != EAGAIN)) {
            return false;
        }
        n -= std::size_t(std::max<ssize_t>(got, 0));
    }
    return n == 0;
}

// The same run of whole packets sent again and again, as fast as a socket takes it: each send goes
// on where the last one stopped, so however the socket cuts the bytes, the packets stay whole.
class PacketStream
{
public:
    // The stream repeats count packets that write appends.
    PacketStream(int count, const std::function<void(heron::MemoryDataDest&)>& write)
    {
        for (int i = 0; i < count; ++i) {
            write(m_bytes);
        }
    }
    // Sends what the socket takes now; false once it has closed.
    bool sendSome(int socket)
    {
        const ssize_t n = send(socket, m_bytes.data() + m_offset, m_bytes.size() - m_offset, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0) {
            return errno == EAGAIN;
        }
        m_sent += double(n);
        m_offset = (m_offset + std::size_t(n)) % m_bytes.size();
        return true;
    }
    double bytesSent() const { return m_sent; }

private:
    heron::MemoryDataDest m_bytes;
    std::size_t m_offset = 0;
    double m_sent = 0;
};

// A non-blocking socket connecting from the address to the server's port; -1 when it cannot
// start. With Close::reset, closing it resets the connection instead of ending it.
enum class Close
{
    graceful,
    reset
};
int startConnect(int port, std::uint32_t from, Close close)
{
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    if (close == Close::reset) {
        const linger abort{1, 0};
        setsockopt(s, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    }
    sockaddr_in source{};
    source.sin_family = AF_INET;
    source.sin_addr.s_addr = htonl(from);
    const sockaddr_in where = loopback::endpoint(port);
    if (bind(s, reinterpret_cast<const sockaddr*>(&source), sizeof source) != 0 ||
        (connect(s, reinterpret_cast<const sockaddr*>(&where), sizeof where) != 0 && errno != EINPROGRESS)) {
        ::close(s);
        return -1;
    }
    return s;
}

// The log, in a temp file of its own for one run and without a limit, so that its growth can be
// measured.
class RunLog
{
public:
    RunLog()
        : m_path(std::filesystem::temp_directory_path() / ("hostile-" + std::to_string(getpid()) + ".log"))
        , m_file(std::fopen(m_path.c_str(), "w"))
    {
        heron::setDebugLogLimit(std::size_t{64} << 30);
        heron::setDebugLogFile(m_file);
    }
    ~RunLog()
    {
        heron::setDebugLogFile(nullptr);
        std::fclose(m_file);
        std::filesystem::remove(m_path);
    }
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;
    double bytes() const { return double(std::filesystem::file_size(m_path)); }
    std::string text() const
    {
        std::fflush(m_file);
        std::ifstream in(m_path);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    std::filesystem::path m_path;
    std::FILE* m_file;
};

// A serving world with its avatars, listening on a port the system chose, and the log of its run.
struct ServingWorld
{
    ServingWorld() { avatarworld::serve(*world); }
    int port() const { return network.listeningPort(); }

    RunLog log;
    avatarworld::Objects objects;
    heron::counted_ptr<Look> world = avatarworld::make(avatarCount, objects);
    LookNetwork& network = world->network();
};

// Whether a tick's time is kept.
enum class Keep
{
    no,
    yes
};

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

Clock::time_point after(double seconds)
{
    return Clock::now() + std::chrono::duration_cast<Clock::duration>(Seconds(seconds));
}

// Ticks a world's network at the frame rate; a tick that overruns its frame starts the next one at
// once, as a game's late frame would.
class Ticker
{
public:
    explicit Ticker(LookNetwork& network) : m_network(network), m_next(Clock::now()) {}

    // The tick's time is the processor time the server's thread spent in it: what the tick costs,
    // whatever else the machine runs meanwhile.
    void tick(Keep keep)
    {
        const double start = threadCpuSeconds();
        m_network.updateNetwork();
        if (keep == Keep::yes) {
            m_times.push_back(threadCpuSeconds() - start);
        }
        m_next += std::chrono::duration_cast<Clock::duration>(Seconds(1.0 / tickRate));
        if (m_next < Clock::now()) {
            m_next = Clock::now();
        }
        std::this_thread::sleep_until(m_next);
    }
    void tickUntil(Clock::time_point end, Keep keep)
    {
        while (Clock::now() < end) {
            tick(keep);
        }
    }
    // Ticks until end as a server that stands still for stallSeconds of every stallPeriod.
    void tickSlowlyUntil(Clock::time_point end)
    {
        while (Clock::now() < end) {
            tickUntil(std::min(end, after(stallPeriod - stallSeconds)), Keep::no);
            std::this_thread::sleep_for(Seconds(stallSeconds));
        }
    }
    // The median and the longest of the ticks kept, in seconds.
    double median()
    {
        if (m_times.empty()) {
            return 0;
        }
        std::nth_element(m_times.begin(), m_times.begin() + std::ptrdiff_t(m_times.size() / 2), m_times.end());
        return m_times[m_times.size() / 2];
    }
    double longest() const { return m_times.empty() ? 0 : *std::max_element(m_times.begin(), m_times.end()); }
    std::size_t ticksKept() const { return m_times.size(); }

private:
    LookNetwork& m_network;
    Clock::time_point m_next;
    std::vector<double> m_times;
};

// The time of count talk periods.
Clock::duration period(double count)
{
    return std::chrono::duration_cast<Clock::duration>(Seconds(count * talkPeriod));
}

// A chat line as the game's client writes it: "[name] " in the player's colour, then the text.
ColouredText chatLine(const std::string& name, std::uint32_t colour, const std::string& text)
{
    const std::string line = "[" + name + "] " + text;
    std::vector<std::uint32_t> colours(name.size() + 3, colour);
    colours.resize(line.size(), 0xFFFFFF);
    return {line.c_str(), colours};
}

// The honest player: from an address of its own it says who it is, holds nothing, answers pings
// and motion as the game's client does, and counts the motion packets it receives and the honest
// talker's chat lines. On its own thread until destroyed.
class HonestClient
{
public:
    explicit HonestClient(int port) : m_thread([this, port] { run(port); }) {}
    ~HonestClient()
    {
        m_stop = true;
        m_thread.join();
    }
    HonestClient(const HonestClient&) = delete;
    HonestClient& operator=(const HonestClient&) = delete;

    long motion() const { return m_motion; }
    long talkerLines() const { return m_talkerLines; }

private:
    void run(int port)
    {
        scripted::Peer peer;
        peer.socket = loopback::connectTo(port, honestHost);
        peer.writer.writeIdentity(peer.out, "Honest", 0x00FF00);
        const std::string talker = std::string("[") + talkerName + "] ";
        while (!m_stop) {
            waitFor(peer.socket, POLLIN, 5);
            scripted::receive(peer, [&](const Packet& packet) {
                if (packet.kind == 'A') {
                    ++m_motion;
                } else if (packet.kind == 'm') {
                    heron::MemoryDataSource body(packet.body.data(), std::uint32_t(packet.body.size()), false);
                    m_talkerLines += std::string(readMessage(body).text.c_str()).starts_with(talker) ? 1 : 0;
                }
            });
            scripted::flush(peer);
        }
        close(peer.socket);
    }

    std::atomic<bool> m_stop = false;
    std::atomic<long> m_motion = 0;
    std::atomic<long> m_talkerLines = 0;
    // Last: it starts once the counts are set.
    std::thread m_thread;
};

// A chat line as a stranger's client can write it: "[name] " in red, then 'x' up to length bytes,
// with a colour change at each of the first changes characters after the name (each change costs
// the packet a colour run).
ColouredText loudLine(const std::string& name, std::size_t length, std::size_t changes)
{
    const std::size_t named = name.size() + 3;
    ColouredText line = chatLine(name, 0xFF0000, std::string(length - named, 'x'));
    for (std::size_t i = 0; i < changes && named + i < length; ++i) {
        line.colours[named + i] = i % 2 != 0 ? 0xFF0000 : 0x00FF00;
    }
    return line;
}

// The loud talkers' lines of one burst, three each: lines of 1 KiB with a colour change at every
// character (the most bytes a line can take), the last one cut so that the six fill the server's
// relay allowance to the byte.
std::vector<std::vector<ColouredText>> loudBursts(PacketWriter& writer, const std::vector<std::string>& names)
{
    std::vector<std::vector<ColouredText>> bursts;
    long left = relayAllowance;
    for (const std::string& name : names) {
        const ColouredText full = loudLine(name, maxLineLength, maxLineLength);
        bursts.push_back({full, full, full});
        left -= 3 * long(writer.messageSize(full));
    }
    const std::string& last = names.back();
    left += long(writer.messageSize(bursts.back().back()));
    for (std::size_t length = last.size() + 4; length <= maxLineLength && left > 0; ++length) {
        for (std::size_t changes = 0; changes <= length; ++changes) {
            const ColouredText line = loudLine(last, length, changes);
            if (long(writer.messageSize(line)) == left) {
                bursts.back().back() = line;
                return bursts;
            }
            if (long(writer.messageSize(line)) > left) {
                break;
            }
        }
    }
    return bursts;
}

// The peers beside the honest client in every run, each from a loopback address of its kind and
// identified: as many from one address as the server holds from an address, two loud talkers, the
// honest talker and the flooder. All but the flooder answer pings and motion as the game's client
// does, and the honest talker says one short line every period, half a period after the loud
// talkers' turn. A run's hostile peer is one of them at work, or a stream of connections from the
// full address. The flooder never reads nor answers, so that what it streams stays whole packets.
// Served by the thread that made them.
class Company
{
public:
    // The talker's lines are due from start on.
    Company(int port, Clock::time_point start) : m_start(start)
    {
        std::vector<std::pair<std::uint32_t, std::string>> members;
        for (std::size_t i = 0; i < heron::limits::maxNetPlayersPerAddress; ++i) {
            members.emplace_back(fullHost, "Share" + std::to_string(i));
        }
        members.emplace_back(loudHosts[0], loudNames[0]);
        members.emplace_back(loudHosts[1], loudNames[1]);
        members.emplace_back(talkerHost, talkerName);
        for (const auto& [address, name] : members) {
            m_peers.push_back(std::make_unique<scripted::Peer>());
            m_peers.back()->socket = loopback::connectTo(port, address);
            m_peers.back()->writer.writeIdentity(m_peers.back()->out, name.c_str(), 0x808080);
            scripted::flush(*m_peers.back());
        }
        scripted::Peer flooder;
        flooder.socket = loopback::connectTo(port, flooderHost);
        flooder.writer.writeIdentity(flooder.out, "Flood", 0x808080);
        scripted::flush(flooder);
        m_flooder = flooder.socket;
    }
    ~Company()
    {
        for (const auto& peer : m_peers) {
            close(peer->socket);
        }
        close(m_flooder);
    }
    Company(const Company&) = delete;
    Company& operator=(const Company&) = delete;

    scripted::Peer& loud(std::size_t i) { return *m_peers[heron::limits::maxNetPlayersPerAddress + i]; }
    int flooder() const { return m_flooder; }
    long talkerLines() const { return m_talkerLines; }

    // Reads and answers what arrived, waiting up to waitMs milliseconds for something to come,
    // and lets the honest talker speak when its line is due.
    void serve(int waitMs)
    {
        std::vector<pollfd> entries;
        for (const auto& peer : m_peers) {
            entries.push_back({peer->socket, POLLIN, 0});
        }
        poll(entries.data(), entries.size(), waitMs);
        for (const auto& peer : m_peers) {
            scripted::receive(*peer, [](const Packet&) {});
            scripted::flush(*peer);
        }
        if (Clock::now() >= lineDue()) {
            scripted::Peer& talker = *m_peers.back();
            talker.writer.writeMessage(talker.out, chatLine(talkerName, 0x00FF00, "line " + std::to_string(m_talkerLines)));
            scripted::flush(talker);
            ++m_talkerLines;
        }
    }
    // Serves them until the time given or until stop is set.
    void serveUntil(Clock::time_point end, const std::atomic<bool>& stop)
    {
        while (Clock::now() < end && !stop) {
            serve(5);
        }
    }

private:
    Clock::time_point lineDue() const { return m_start + period(double(m_talkerLines) + 0.5); }

    std::vector<std::unique_ptr<scripted::Peer>> m_peers;
    int m_flooder = -1;
    Clock::time_point m_start;
    long m_talkerLines = 0;
};

// What a run's hostile peer did, as the report tells it, and how many lines the honest talker said.
struct AttackReport
{
    std::string what;
    long talkerLines = 0;
};

// A hostile peer's work: from the start of the measured run until stop is set, on the company's
// thread, serving the company meanwhile; it tells what it did.
using Attack = std::function<std::string(Company& company, int port, const std::atomic<bool>& stop)>;

std::string keepCompany(Company& company, int, const std::atomic<bool>& stop)
{
    while (!stop) {
        company.serve(5);
    }
    return "nobody attacks";
}

// The flooder streams 5-byte take packets naming no avatar, as fast as its socket takes them.
std::string floodTakes(Company& company, int, const std::atomic<bool>& stop)
{
    PacketWriter writer;
    PacketStream takes(200000, [&](heron::MemoryDataDest& out) { writer.writeNamed(out, '+', "zz"); });
    bool open = true;
    while (!stop && open) {
        open = !waitFor(company.flooder(), POLLOUT, 1) || takes.sendSome(company.flooder());
        company.serve(0);
    }
    return printed("%.0f take packets sent (%.1f MB)%s", takes.bytesSent() / 5.0, takes.bytesSent() / 1e6,
                   open ? "" : ", until the server closed the connection");
}

// From the address at its share, 200 more connects every 50 ms, each held a second.
std::string floodConnects(Company& company, int port, const std::atomic<bool>& stop)
{
    std::deque<std::pair<int, Clock::time_point>> held;
    long made = 0;
    long failed = 0;
    while (!stop) {
        const Clock::time_point now = Clock::now();
        while (!held.empty() && now - held.front().second > std::chrono::seconds(1)) {
            close(held.front().first);
            held.pop_front();
        }
        for (int i = 0; i < 200; ++i) {
            const int s = startConnect(port, fullHost, Close::graceful);
            made += s >= 0 ? 1 : 0;
            failed += s >= 0 ? 0 : 1;
            if (s >= 0) {
                held.emplace_back(s, now);
            }
        }
        company.serveUntil(now + std::chrono::milliseconds(50), stop);
    }
    for (const auto& [s, since] : held) {
        close(s);
    }
    return printed("%ld connects beyond the address's share, each held 1 s (%ld could not start)", made, failed);
}

// From the address at its share, connects reset at once, as fast as they go.
std::string churnResets(Company& company, int port, const std::atomic<bool>& stop)
{
    long resets = 0;
    while (!stop) {
        const int s = startConnect(port, fullHost, Close::reset);
        if (s >= 0) {
            waitFor(s, POLLOUT, 100);
            close(s);
            ++resets;
        }
        company.serve(0);
    }
    return printed("%ld connections reset from the address at its share", resets);
}

// The loud talkers each send a burst of three long lines at the start of every period.
std::string talkLoudly(Company& company, int, const std::atomic<bool>& stop)
{
    PacketWriter writer;
    const std::vector<std::vector<ColouredText>> bursts = loudBursts(writer, {loudNames[0], loudNames[1]});
    const Clock::time_point start = Clock::now();
    std::uint32_t bytes = 0;
    for (int turn = 0; !stop; ++turn) {
        company.serveUntil(start + period(turn), stop);
        for (std::size_t loud = 0; loud < bursts.size() && !stop; ++loud) {
            for (const ColouredText& line : bursts[loud]) {
                company.loud(loud).writer.writeMessage(company.loud(loud).out, line);
                bytes += turn == 0 ? writer.messageSize(line) : 0;
            }
            scripted::flush(company.loud(loud));
        }
    }
    return printed("each loud talker sent 3 lines every %.2f s, %u bytes a burst together", talkPeriod, unsigned(bytes));
}

// Seconds a newcomer from an address of its own waits from its connect to the server's world list;
// the patience when it never comes.
double joinTime(int port)
{
    const Clock::time_point start = Clock::now();
    const int s = startConnect(port, newcomerHost, Close::graceful);
    ReceiveBuffer received;
    unsigned char bytes[65536];
    bool world = false;
    while (s >= 0 && !world && secondsSince(start) < newcomerPatience) {
        if (!waitFor(s, POLLIN, 100)) {
            continue;
        }
        const ssize_t got = recv(s, bytes, sizeof bytes, MSG_DONTWAIT);
        if (got == 0 || (got < 0 && errno != EAGAIN)) {
            break;
        }
        received.append({bytes, std::size_t(std::max<ssize_t>(got, 0))});
        while (const std::optional<Packet> packet = received.next()) {
            world = world || packet->kind == 'W';
        }
    }
    if (s >= 0) {
        close(s);
    }
    return world ? secondsSince(start) : newcomerPatience;
}

// Newcomers one after another until stop is set: the longest wait for the world.
double joinNewcomers(int port, const std::atomic<bool>& stop)
{
    double longest = 0;
    while (!stop) {
        longest = std::max(longest, joinTime(port));
        std::this_thread::sleep_for(Seconds(newcomerPeriod));
    }
    return longest;
}

// What one run beside a hostile peer (or none) measured.
struct RunFigures
{
    const char* name = "";
    // The honest client's motion packets a second.
    double motionRate = 0;
    // The server's ticks, in seconds.
    double tickMedian = 0;
    double tickLongest = 0;
    // Bytes the log grew by a second.
    double logRate = 0;
    AttackReport report;
    // The honest talker's lines the honest client received.
    long talkerLinesHeard = 0;
    // The longest a newcomer waited for the world, in seconds.
    double joinLongest = 0;
};

// A serving world ticked for the seconds given beside the honest client and the company, one of
// which attacks (or none, for the quiet run).
RunFigures measureRun(const char* name, const Attack& attack, double seconds)
{
    RunFigures figures;
    figures.name = name;
    ServingWorld serving;
    RunLog& log = serving.log;
    LookNetwork& network = serving.network;
    const int port = serving.port();
    Ticker ticker(network);
    HonestClient honest(port);
    const Clock::time_point start = after(settleSeconds);
    std::atomic<bool> stop = false;
    std::thread peers([&] {
        Company company(port, start);
        company.serveUntil(start, stop);
        figures.report.what = attack(company, port, stop);
        figures.report.talkerLines = company.talkerLines();
    });
    ticker.tickUntil(start, Keep::no);
    std::atomic<bool> joined = false;
    std::atomic<bool> newcomersDone = false;
    std::thread newcomers([&] {
        figures.joinLongest = joinNewcomers(port, joined);
        newcomersDone = true;
    });
    const long motionBefore = honest.motion();
    const double logBefore = log.bytes();
    const Clock::time_point measured = Clock::now();
    ticker.tickUntil(after(seconds), Keep::yes);
    const double elapsed = secondsSince(measured);
    figures.motionRate = double(honest.motion() - motionBefore) / elapsed;
    figures.logRate = (log.bytes() - logBefore) / elapsed;
    joined = true;
    while (!newcomersDone) {
        ticker.tickUntil(after(0.05), Keep::no);
    }
    newcomers.join();
    stop = true;
    ticker.tickUntil(after(drainSeconds), Keep::no);
    peers.join();
    figures.talkerLinesHeard = honest.talkerLines();
    figures.tickMedian = ticker.median();
    figures.tickLongest = ticker.longest();
    return figures;
}

double ratio(double value, double quiet)
{
    return quiet > 0 ? value / quiet : 0;
}

// The goals a run beside a hostile peer misses, or "met".
std::string missedGoals(const RunFigures& run, const RunFigures& quiet)
{
    std::string missed;
    const auto miss = [&](bool met, const char* goal) {
        if (!met) {
            missed += missed.empty() ? "missed: " : ", ";
            missed += goal;
        }
    };
    miss(ratio(run.motionRate, quiet.motionRate) >= honestRateGoal, "honest rate");
    miss(ratio(run.tickMedian, quiet.tickMedian) <= tickGoal, "tick");
    miss(run.logRate <= logGoal, "log");
    miss(run.talkerLinesHeard >= run.report.talkerLines, "talker heard");
    miss(run.joinLongest <= quiet.joinLongest + joinGoalTicks / tickRate, "newcomer");
    return missed.empty() ? "met" : missed;
}

// The table of the runs, the quiet one first, and what each hostile peer did.
void printRuns(const std::vector<RunFigures>& runs)
{
    const RunFigures& quiet = runs.front();
    std::printf("%-22s %9s %6s %11s %8s %11s %8s %9s %6s %8s  %s\n", "run", "motion/s", "ratio", "cpu med ms", "ratio",
                "cpu max ms", "ratio", "log B/s", "heard", "join ms", "goals");
    for (const RunFigures& run : runs) {
        const std::string heard = std::to_string(run.talkerLinesHeard) + "/" + std::to_string(run.report.talkerLines);
        std::printf("%-22s %9.1f %6.2f %11.3f %8.2f %11.3f %8.2f %9.0f %6s %8.1f  %s\n", run.name, run.motionRate,
                    ratio(run.motionRate, quiet.motionRate), 1e3 * run.tickMedian, ratio(run.tickMedian, quiet.tickMedian),
                    1e3 * run.tickLongest, ratio(run.tickLongest, quiet.tickLongest), run.logRate, heard.c_str(),
                    1e3 * run.joinLongest, missedGoals(run, quiet).c_str());
    }
    for (const RunFigures& run : runs) {
        std::printf("  %s: %s\n", run.name, run.report.what.c_str());
    }
}

// A peer that leaves a backlog of the server's replies unsent: once go is set it sends 150,000
// pings at once, then in rounds 30,000 pings and reads exactly the 60,000 reply bytes they cause,
// until stop is set. Counts its rounds.
void readExactly(int port, const std::atomic<bool>& go, const std::atomic<bool>& stop, long& rounds)
{
    scripted::Peer reader;
    reader.socket = loopback::connectTo(port, exactReaderHost, 4096);
    reader.writer.writeIdentity(reader.out, "Exact", 0x0000FF);
    scripted::flush(reader);
    constexpr int roundPings = 30000;
    heron::MemoryDataDest backlog;
    heron::MemoryDataDest round;
    for (int i = 0; i < 5 * roundPings; ++i) {
        writePacket(backlog, '=');
    }
    for (int i = 0; i < roundPings; ++i) {
        writePacket(round, '=');
    }
    while (!go && !stop) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!sendAll(reader.socket, backlog, stop)) {
        close(reader.socket);
        return;
    }
    while (sendAll(reader.socket, round, stop) && receiveExactly(reader.socket, round.size(), stop)) {
        ++rounds;
    }
    close(reader.socket);
}

// The server's heap beside the peer that reads exactly what it causes, for the ticks given.
void measureBacklog(int ticks)
{
    ServingWorld serving;
    RunLog& log = serving.log;
    LookNetwork& network = serving.network;
    Ticker ticker(network);
    std::atomic<bool> go = false;
    std::atomic<bool> stop = false;
    long rounds = 0;
    std::thread reader(readExactly, network.listeningPort(), std::cref(go), std::cref(stop), std::ref(rounds));
    ticker.tickUntil(after(settleSeconds), Keep::no);
    const double heapBefore = heapBytes();
    double heapPeak = heapBefore;
    const double logBefore = log.bytes();
    const Clock::time_point start = Clock::now();
    go = true;
    for (int i = 0; i < ticks; ++i) {
        ticker.tick(Keep::yes);
        heapPeak = std::max(heapPeak, heapBytes());
    }
    const double elapsed = secondsSince(start);
    const double growth = heapBytes() - heapBefore;
    const double logRate = (log.bytes() - logBefore) / elapsed;
    stop = true;
    reader.join();
    std::printf("server beside a peer reading exactly what it causes: %d ticks in %.1f s, %ld rounds of 30,000 pings\n",
                ticks, elapsed, rounds);
    std::printf("  server heap %+.1f MB from its start (peak %+.1f MB; goal within %.0f MB): %s; tick median %.3f ms, "
                "max %.3f ms; log %.0f B/s (%s)\n",
                growth / megabyte, (heapPeak - heapBefore) / megabyte, serverHeapGoal / megabyte,
                std::abs(growth) <= serverHeapGoal ? "met" : "missed", 1e3 * ticker.median(), 1e3 * ticker.longest(), logRate,
                logRate <= logGoal ? "met" : "missed");
}

// The 'W' packet a serving world sends a new connection, whole.
std::string capturedWorldList()
{
    avatarworld::Objects objects;
    heron::counted_ptr<Look> world = avatarworld::make(avatarCount, objects);
    avatarworld::serve(*world);
    LookNetwork& network = world->network();
    scripted::Peer peer;
    peer.socket = loopback::connectTo(network.listeningPort(), worldCaptureHost);
    heron::MemoryDataDest packet;
    for (int i = 0; i < 1000 && packet.size() == 0; ++i) {
        network.updateNetwork();
        scripted::receive(peer, [&](const Packet& received) {
            if (received.kind == 'W' && packet.size() == 0) {
                writePacket(packet, 'W', received.body);
            }
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    close(peer.socket);
    return {reinterpret_cast<const char*>(packet.data()), packet.size()};
}

// A hostile server: it takes one connection, sends it the world list and a ping, then nothing but
// empty ring packets as fast as the socket takes them, and drops what the client sends, until stop
// is set. Counts the bytes of rings sent.
void floodRings(const loopback::Listener& listener, const std::string& worldList, const std::atomic<bool>& stop,
                double& ringBytes)
{
    const int client = listener.accept();
    if (client < 0) {
        return;
    }
    heron::MemoryDataDest opening;
    opening.write(worldList.data(), std::uint32_t(worldList.size()));
    writePacket(opening, '=');
    PacketStream rings(32768, [](heron::MemoryDataDest& out) { writePacket(out, 'r'); });
    bool open = sendAll(client, opening, stop);
    char dropped[65536];
    while (open && !stop) {
        pollfd entry{client, POLLIN | POLLOUT, 0};
        poll(&entry, 1, 10);
        while ((entry.revents & POLLIN) != 0 && recv(client, dropped, sizeof dropped, MSG_DONTWAIT) > 0) {
        }
        open = (entry.revents & POLLOUT) == 0 || rings.sendSome(client);
    }
    ringBytes = rings.bytesSent();
    close(client);
}

// A client world's heap and tick under the ring-flooding server.
void measureRingFlood()
{
    const std::string worldList = capturedWorldList();
    RunLog log;
    avatarworld::Objects objects;
    heron::counted_ptr<Look> world = avatarworld::make(avatarCount, objects);
    LookNetwork& network = world->network();
    network.setServing(false);
    network.setIdentity({"Client", 0x00FF00});
    loopback::Listener listener;
    std::atomic<bool> stop = false;
    double ringBytes = 0;
    std::thread server(floodRings, std::cref(listener), std::cref(worldList), std::cref(stop), std::ref(ringBytes));
    network.connectTo(heron::NetAddress(loopback::address, listener.port()));
    Ticker ticker(network);
    const Clock::time_point deadline = after(5.0);
    while ((network.client() == nullptr || !network.client()->hasWorld()) && Clock::now() < deadline) {
        ticker.tick(Keep::no);
    }
    const bool hasWorld = network.client() != nullptr && network.client()->hasWorld();
    const double heapBefore = heapBytes();
    const double logBefore = log.bytes();
    const Clock::time_point start = Clock::now();
    while (secondsSince(start) < ringSeconds && heapBytes() - heapBefore < ringStopBytes) {
        ticker.tick(Keep::yes);
    }
    const double elapsed = secondsSince(start);
    const double growth = heapBytes() - heapBefore;
    const double logRate = (log.bytes() - logBefore) / elapsed;
    stop = true;
    server.join();
    std::printf("client under a server flooding it with rings%s: %.1f s%s, %zu ticks, %.1f MB of rings sent\n",
                hasWorld ? "" : " (it never had the world list)", elapsed,
                growth >= ringStopBytes ? " (stopped at the heap's bound)" : "", ticker.ticksKept(), ringBytes / 1e6);
    std::printf("  client heap %+.1f MB from its start (goal within %.0f MB): %s; rings kept %zu; tick median %.3f ms, "
                "max %.3f ms; log %.0f B/s (%s)\n",
                growth / megabyte, clientHeapGoal / megabyte, std::abs(growth) <= clientHeapGoal ? "met" : "missed",
                world->ringCounter() != nullptr ? world->ringCounter()->count() : 0, 1e3 * ticker.median(),
                1e3 * ticker.longest(), logRate, logRate <= logGoal ? "met" : "missed");
}

// Connects from churnAddresses addresses in turn, churnPerAddress a second from each, every one
// reset as soon as it is made, until stop is set; counts those made and those given up.
struct ChurnCount
{
    long made = 0;
    long givenUp = 0;
};
ChurnCount churnManyAddresses(int port, const std::atomic<bool>& stop)
{
    ChurnCount count;
    std::vector<std::pair<int, Clock::time_point>> pending;
    const Clock::time_point start = Clock::now();
    const double rate = double(churnAddresses) * churnPerAddress;
    for (long started = 0; !stop;) {
        for (const long due = long(secondsSince(start) * rate); started < due; ++started) {
            const int s = startConnect(port, loopback::spreadAddress(std::size_t(started) % churnAddresses), Close::reset);
            if (s >= 0) {
                pending.emplace_back(s, Clock::now());
            }
        }
        std::vector<pollfd> entries;
        for (const auto& [s, since] : pending) {
            entries.push_back({s, POLLOUT, 0});
        }
        poll(entries.data(), entries.size(), 1);
        std::size_t i = 0;
        std::erase_if(pending, [&](const auto& each) {
            const bool made = (entries[i++].revents & POLLOUT) != 0;
            if (!made && secondsSince(each.second) < churnPatience) {
                return false;
            }
            (made ? count.made : count.givenUp) += 1;
            close(each.first);
            return true;
        });
    }
    for (const auto& [s, since] : pending) {
        close(s);
    }
    return count;
}

// The join times of the newcomers of one slowed run, one a second, each newcomerPatience when the
// world never came.
struct SlowJoins
{
    std::vector<double> times;
    ChurnCount churn;

    std::size_t within(double seconds) const
    {
        return std::size_t(std::count_if(times.begin(), times.end(), [&](double time) { return time <= seconds; }));
    }
    double median() const
    {
        std::vector<double> sorted = times;
        std::sort(sorted.begin(), sorted.end());
        return sorted.empty() ? 0 : sorted[sorted.size() / 2];
    }
    double longest() const { return times.empty() ? 0 : *std::max_element(times.begin(), times.end()); }
};

// A serving world that stands still most of the time, joined by a newcomer every second for the
// seconds given, beside the many-address churn when churn is set.
SlowJoins measureSlowJoins(double seconds, bool churn)
{
    SlowJoins joins;
    ServingWorld serving;
    LookNetwork& network = serving.network;
    const int port = serving.port();
    Ticker ticker(network);
    std::atomic<bool> stop = false;
    std::thread churner([&] {
        if (churn) {
            joins.churn = churnManyAddresses(port, stop);
        }
    });
    ticker.tickSlowlyUntil(after(settleSeconds));
    std::atomic<bool> done = false;
    std::thread newcomers([&] {
        for (const Clock::time_point end = after(seconds); Clock::now() < end;) {
            const Clock::time_point next = after(slowJoinPeriod);
            joins.times.push_back(joinTime(port));
            std::this_thread::sleep_until(next);
        }
        done = true;
    });
    while (!done) {
        ticker.tickSlowlyUntil(after(stallPeriod));
    }
    newcomers.join();
    stop = true;
    churner.join();
    return joins;
}

void printSlowJoins(const char* name, const SlowJoins& joins, const SlowJoins& quiet)
{
    std::printf("  %-18s %3zu/%zu got the world, %3zu within %.0f s; median %7.3f s (ratio %6.2f), longest %7.3f s "
                "(ratio %6.2f)\n",
                name, joins.within(newcomerPatience - 1e-9), joins.times.size(), joins.within(slowJoinGoal), slowJoinGoal,
                joins.median(), ratio(joins.median(), quiet.median()), joins.longest(), ratio(joins.longest(), quiet.longest()));
}

// Newcomers on the slowed server in quiet and beside the many-address churn.
void measureSlowServer(double seconds)
{
    std::printf("newcomers on a server standing still %.2f s of every %.2f s, one every %.0f s for %.0f s (goal: every one "
                "within %.0f s)\n",
                stallSeconds, stallPeriod, slowJoinPeriod, seconds, slowJoinGoal);
    const SlowJoins quiet = measureSlowJoins(seconds, false);
    const SlowJoins churned = measureSlowJoins(seconds, true);
    printSlowJoins("quiet", quiet, quiet);
    printSlowJoins("many-address churn", churned, quiet);
    std::printf("  the churn: %ld connects from %zu addresses reset once made (%.0f a second), %ld given up unmade: %s\n",
                churned.churn.made, churnAddresses, double(churned.churn.made) / (seconds + settleSeconds),
                churned.churn.givenUp, churned.within(slowJoinGoal) == churned.times.size() ? "met" : "missed");
}

// Seconds a carrier flies a glider into the pen and stays there before it lets go, and between two
// of its motion samples.
constexpr double carrySeconds = 1.2;
constexpr double staySeconds = 0.3;
constexpr double sampleInterval = 1.0 / 30.0;
// Seconds from the start of one filling of the pen to the next: past the minute within which the
// server names one Maestro at most.
constexpr double fillingPeriod = 62.0;
// The first of the addresses the players of the Maestro run come from, one each.
constexpr std::uint32_t penHost = host(32);
constexpr const char* serverName = "Sam";

// Where the glider of that index rests inside the pen.
finch::Vector3d inPen(int index)
{
    return {avatarworld::penRadius * (0.2 * index - 0.3), 0.0, 0.0};
}

// The name in a Maestro announcement; empty for any other line.
std::string maestroOf(const heron_string& text)
{
    const std::string line = text.c_str();
    const std::string tail = " is the Maestro!";
    if (!line.starts_with("%%") || !line.ends_with(tail)) {
        return {};
    }
    return line.substr(2, line.size() - 2 - tail.size());
}

// The scripted players of the Maestro run, each from an address of its own, served by one thread:
// they answer pings and motion and note every Maestro announcement they hear.
class PenPlayers
{
public:
    PenPlayers(int port, std::vector<heron_string> gliders) : m_port(port), m_gliders(std::move(gliders)) {}
    ~PenPlayers()
    {
        for (const auto& member : m_members) {
            close(member->peer.socket);
        }
    }
    PenPlayers(const PenPlayers&) = delete;
    PenPlayers& operator=(const PenPlayers&) = delete;

    struct Member
    {
        std::string name;
        scripted::Peer peer;
        std::map<std::string, int> heard;
    };

    // A player connects and says who it is.
    Member& join(const std::string& name)
    {
        m_members.push_back(std::make_unique<Member>());
        Member& member = *m_members.back();
        member.name = name;
        member.peer.socket = loopback::connectTo(m_port, penHost + std::uint32_t(m_members.size()));
        member.peer.writer.writeIdentity(member.peer.out, name.c_str(), 0x808080);
        scripted::flush(member.peer);
        return member;
    }
    // What a client whose own view of the pen has filled says.
    void claim(Member& member)
    {
        member.peer.writer.writeMessage(member.peer.out, oneColour(("%%" + member.name + " is the Maestro!").c_str(), white));
        scripted::flush(member.peer);
    }
    // The player takes the glider, flies it from one place to another in carrySeconds, stays there
    // staySeconds and lets go.
    void carry(Member& member, int glider, const finch::Vector3d& from, const finch::Vector3d& to)
    {
        scripted::Peer& peer = member.peer;
        peer.writer.writeNamed(peer.out, '+', m_gliders[std::size_t(glider)]);
        const int flying = int(carrySeconds / sampleInterval);
        const int staying = int(staySeconds / sampleInterval);
        for (int step = 0; step <= flying + staying; ++step) {
            const finch::Vector3d at = from + (to - from) * (double(std::min(step, flying)) / flying);
            MotionSample sample;
            sample.index = std::uint8_t(glider);
            sample.dt = float(step == 0 ? 0.0 : sampleInterval);
            sample.x = float(at.x);
            sample.y = float(at.y);
            sample.z = float(at.z);
            peer.writer.writeSample(peer.out, sample);
            scripted::flush(peer);
            serveFor(sampleInterval);
        }
        writePacket(peer.out, '-');
        scripted::flush(peer);
    }
    void serveFor(double seconds)
    {
        const Clock::time_point end = after(seconds);
        while (Clock::now() < end) {
            std::vector<pollfd> entries;
            for (const auto& member : m_members) {
                entries.push_back({member->peer.socket, POLLIN, 0});
            }
            poll(entries.data(), entries.size(), 5);
            for (const auto& member : m_members) {
                scripted::receive(member->peer, [&](const Packet& packet) { note(*member, packet); });
                scripted::flush(member->peer);
            }
        }
    }
    const std::vector<std::unique_ptr<Member>>& members() const { return m_members; }

private:
    static void note(Member& member, const Packet& packet)
    {
        if (packet.kind != 'm') {
            return;
        }
        heron::MemoryDataSource body(packet.body.data(), std::uint32_t(packet.body.size()), false);
        if (const std::string named = maestroOf(readMessage(body).text); !named.empty()) {
            ++member.heard[named];
        }
    }

    int m_port;
    std::vector<heron_string> m_gliders;
    std::vector<std::unique_ptr<Member>> m_members;
};

// The scripted side of the Maestro run: a helper brings the gliders but the first into the pen;
// then for each filling a carrier of its own brings the glider left out and claims, an onlooker
// claims, a newcomer joins while the pen is full and claims at once, and the helper takes the next
// glider out.
void fillThePen(PenPlayers& players, int fillings)
{
    PenPlayers::Member& helper = players.join("Helper");
    std::vector<PenPlayers::Member*> onlookers;
    for (int i = 1; i <= fillings; ++i) {
        onlookers.push_back(&players.join("Onlooker" + std::to_string(i)));
    }
    players.serveFor(settleSeconds);
    for (int glider = 1; glider < avatarCount; ++glider) {
        players.carry(helper, glider, avatarworld::outside(glider), inPen(glider));
        players.serveFor(0.5);
    }
    for (int filling = 0; filling < fillings; ++filling) {
        const Clock::time_point start = Clock::now();
        PenPlayers::Member& carrier = players.join("Carrier" + std::to_string(filling + 1));
        players.serveFor(0.5);
        players.carry(carrier, filling, avatarworld::outside(filling), inPen(filling));
        players.claim(carrier);
        players.serveFor(2.0);
        players.claim(*onlookers[std::size_t(filling)]);
        players.serveFor(1.0);
        players.claim(players.join("Newcomer" + std::to_string(filling + 1)));
        players.serveFor(2.0);
        if (filling + 1 < fillings) {
            players.carry(helper, filling + 1, inPen(filling + 1), avatarworld::outside(filling + 1));
            players.serveFor(std::max(0.0, fillingPeriod - secondsSince(start)));
        }
    }
}

// How often each name is announced: as the first player (the listener) heard it, and in flashes on
// the server's screen (its log).
void printMaestros(const PenPlayers& players, const std::string& serverLog, int fillings)
{
    const PenPlayers::Member& listener = *players.members().front();
    std::map<std::string, int> shown;
    for (std::size_t at = 0; (at = serverLog.find("Flash \"%%", at)) != std::string::npos; ++at) {
        const std::size_t end = serverLog.find("\"\n", at);
        ++shown[maestroOf(serverLog.substr(at + 7, end - at - 7).c_str())];
    }
    shown.erase("");
    std::map<std::string, int> named = listener.heard;
    named.insert(shown.begin(), shown.end());
    bool met = true;
    std::printf("Maestro run: %d fillings, each by a carrier of its own; name: heard by a listener / shown on the server\n",
                fillings);
    for (const auto& [name, count] : named) {
        const bool carrier = name.starts_with("Carrier");
        const int heard = listener.heard.contains(name) ? listener.heard.at(name) : 0;
        const int onServer = shown.contains(name) ? shown.at(name) : 0;
        met = met && heard == (carrier ? 1 : 0) && onServer == (carrier ? 1 : 0);
        std::printf("  %-12s %d / %d\n", name.c_str(), heard, onServer);
    }
    int ownHeard = 0;
    for (const auto& member : players.members()) {
        ownHeard += member->name.starts_with("Carrier") && member->heard.contains(member->name) ? 1 : 0;
    }
    met = met && ownHeard == fillings;
    std::printf("  carriers that heard themselves named: %d of %d; goal (each carrier once, everywhere; nobody else): %s\n",
                ownHeard, fillings, met ? "met" : "missed");
}

// A serving world with a pen plays its whole frames (game logic and network tick) at the frame
// rate while the scripted players fill the pen.
void measureMaestro(int fillings)
{
    RunLog log;
    avatarworld::Objects objects;
    heron::counted_ptr<Look> world = avatarworld::make(avatarCount, objects, avatarworld::Pen::gliders);
    world->network().setIdentity({serverName, 0x0000FF});
    world->logic().start();
    finch::Transform far;
    far.position = finch::Vector3d(1000.0, 1000.0, 0.0);
    world->camera().setTransform(far);
    avatarworld::serve(*world);
    std::vector<heron_string> gliders;
    for (const auto& slot : world->avatars()) {
        gliders.push_back(slot->name());
    }
    PenPlayers players(world->network().listeningPort(), gliders);
    std::atomic<bool> done = false;
    std::thread script([&] {
        players.join("Listener");
        fillThePen(players, fillings);
        players.serveFor(2.0);
        done = true;
    });
    Clock::time_point next = Clock::now();
    while (!done) {
        world->logic().update();
        next += std::chrono::duration_cast<Clock::duration>(Seconds(1.0 / tickRate));
        std::this_thread::sleep_until(std::max(next, Clock::now()));
    }
    script.join();
    printMaestros(players, log.text(), fillings);
    world->logic().stop();
}

// The connect flood holds thousands of sockets at once, and the server its own for them.
void raiseDescriptorLimit()
{
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
}

}

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::stod(argv[1]) : 5.0;
    const int backlogTicks = argc > 2 ? std::stoi(argv[2]) : 600;
    const double slowSeconds = argc > 3 ? std::stod(argv[3]) : 30.0;
    const int fillings = argc > 4 ? std::stoi(argv[4]) : 3;
    raiseDescriptorLimit();
    pelican::resetDataFiles();
    const std::pair<const char*, Attack> kinds[] = {{"quiet", keepCompany},
                                                    {"cheap-packet flood", floodTakes},
                                                    {"refused-connect flood", floodConnects},
                                                    {"reset churn", churnResets},
                                                    {"two loud talkers", talkLoudly}};
    std::printf("server at %.0f ticks a second, %d avatars, an honest client holding nothing; %.0f s a run\n", tickRate,
                avatarCount, seconds);
    std::printf("goals beside each hostile peer: honest rate >= %.1f x quiet, median tick <= %.0f x quiet, log <= %.0f B/s, "
                "every line of the honest talker heard, a newcomer's world within %.0f ticks of quiet\n",
                honestRateGoal, tickGoal, logGoal, joinGoalTicks);
    std::vector<RunFigures> runs;
    for (const auto& [name, attack] : kinds) {
        runs.push_back(measureRun(name, attack, seconds));
    }
    printRuns(runs);
    measureBacklog(backlogTicks);
    measureRingFlood();
    measureSlowServer(slowSeconds);
    measureMaestro(fillings);
    return 0;
}
