#pragma once

#include "base/LogPace.h"

#include <cstddef>
#include <cstdint>
#include <unordered_map>

// What is passed on of players' chat each second, shared fairly among the senders: lines pass as
// they come while the second's lines stay within the whole; beyond it a sender may still pass its
// part of the whole, the whole divided among the senders of the second before (all of it while
// they were none), and never less than the least part, so that loud talkers cannot silence an
// honest one; all senders together never pass twice the whole. The whole is counted in bytes on
// the server and in lines on a client. Reads the time it is given. Main thread only.
class ChatRelay
{
public:
    // A sender, as the relay tells senders apart.
    using Sender = std::uint64_t;

    // whole: what is passed on in a second, all senders together, counted in unit ("bytes");
    // mostSenders: how many there can be, each of whom is always let through twice its part of the
    // whole, and at least one. The first line refused in a second is logged through lines (none:
    // not logged) as what ("Chat") dropped.
    ChatRelay(std::int64_t whole, std::size_t mostSenders, const char* unit = "bytes", const char* what = "Chat",
              heron::LogPace* lines = nullptr);

    // True when a line of that weight (bytes or 1) from sender fits its part at now, which it then uses.
    [[nodiscard]] bool allow(Sender sender, std::int64_t weight, double now);
    [[nodiscard]] bool allow(const void* sender, std::int64_t weight, double now)
    {
        return allow(Sender(reinterpret_cast<std::uintptr_t>(sender)), weight, now);
    }
    // What each sender may pass this second beyond the whole.
    std::int64_t part() const;

private:
    // Starts a new second when the current one is over.
    void turn(double now);
    void refuse();

    std::int64_t m_whole;
    std::int64_t m_leastPart;
    const char* m_unit;
    const char* m_what;
    heron::LogPace* m_lines;
    double m_secondStart = 0;
    bool m_started = false;
    std::size_t m_lastSenders = 0;
    // What each sender passed this second; only senders who passed something are kept, so a flood
    // of refused lines from ever new senders keeps nothing.
    std::unordered_map<Sender, std::int64_t> m_used;
    std::int64_t m_usedAll = 0;
    int m_refusedThisSecond = 0;
};
