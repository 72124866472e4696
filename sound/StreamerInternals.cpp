#include "sound/StreamerInternals.h"

#include "sound/SoundSystem.h"
#include "sound/SoundSystemInternals.h"

#include "base/Debug.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace egret
{

namespace
{

constexpr int requestSite = 3601;
constexpr int linkSite = 3602;
constexpr int updateSite = 3603;
constexpr int feederPriority = 2;
// Buffer sizes in units of the device's mixing buffer.
constexpr std::uint32_t longBufferUnits = 8;
constexpr std::uint32_t shortBufferUnits = 3;
// A stream read directly starts with this much.
constexpr std::uint32_t directStartUnits = 2;
// Distances of a positional stream.
constexpr float minDistance = 10.0f;
constexpr float maxDistance = 1000.0f;
// What fills the statistics bars.
constexpr float leadScale = 5.0f;
constexpr float fillScale = 15.0f;
// A whole loop of the buffer the cursors cannot show is counted once the clock says the device
// played at least three quarters of a buffer more than they show: clocks that drift a little
// apart never make one up. The count is bounded so that a jump of the clock cannot overflow it.
constexpr double loopSlack = 0.25;
constexpr double maxLoops = 1 << 20;
// A sound catches up with a stall of the passes by this much at most: reading further ahead
// would make the pass that does it a stall of its own.
constexpr std::uint64_t maxCatchUpSeconds = 10;

float clampVolume(float volume)
{
    return volume > 0.0f ? std::min(volume, 1.0f) : 0.0f;
}

// The distance from one offset on to another in a ring of size bytes.
std::uint32_t ahead(std::uint32_t from, std::uint32_t to, std::uint32_t size)
{
    return to >= from ? to - from : to + size - from;
}

}

StreamerInternals::StreamerInternals(SoundSystemInternals& system, const SoundFormat& format, StreamKind kind,
                                     std::shared_ptr<StreamerLink> link)
    : m_system(system), m_format(format), m_kind(kind), m_link(std::move(link))
{
}

StreamerInternals::~StreamerInternals()
{
    {
        heron::MutexLock lock(m_link->lock, linkSite);
        m_link->stream = nullptr;
        if (m_link->state == StreamerLink::State::Live) {
            m_link->state = StreamerLink::State::Gone;
        }
    }
    if (m_buffer) {
        heron::debug("Sound streamer destroyed\n");
        stopNow();
    }
    m_feederThread.reset();
    m_buffer.reset();
}

void StreamerInternals::release()
{
    m_system.unregisterObject(this);
}

void StreamerInternals::requestPlay(const heron::counted_ptr<SoundDataSource>& source, float volume,
                                    plat::PositionalMode mode)
{
    heron::MutexLock lock(m_lock, requestSite);
    m_playRequest = {true, source, volume, mode};
    m_volumeRequest.pending = false;
}

void StreamerInternals::stop()
{
    heron::MutexLock lock(m_lock, requestSite);
    stopNow();
}

void StreamerInternals::setVolume(float volume, float fadeSeconds, AtZero atZero)
{
    heron::MutexLock lock(m_lock, requestSite);
    m_volumeRequest = {true, volume, fadeSeconds, atZero};
}

bool StreamerInternals::hasSound()
{
    heron::MutexLock lock(m_lock, requestSite);
    return m_playRequest.pending ? m_playRequest.source != nullptr : m_current != nullptr;
}

bool StreamerInternals::isFinished() const
{
    return m_feederStarted.load(std::memory_order_acquire) ? m_feeder.ended() : m_ended.load();
}

bool StreamerInternals::isPlaying()
{
    heron::MutexLock lock(m_lock, requestSite);
    return m_playing;
}

float StreamerInternals::currentVolume()
{
    heron::MutexLock lock(m_lock, requestSite);
    return m_fade.current;
}

std::uint32_t StreamerInternals::framesPlayed()
{
    heron::MutexLock lock(m_lock, requestSite);
    return m_framesPlayed;
}

// Makes the buffer and, for a long stream when the thread model asks, the feeder thread.
void StreamerInternals::start()
{
    heron::MutexLock lock(m_lock, updateSite);
    createBuffer();
    if (m_buffer && m_kind == StreamKind::Long && (m_system.threadModel() & feederThreads)) {
        new heron::Thread(m_feederThread, &m_feeder, feederPriority);
        m_feederStarted.store(true, std::memory_order_release);
    }
}

// A stream that starts with half the buffer ahead is refilled from the next pass on; one that
// started with a sound already over, or still waits for its sound while the buffer plays, is
// refilled at once (with silence).
void StreamerInternals::update()
{
    heron::MutexLock lock(m_lock, updateSite);
    if (!m_buffer) {
        return;
    }
    const bool played = takeRequests();
    if (m_starting) {
        startFromFeeder();
        if (!m_starting && !m_stopping) {
            return;
        }
    }
    if (!m_playing) {
        return;
    }
    if (!played && !m_starting && !m_stopping) {
        advanceFade();
    }
    refill();
}

void StreamerInternals::addStatistics(std::vector<StatisticsRecord>& records)
{
    heron::MutexLock lock(m_lock, updateSite);
    if (!m_buffer || !m_playing) {
        return;
    }
    records.push_back({1.0f, 0.0f, 0.0f, 1.0f, leadFraction(), leadScale});
    if (hasFeeder()) {
        records.push_back({0.0f, 1.0f, 0.0f, 1.0f, m_feeder.fillFraction(), fillScale});
    }
}

std::uint32_t StreamerInternals::bufferSize() const
{
    return m_unit * (m_kind == StreamKind::Long ? longBufferUnits : shortBufferUnits);
}

void StreamerInternals::createBuffer()
{
    plat::AudioDevice* const device = m_system.hal().device();
    if (!device || m_buffer) {
        return;
    }
    m_unit = m_system.hal().unit();
    m_buffer = device->createBuffer(audioFormatOf(m_format), bufferSize(), plat::PositionalControl::Yes);
    if (!m_buffer) {
        heron::debug("\n\n\nStreamer::createBuffer() - %s\n", "");
    }
}

// A play request is taken before a volume request (which a later pass takes). True when a play
// was taken.
bool StreamerInternals::takeRequests()
{
    if (m_playRequest.pending) {
        PlayRequest request = m_playRequest;
        m_playRequest = {};
        play(request);
        return true;
    }
    if (m_volumeRequest.pending) {
        m_volumeRequest.pending = false;
        startFade(m_volumeRequest.volume, m_volumeRequest.seconds, m_volumeRequest.atZero);
    }
    return false;
}

void StreamerInternals::play(PlayRequest request)
{
    if (m_current) {
        stopFeeding();
        m_current.reset();
    }
    if (!request.source || !accepts(*request.source)) {
        stopNow();
        return;
    }
    m_current = request.source;
    m_fade = {};
    m_fade.current = m_fade.target = clampVolume(request.volume);
    m_ended = false;
    m_framesPlayed = 0;
    m_stopping = false;
    m_silenceWritten = 0;
    applyVolume();
    place(request.mode);
    if (hasFeeder()) {
        m_starting = true;
        m_feeder.handOver(m_current);
        return;
    }
    const std::uint32_t start = m_unit * directStartUnits;
    m_current->rewind();
    readDirect(start);
    startPlaying(m_direct, start);
}

// The buffer plays the stream's format as it is: a source of another one would be read into
// blocks sized for different frames.
bool StreamerInternals::accepts(SoundDataSource& source)
{
    const SoundFormat& format = source.format();
    if (isUsable(format) && samePlayback(format, m_format)) {
        return true;
    }
    heron::debug("Streamer::play() - refused %s of %u channels, %u bits, %u Hz on a stream of %u channels, %u bits, "
                 "%u Hz\n",
                 source.name().c_str(), format.channels, format.bits, format.rate, m_format.channels, m_format.bits,
                 m_format.rate);
    return false;
}

void StreamerInternals::place(plat::PositionalMode mode)
{
    if (!m_buffer->hasPositionalControl()) {
        return;
    }
    m_buffer->setMode(mode);
    if (mode == plat::PositionalMode::Positional) {
        m_buffer->setDistances(minDistance, maxDistance);
    }
}

// Refills the buffer up to the play cursor: a quarter of it at most with a feeder, an eighth
// without, twice that when more than half is free.
void StreamerInternals::refill()
{
    std::uint32_t play = 0;
    std::uint32_t write = 0;
    if (!m_buffer->cursors(play, write)) {
        return;
    }
    const std::uint64_t advance = cursorAdvance(play);
    m_framesPlayed += static_cast<std::uint32_t>(advance >> m_format.frameShift);
    catchUp(advance, play, write);
    if (!m_playing) {
        return;
    }
    const std::uint32_t size = m_buffer->size();
    const std::uint32_t free = size - m_lead;
    if (free > size - m_unit) {
        logUnderrun(free);
    } else {
        noteLead();
    }
    const std::uint32_t quota = size >> (hasFeeder() ? 2 : 3);
    if (free < quota) {
        feed(free);
    } else {
        feed(free > size / 2 ? quota * 2 : quota);
    }
}

// How far the play cursor moved since the last pass: what the cursors show, which is modulo the
// buffer, plus the whole loops the clock tells.
std::uint64_t StreamerInternals::cursorAdvance(std::uint32_t play)
{
    const std::uint32_t size = m_buffer->size();
    const std::uint64_t shown = ahead(m_playCursor, play, size);
    const double now = m_system.now();
    const double heard = (now - m_cursorTime) * m_format.bytesPerSecond;
    m_cursorTime = now;
    const double loops = std::floor((heard - static_cast<double>(shown)) / size + loopSlack);
    if (!(loops >= 1.0)) {
        return shown;
    }
    return shown + static_cast<std::uint64_t>(std::min(loops, maxLoops)) * size;
}

// Takes the cursors of this pass. When the device has played, or already taken to play, bytes
// beyond the samples written, it is playing what was left in the buffer from a loop before: the
// pass came too late. Writing then goes on at the device's write cursor, and the sound moves on
// by what the device played in its place, so that it goes on where it would be. A sound that was
// already ending has been heard to its end and stops.
void StreamerInternals::catchUp(std::uint64_t advance, std::uint32_t play, std::uint32_t write)
{
    const std::uint32_t committed = ahead(play, write, m_buffer->size());
    m_playCursor = play;
    if (advance + committed <= m_lead) {
        m_lead -= static_cast<std::uint32_t>(advance);
        return;
    }
    const std::uint64_t missed = advance + committed - m_lead;
    heron::debug("Streamer: a late pass: the device played %.3f s of old samples\n",
                 static_cast<double>(missed) / m_format.bytesPerSecond);
    m_writeOffset = write;
    m_lead = committed;
    if (m_stopping) {
        stopNow();
    } else if (!m_starting) {
        skipSource(missed);
    }
}

// Moves the sound on by bytes, up to the most a catch-up takes.
void StreamerInternals::skipSource(std::uint64_t bytes)
{
    bytes = std::min(bytes, maxCatchUpSeconds * m_format.bytesPerSecond) >> m_format.frameShift << m_format.frameShift;
    if (hasFeeder()) {
        m_feeder.skip(bytes);
        return;
    }
    const std::uint32_t block = m_unit * directStartUnits;
    while (bytes > 0 && !m_stopping) {
        const auto part = static_cast<std::uint32_t>(std::min<std::uint64_t>(bytes, block));
        readDirect(part);
        bytes -= part;
    }
}

void StreamerInternals::noteLead()
{
    m_leads[m_leadIndex] = leadFraction();
    m_leadIndex = (m_leadIndex + 1) % leadHistorySize;
    m_leadsNoted = std::min(m_leadsNoted + 1, leadHistorySize);
}

// The pass came too late: the play cursor has nearly caught up with what was written. Logged
// with the recent leads, newest first, once there are any; the statistics stay as they are.
void StreamerInternals::logUnderrun(std::uint32_t free)
{
    if (m_leadsNoted == 0) {
        return;
    }
    m_system.freezeStatistics();
    const float fill = hasFeeder() ? m_feeder.fillFraction() : 0.0f;
    heron::debug("Not enough magic!  %f  %f  %d  %p %d\n", leadFraction(), fill, m_stopping ? 1 : 0,
                 m_feeder.sourceFed(), static_cast<int>(m_buffer->size() - free));
    heron_string leads;
    for (std::size_t i = 1; i <= leadHistorySize; ++i) {
        char text[32];
        std::snprintf(text, sizeof text, "%f   ", m_leads[(m_leadIndex + leadHistorySize - i) % leadHistorySize]);
        leads.append(text);
    }
    heron::debug("%s\n", leads.c_str());
}

// With nothing to play (the sound has ended, or the next one is not decoded yet) the pass writes
// silence: the device would otherwise play what the buffer held a loop before.
void StreamerInternals::feed(std::uint32_t bytes)
{
    bytes = std::min(bytes >> m_format.frameShift << m_format.frameShift, m_buffer->size() - m_format.bytesPerFrame);
    if (m_stopping || m_starting) {
        sendSamples(m_silencer, bytes);
        if (m_stopping && m_silenceWritten > m_buffer->size()) {
            stopNow();
        }
        return;
    }
    if (hasFeeder()) {
        feedFromFeeder(bytes);
    } else {
        feedDirect(bytes);
    }
}

// Starts once the ring is more than half full, or when the source ended before that.
void StreamerInternals::startFromFeeder()
{
    const bool ended = m_feeder.ended();
    const std::uint32_t filled = m_feeder.filled();
    if (filled > m_feeder.ringSize() / 2) {
        m_starting = false;
        startPlaying(m_feeder, std::min(filled, m_buffer->size() / 2));
    } else if (ended) {
        m_starting = false;
        startPlaying(m_feeder, filled);
        if (m_feeder.filled() == 0) {
            markStopping(0);
        }
    }
}

// A ring holding more than one send can take is drained over the next passes before the stream
// stops.
void StreamerInternals::feedFromFeeder(std::uint32_t bytes)
{
    const bool ended = m_feeder.ended();
    const std::uint32_t filled = m_feeder.filled();
    if (filled >= bytes) {
        sendSamples(m_feeder, bytes);
    } else if (ended) {
        sendSamples(m_feeder, filled);
        if (m_feeder.filled() == 0) {
            markStopping(0);
        }
    }
}

void StreamerInternals::feedDirect(std::uint32_t bytes)
{
    readDirect(bytes);
    sendSamples(m_direct, bytes);
}

// Reads bytes of whole frames into the direct block; a short read ends the sound, its missing
// bytes are silence.
void StreamerInternals::readDirect(std::uint32_t bytes)
{
    heron::ByteBuffer& block = m_direct.block();
    if (block.size() < bytes) {
        block.resize(bytes, false);
    }
    const int frames = static_cast<int>(bytes >> m_format.frameShift);
    const int got = m_current ? std::clamp(m_current->read(frames, block.data()), 0, frames) : 0;
    if (got == frames) {
        return;
    }
    const std::uint32_t have = static_cast<std::uint32_t>(got) << m_format.frameShift;
    std::memset(block.data() + have, 0, bytes - have);
    m_ended = true;
    markStopping(bytes - have);
}

void StreamerInternals::markStopping(std::uint32_t pendingSilence)
{
    m_stopping = true;
    m_silenceWritten = pendingSilence;
    if (hasFeeder()) {
        m_feeder.requestStop();
    }
}

// Every send leaves one frame of the buffer unwritten, a longer write could not be placed, and
// never writes over samples not played yet.
void StreamerInternals::sendSamples(SampleDataSource& source, std::uint32_t bytes)
{
    const std::uint32_t size = m_buffer->size();
    bytes = std::min({bytes >> m_format.frameShift << m_format.frameShift, size - m_format.bytesPerFrame, size - m_lead});
    if (bytes == 0) {
        return;
    }
    if (!m_buffer->write(m_writeOffset, bytes, source.regionFill())) {
        // The offset goes out as a pointer, as the device layer's log has always shown it.
        heron::debug("Streamer::sendSamples() - %s  %d(%d)  %p\n", "", static_cast<int>(bytes), static_cast<int>(size),
                     reinterpret_cast<void*>(static_cast<std::uintptr_t>(m_writeOffset)));
        return;
    }
    m_writeOffset += bytes;
    if (m_writeOffset >= size) {
        m_writeOffset -= size;
    }
    m_lead += bytes;
}

void StreamerInternals::startPlaying(SampleDataSource& source, std::uint32_t bytes)
{
    if (m_buffer->isPlaying()) {
        std::uint32_t play = 0;
        std::uint32_t write = 0;
        if (!m_buffer->cursors(play, write)) {
            heron::debug("Streamer::startPlaying() - %s\n", "");
            return;
        }
        m_writeOffset = write;
        m_playCursor = play;
        m_lead = ahead(play, write, m_buffer->size());
        m_cursorTime = m_system.now();
        sendSamples(source, bytes);
        m_playing = true;
        return;
    }
    m_writeOffset = 0;
    m_playCursor = 0;
    m_lead = 0;
    m_cursorTime = m_system.now();
    if (!m_buffer->setPlayCursor(0)) {
        heron::debug("set position 0 failed!\n");
    }
    applyVolume();
    sendSamples(source, bytes);
    m_playing = m_buffer->play();
    if (!m_playing) {
        heron::debug("Streamer::startPlaying() - %s\n", "");
    }
}

void StreamerInternals::stopNow()
{
    if (m_buffer) {
        m_buffer->stop();
    }
    if (m_current) {
        stopFeeding();
        m_current.reset();
    }
    m_playing = false;
    m_starting = false;
    m_playRequest = {};
}

// With a feeder thread the source is its to close: it may be reading it right now.
void StreamerInternals::stopFeeding()
{
    if (hasFeeder()) {
        m_feeder.requestStop();
    } else {
        m_current->close();
    }
}

void StreamerInternals::applyVolume()
{
    m_buffer->setVolume(volumeToAttenuation(m_fade.current));
}

// A request for the volume being faded to keeps the fade as it runs and only takes what happens
// at zero, so a stream already silent stops when asked to fade to silence and stop; any other
// request is taken, also one equal to the volume a running fade has reached (it holds it there).
void StreamerInternals::startFade(float volume, float seconds, AtZero atZero)
{
    if (!m_playing || !(seconds >= 0.0f)) {
        return;
    }
    const float v = clampVolume(volume);
    m_fade.atZero = atZero;
    if (v == m_fade.target) {
        return;
    }
    m_fade.target = v;
    if (seconds == 0.0f) {
        m_fade.current = v;
        applyVolume();
        return;
    }
    m_fade.start = m_fade.current;
    m_fade.startTime = m_system.now();
    m_fade.duration = seconds;
}

// Linear in volume; once the target is reached, a fade to 0 that asked for it stops the stream.
void StreamerInternals::advanceFade()
{
    if (m_fade.current == m_fade.target) {
        if (!m_starting && m_fade.atZero == AtZero::Stop && m_fade.target == 0.0f) {
            markStopping(0);
        }
        return;
    }
    const double t = m_fade.duration > 0.0f ? (m_system.now() - m_fade.startTime) / m_fade.duration : 1.0;
    m_fade.current = t >= 1.0 ? m_fade.target
                              : m_fade.start + (m_fade.target - m_fade.start) * static_cast<float>(std::max(t, 0.0));
    applyVolume();
}

// How far the written samples run ahead of the play cursor (silence while stopping does not
// count), as a fraction of the buffer.
float StreamerInternals::leadFraction() const
{
    const std::int64_t lead = static_cast<std::int64_t>(m_lead) - (m_stopping ? static_cast<std::int64_t>(m_silenceWritten) : 0);
    return static_cast<float>(std::max<std::int64_t>(lead, 0)) / static_cast<float>(m_buffer->size());
}

}
