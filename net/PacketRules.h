#pragma once

#include "base/LogPace.h"
#include "base/PacedLimit.h"
#include "net/PacketLink.h"

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

// What one peer may make the other side do, kind by kind. Each side handles only the kinds of its
// table; each kind has the count a peer may send in a window (beyond it the packets are dropped,
// with one paced line) and the pace its lines take. The tick's read share (PacketLink) bounds the
// kinds without a count of their own; what a kind makes the receiver keep is bounded where it is
// kept.

// The log paces of the lines other machines can cause: about single connections (opened, ended,
// closed, refused), about chat and flashes, about avatars (taken, dropped, levels, rings), and the
// reports of damaged packets (each several lines and two dumps).
enum class PeerLines
{
    connections,
    chat,
    avatars,
    faults
};

class PeerLogPaces
{
public:
    // clock: the seconds clock the paces read.
    explicit PeerLogPaces(double (*clock)());

    heron::LogPace& operator[](PeerLines lines) { return m_paces[std::size_t(lines)]; }
    // Logs the counts left out in seconds that have passed.
    void settle();

private:
    std::array<heron::LogPace, 4> m_paces;
};

struct PacketRule
{
    char kind;
    // Packets a peer may send in a window of the given seconds; 0: no count of its own. A row with
    // a count has a window and a name (the tables are checked when compiled).
    int count;
    double window;
    // Names the kind in the line that says the excess was dropped.
    const char* what;
    PeerLines lines;
};

// The kinds the server takes from a client, and a client from its server.
std::span<const PacketRule> serverTakes();
std::span<const PacketRule> clientTakes();
// The rule of kind in the table of what receiver takes; null for a kind it does not take.
const PacketRule* ruleOf(PacketLink::Side receiver, char kind);

// The counts of one peer's packets, one per kind of the receiver's table that has a count.
class PacketRates
{
public:
    // receiver: whose table; the paces must outlive the rates.
    PacketRates(PacketLink::Side receiver, PeerLogPaces& paces);

    // True when the receiver takes packets of kind at all.
    bool takes(char kind) const { return ruleOf(m_receiver, kind) != nullptr; }
    // True when a packet of kind from who may be handled at now; the excess of a window is dropped
    // with one paced line. Kinds without a count always may.
    [[nodiscard]] bool allow(char kind, double now, const char* who);

private:
    PacketLink::Side m_receiver;
    // One limit per rule of the table, none for rules without a count.
    std::vector<std::optional<heron::PacedLimit>> m_limits;
};
