#pragma once

#include <cstdint>

class AvatarSlot;
class Level;
class PacketLink;

// What one peer was last sent of one avatar: its index, when its last sample went and the level
// last announced for it. Main thread only.
class MotionSender
{
public:
    // Queues the slot's placement, with the seconds since the last one sent (0 for the first and
    // after a gap of more than 5 s); with announceLevel, an 'L' too when its level changed.
    void send(AvatarSlot& slot, PacketLink& link, double now, bool announceLevel);
    double lastSent() const { return m_lastSent; }

private:
    int m_index = -1;
    double m_lastSent = 0;
    Level* m_announcedLevel = nullptr;
};
