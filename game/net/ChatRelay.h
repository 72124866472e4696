#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// What the server passes on of its players' chat each second, shared fairly among the senders:
// lines pass as they come while the second's lines stay within the whole; beyond it a sender may
// still pass its part of the whole, the whole divided among the senders of the second before (all
// of it while they were none), and never less than a short line, so that loud talkers cannot
// silence an honest one; all senders together never pass twice the whole. Reads the time it is
// given. Main thread only.
class ChatRelay
{
public:
    // bytesPerSecond: the whole passed on in a second, all senders together; mostSenders: how many
    // there can be, each of whom is always let through twice its part of the whole.
    ChatRelay(int bytesPerSecond, std::size_t mostSenders)
        : m_bytesPerSecond(bytesPerSecond), m_leastPart(2 * m_bytesPerSecond / std::int64_t(mostSenders))
    {
    }

    // True when a line of bytes from sender fits its part at now, which it then uses.
    [[nodiscard]] bool allow(const void* sender, std::uint32_t bytes, double now);
    // True when the last line refused was the first refused in its second.
    bool isFirstRefusal() const { return m_refusedThisSecond == 1; }

private:
    struct Part
    {
        const void* sender;
        std::int64_t used;
    };

    // Starts a new second when the current one is over.
    void turn(double now);
    Part& partOf(const void* sender);

    std::int64_t m_bytesPerSecond;
    std::int64_t m_leastPart;
    double m_secondStart = 0;
    bool m_started = false;
    std::size_t m_lastSenders = 0;
    std::vector<Part> m_parts;
    std::int64_t m_used = 0;
    int m_refusedThisSecond = 0;
};
