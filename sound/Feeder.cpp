#include "sound/Feeder.h"

#include "base/Debug.h"

#include <algorithm>
#include <cstring>
#include <exception>

namespace egret
{

namespace
{

constexpr int handOverSite = 3501;
constexpr int threadSite = 3502;
// A round decodes 1/32 of the ring.
constexpr std::uint32_t chunkShift = 5;
// More than a third of the ring free: the next round follows at once.
constexpr std::uint32_t hurryDivisor = 3;

}

Feeder::~Feeder()
{
    dropCurrent();
}

// No exception may leave the thread's run function: one from a source ends the feeder, logged
// with what was thrown.
int Feeder::run()
{
    try {
        while (!stopFlag) {
            if (!feedOnce()) {
                heron::sleepMs(periodMs);
            }
        }
    } catch (const std::exception& error) {
        crashed(error.what());
        return 0;
    } catch (...) {
        crashed("an exception of no standard type");
        return 0;
    }
    dropCurrent();
    return 0;
}

void Feeder::crashed(const char* what)
{
    heron::debug("Feeder crashed...\nFeeder: %s\n", what);
    {
        heron::MutexLock lock(m_handOverLock, threadSite);
        m_pending.reset();
        m_current.reset();
    }
    m_ended.store(true, std::memory_order_release);
}

// A stop is taken with the flag's clearing, so one that arrives later waits for the next round.
bool Feeder::feedOnce()
{
    if (m_handOverWaiting.load(std::memory_order_acquire)) {
        takeHandOver();
    }
    if (m_stop.exchange(false, std::memory_order_acq_rel)) {
        dropCurrent();
    }
    if (!m_current) {
        return false;
    }
    if (dropSkipped()) {
        m_ended.store(true, std::memory_order_release);
        m_stop.store(true, std::memory_order_release);
        return false;
    }
    const std::uint32_t ring = m_ringSize.load(std::memory_order_relaxed);
    const std::uint32_t chunk = (ring >> chunkShift >> m_format.frameShift) << m_format.frameShift;
    const std::uint32_t filled = filledFrom(m_write.load(std::memory_order_relaxed), m_read.load(std::memory_order_acquire));
    const std::uint32_t free = ring - filled - m_format.bytesPerFrame;
    if (chunk == 0 || chunk >= free) {
        return false;
    }
    fillChunk(chunk);
    if (m_cameShort) {
        m_stop.store(true, std::memory_order_release);
    }
    return free > ring / hurryDivisor;
}

void Feeder::handOver(const heron::counted_ptr<SoundDataSource>& source)
{
    heron::MutexLock lock(m_handOverLock, handOverSite);
    m_pending = source;
    m_handOverWaiting.store(true, std::memory_order_release);
}

void Feeder::requestStop()
{
    heron::counted_ptr<SoundDataSource> dropped;
    heron::MutexLock lock(m_handOverLock, handOverSite);
    dropped = m_pending;
    m_pending.reset();
    m_stop.store(true, std::memory_order_release);
}

void Feeder::skip(std::uint64_t bytes)
{
    const std::uint32_t ring = ringSize();
    const auto now = static_cast<std::uint32_t>(std::min<std::uint64_t>(bytes, filled()));
    const std::uint32_t next = m_read.load(std::memory_order_relaxed) + now;
    m_read.store(next >= ring && ring > 0 ? next - ring : next, std::memory_order_release);
    m_toSkip.fetch_add(bytes - now, std::memory_order_acq_rel);
}

bool Feeder::ended() const
{
    return !m_handOverWaiting.load(std::memory_order_acquire) && m_ended.load(std::memory_order_acquire);
}

std::uint32_t Feeder::filled() const
{
    if (m_handOverWaiting.load(std::memory_order_acquire)) {
        return 0;
    }
    return filledFrom(m_write.load(std::memory_order_acquire), m_read.load(std::memory_order_relaxed));
}

float Feeder::fillFraction()
{
    const std::uint32_t ring = ringSize();
    {
        heron::MutexLock lock(m_handOverLock, handOverSite);
        if (ring == 0 || !m_current) {
            return 0.0f;
        }
    }
    return static_cast<float>(filled()) / static_cast<float>(ring);
}

const void* Feeder::sourceFed()
{
    heron::MutexLock lock(m_handOverLock, handOverSite);
    if (m_pending) {
        return m_pending.get();
    }
    return m_stop.load(std::memory_order_acquire) ? nullptr : m_current.get();
}

void Feeder::copyFirst(std::uint8_t* dest, std::uint32_t bytes)
{
    const std::uint32_t ring = ringSize();
    const std::uint32_t read = m_read.load(std::memory_order_relaxed);
    const std::uint32_t copied = std::min(bytes, filled());
    const std::uint32_t first = std::min(copied, ring - read);
    if (copied > 0) {
        std::memcpy(dest, m_ring.data() + read, first);
        std::memcpy(dest + first, m_ring.data(), copied - first);
    }
    std::memset(dest + copied, 0, bytes - copied);
    const std::uint32_t next = read + copied;
    m_read.store(next >= ring && ring > 0 ? next - ring : next, std::memory_order_release);
}

// Takes the source handed over: the ring becomes one second of its format, empty. A source whose
// format cannot be played is dropped at once and counts as ended. Stops and skips asked for
// before the take were meant for the sources before; they are cleared with the take, under the
// lock, so that a stop asked for afterwards (while the previous source closes, say) holds. The
// sources are called outside the lock, which the pass may be waiting for.
void Feeder::takeHandOver()
{
    heron::counted_ptr<SoundDataSource> previous;
    heron::counted_ptr<SoundDataSource> source;
    {
        heron::MutexLock lock(m_handOverLock, threadSite);
        previous = m_current;
        source = m_pending;
        m_current = m_pending;
        m_pending.reset();
        m_stop.store(false, std::memory_order_release);
        m_toSkip.store(0, std::memory_order_release);
    }
    if (previous) {
        previous->close();
    }
    m_ended.store(false, std::memory_order_relaxed);
    m_cameShort = false;
    m_format = source ? source->format() : SoundFormat{};
    if (!isUsable(m_format)) {
        heron::debug("Feeder: %s has an unusable format\n", source->name().c_str());
        m_format = SoundFormat{};
        dropCurrent();
        m_ended.store(true, std::memory_order_relaxed);
    } else if (source) {
        source->rewind();
    }
    m_ring.resize(m_format.bytesPerSecond, false);
    m_ringSize.store(m_format.bytesPerSecond, std::memory_order_relaxed);
    m_write.store(0, std::memory_order_relaxed);
    m_read.store(0, std::memory_order_relaxed);
    m_handOverWaiting.store(false, std::memory_order_release);
}

void Feeder::dropCurrent()
{
    heron::counted_ptr<SoundDataSource> dropped;
    {
        heron::MutexLock lock(m_handOverLock, threadSite);
        dropped = m_current;
        m_current.reset();
    }
    if (dropped) {
        dropped->close();
    }
}

// Reads and throws away what the pass asked to skip, a chunk at a time. True when the source came
// up short doing so: the sound is over.
bool Feeder::dropSkipped()
{
    std::uint64_t frames = m_toSkip.exchange(0, std::memory_order_acq_rel) >> m_format.frameShift;
    if (frames == 0) {
        return false;
    }
    const std::uint32_t chunkFrames =
        std::max<std::uint32_t>(m_ringSize.load(std::memory_order_relaxed) >> chunkShift >> m_format.frameShift, 1);
    m_scratch.resize(std::size_t{chunkFrames} << m_format.frameShift, false);
    while (frames > 0 && !m_cameShort) {
        const int wanted = static_cast<int>(std::min<std::uint64_t>(frames, chunkFrames));
        m_cameShort = std::clamp(m_current->read(wanted, m_scratch.data()), 0, wanted) < wanted;
        frames -= static_cast<std::uint64_t>(wanted);
    }
    return m_cameShort;
}

// Fills bytes at the write position, in two parts when they reach the ring's end. The end of the
// source is published after the bytes, so a pass that sees it also sees everything filled.
void Feeder::fillChunk(std::uint32_t bytes)
{
    const std::uint32_t ring = m_ringSize.load(std::memory_order_relaxed);
    const std::uint32_t write = m_write.load(std::memory_order_relaxed);
    const std::uint32_t first = std::min(bytes, ring - write);
    fillPart(m_ring.data() + write, first);
    fillPart(m_ring.data(), bytes - first);
    const std::uint32_t next = write + bytes;
    m_write.store(next >= ring ? next - ring : next, std::memory_order_release);
    if (m_cameShort) {
        m_ended.store(true, std::memory_order_release);
    }
}

// Reads whole frames into dest; once the source has come up short, zeros.
void Feeder::fillPart(std::uint8_t* dest, std::uint32_t bytes)
{
    if (bytes == 0) {
        return;
    }
    std::uint32_t got = 0;
    if (!m_cameShort) {
        const int frames = static_cast<int>(bytes >> m_format.frameShift);
        const int read = std::clamp(m_current->read(frames, dest), 0, frames);
        got = static_cast<std::uint32_t>(read) << m_format.frameShift;
        m_cameShort = read < frames;
    }
    std::memset(dest + got, 0, bytes - got);
}

std::uint32_t Feeder::filledFrom(std::uint32_t write, std::uint32_t read) const
{
    return write >= read ? write - read : write + m_ringSize.load(std::memory_order_relaxed) - read;
}

}
