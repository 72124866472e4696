#include "game/net/MotionSender.h"

#include "game/net/AvatarSlot.h"
#include "game/Level.h"
#include "net/PacketLink.h"

namespace
{

// Samples further apart than this, in seconds, are sent as a fresh start (dt 0).
constexpr double maxSampleGap = 5.0;

}

void MotionSender::send(AvatarSlot& slot, PacketLink& link, double now, bool announceLevel)
{
    if (slot.index() != m_index) {
        m_index = slot.index();
        m_lastSent = 0;
    }
    MotionSample sample = slot.sample();
    const double dt = now - m_lastSent;
    sample.dt = dt > maxSampleGap ? 0.0f : float(dt);
    link.writer().writeSample(link.out(), sample);
    if (announceLevel && slot.level() != m_announcedLevel) {
        m_announcedLevel = slot.level();
        if (m_announcedLevel != nullptr) {
            link.writer().writeLevel(link.out(), slot.index(), m_announcedLevel->name);
        }
    }
    m_lastSent = now;
}
