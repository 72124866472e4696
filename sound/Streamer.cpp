#include "sound/Streamer.h"

#include "sound/SoundSystem.h"
#include "sound/SoundSystemInternals.h"
#include "sound/StreamerInternals.h"

#include "base/Debug.h"

namespace egret
{

namespace
{

constexpr int linkSite = 3701;

}

Streamer Streamer::create(const SoundFormat& format, StreamKind kind)
{
    if (SoundSystem::hasDied()) {
        return {};
    }
    return create(SoundSystem::instance(), format, kind);
}

Streamer Streamer::create(SoundSystem& system, const SoundFormat& format, StreamKind kind)
{
    if (!isUsable(format)) {
        heron::debug("Streamer::create() - unusable format of %u channels, %u bits, %u Hz\n", format.channels,
                     format.bits, format.rate);
        return {};
    }
    auto link = std::make_shared<StreamerLink>();
    auto* const stream = new StreamerInternals(system.internals(), format, kind, link);
    link->stream = stream;
    system.internals().registerObject(stream);
    return Streamer(std::move(link));
}

void Streamer::release()
{
    if (!m_link) {
        return;
    }
    {
        heron::MutexLock lock(m_link->lock, linkSite);
        if (m_link->state == StreamerLink::State::Gone) {
            heron::debug("!!!deleted a SoundObject after the system died\n");
        } else if (m_link->state == StreamerLink::State::Live) {
            m_link->stream->release();
            m_link->state = StreamerLink::State::Released;
        }
    }
    m_link.reset();
}

void Streamer::requestPlay(const heron::counted_ptr<SoundDataSource>& source, float volume, plat::PositionalMode mode)
{
    withStream([&](StreamerInternals& stream) { stream.requestPlay(source, volume, mode); });
}

void Streamer::stop()
{
    withStream([](StreamerInternals& stream) { stream.stop(); });
}

void Streamer::setVolume(float volume, float fadeSeconds, AtZero atZero)
{
    withStream([&](StreamerInternals& stream) { stream.setVolume(volume, fadeSeconds, atZero); });
}

bool Streamer::hasSound() const
{
    bool has = false;
    withStream([&](StreamerInternals& stream) { has = stream.hasSound(); });
    return has;
}

bool Streamer::isFinished() const
{
    bool finished = false;
    withStream([&](StreamerInternals& stream) { finished = stream.isFinished(); });
    return finished;
}

StreamerInternals* Streamer::internals() const
{
    StreamerInternals* found = nullptr;
    withStream([&](StreamerInternals& stream) { found = &stream; });
    return found;
}

// Runs use on the stream under the link's lock, so the stream cannot be deleted meanwhile; nothing
// for an empty handle, a released stream or one that is gone.
template <class Use>
void Streamer::withStream(Use use) const
{
    if (!m_link) {
        return;
    }
    heron::MutexLock lock(m_link->lock, linkSite);
    if (m_link->state == StreamerLink::State::Live && m_link->stream) {
        use(*m_link->stream);
    }
}

}
