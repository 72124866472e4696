#include "net/PacketRules.h"

#include "base/Limits.h"

#include <algorithm>

namespace
{

// The motion, drops, acknowledgements and pings of an honest client come every frame; the read
// share bounds them. The rest comes when a person does something: far less often than the counts.
constexpr PacketRule fromClients[] = {
    {'A', 0, 1.0, "Motion", PeerLines::avatars},
    {'a', 0, 1.0, "Acknowledgements", PeerLines::avatars},
    {'=', 0, 1.0, "Pings", PeerLines::connections},
    {'-', 0, 1.0, "Drops", PeerLines::avatars},
    // Each time its player picks up an avatar or enters a level; the last level dropped is kept
    // and taken once the count allows.
    {'+', 2, 1.0, "Takes", PeerLines::avatars},
    {'L', 2, 1.0, "Levels", PeerLines::avatars},
    // More than a person types; what is passed on is shared among the senders besides.
    {'m', 3, 1.0, "Chat", PeerLines::chat},
    // A client says who it is once.
    {'p', 1, 10.0, "Identities", PeerLines::connections},
    // More than anybody throws; the server's own ring counter holds a few dozen at most.
    {'r', 2, 1.0, "Rings", PeerLines::avatars},
};

// A server sends the motion of every avatar, acknowledgements, pings, drops, the players list and
// the availability as the game goes; a change of level for each avatar, chat and rings come as
// its players act. Chat is shared among its senders (NetLogic).
constexpr PacketRule fromServer[] = {
    {'W', 0, 1.0, "World lists", PeerLines::connections},
    {'A', 0, 1.0, "Motion", PeerLines::avatars},
    {'a', 0, 1.0, "Acknowledgements", PeerLines::avatars},
    {'=', 0, 1.0, "Pings", PeerLines::connections},
    {'-', 0, 1.0, "Drops", PeerLines::avatars},
    {'~', 0, 1.0, "Availability", PeerLines::avatars},
    {'p', 0, 1.0, "Players lists", PeerLines::connections},
    {'m', 0, 1.0, "Chat", PeerLines::chat},
    {'L', int(heron::limits::maxNetEntries), 1.0, "Level changes", PeerLines::avatars},
    {'r', 4, 1.0, "Rings", PeerLines::avatars},
};

// A row with a count needs a window to count in and a name for its line.
constexpr bool isComplete(std::span<const PacketRule> table)
{
    return std::all_of(table.begin(), table.end(), [](const PacketRule& rule) {
        return rule.count == 0 || (rule.window > 0 && rule.what != nullptr && rule.what[0] != '\0');
    });
}
static_assert(isComplete(fromClients) && isComplete(fromServer), "a row with a count lacks its window or its name");

std::span<const PacketRule> tableOf(PacketLink::Side receiver)
{
    return receiver == PacketLink::Side::server ? serverTakes() : clientTakes();
}

}

PeerLogPaces::PeerLogPaces(double (*clock)())
    : m_paces{heron::LogPace(6, "lines about connections", clock), heron::LogPace(4, "lines about chat", clock),
              heron::LogPace(4, "lines about avatars", clock), heron::LogPace(1, "reports of damaged packets", clock)}
{
}

void PeerLogPaces::settle()
{
    for (heron::LogPace& pace : m_paces) {
        pace.settle();
    }
}

std::span<const PacketRule> serverTakes()
{
    return fromClients;
}

std::span<const PacketRule> clientTakes()
{
    return fromServer;
}

const PacketRule* ruleOf(PacketLink::Side receiver, char kind)
{
    const std::span<const PacketRule> table = tableOf(receiver);
    const auto found = std::find_if(table.begin(), table.end(), [&](const PacketRule& rule) { return rule.kind == kind; });
    return found != table.end() ? &*found : nullptr;
}

PacketRates::PacketRates(PacketLink::Side receiver, PeerLogPaces& paces) : m_receiver(receiver)
{
    for (const PacketRule& rule : tableOf(receiver)) {
        std::optional<heron::PacedLimit>& limit = m_limits.emplace_back();
        if (rule.count > 0) {
            limit.emplace(rule.count, rule.window, rule.what, paces[rule.lines]);
        }
    }
}

bool PacketRates::allow(char kind, double now, const char* who)
{
    const std::span<const PacketRule> table = tableOf(m_receiver);
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (table[i].kind == kind) {
            return !m_limits[i] || m_limits[i]->allow(now, who);
        }
    }
    return false;
}
