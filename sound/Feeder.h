#pragma once

#include "sound/SampleDataSource.h"
#include "sound/SoundDataSource.h"
#include "sound/SoundFormat.h"

#include "base/ByteBuffer.h"
#include "base/Mutex.h"
#include "base/threads/Thread.h"
#include "base/counted_ptr.h"

#include <atomic>
#include <cstdint>

namespace egret
{

// Decodes a stream's source ahead into a ring of one second, on a thread of its own, so that the
// sound pass only copies bytes. The thread side writes the ring behind its write position; the
// pass side copies from the read position (as a SampleDataSource) and never reads more than is
// filled. One frame of the ring always stays free, so the two positions meet only when it is empty.
//
// The positions and the flags are atomics: each side publishes its position after touching the
// bytes (release) and reads the other's before touching them (acquire). A new source is handed
// over under the hand-over lock; until the thread has taken it and laid out the ring for it, the
// pass sees nothing filled and no end.
class Feeder : public heron::Threadable, public SampleDataSource
{
public:
    // Rounds of decoding are this long apart, unless more than a third of the ring is free.
    static constexpr unsigned periodMs = 10;

    ~Feeder() override;

    // Thread side: rounds until the thread is stopped, then lets go of the source. A source that
    // throws ends the thread: "Feeder crashed..." and what was thrown logged, both sources
    // dropped, the feeder ended.
    int run() override;
    // One round: takes a new source, then a stop, then drops what the pass asked to skip, then
    // decodes one chunk of 1/32 of the ring when more than that is free. True when more than a
    // third of the ring was free, so the next round should follow at once.
    bool feedOnce();

    // Pass side.
    // The next source to play (null plays nothing); the current one is dropped.
    void handOver(const heron::counted_ptr<SoundDataSource>& source);
    // Drops the current source, and one handed over but not taken yet, at the thread's next round.
    // A stop asked for after the thread took a hand-over stops the source handed over.
    void requestStop();
    // Moves the sound on by bytes (whole frames): what is filled goes at once, the rest is read
    // and dropped by the thread before it fills more. Only while no hand-over waits.
    void skip(std::uint64_t bytes);
    // The source came up short: nothing more will be filled. False while a hand-over waits.
    bool ended() const;
    // Bytes ready to copy; 0 while a hand-over waits.
    std::uint32_t filled() const;
    // The ring's size in bytes; meaningful only while no hand-over waits.
    std::uint32_t ringSize() const { return m_ringSize.load(std::memory_order_acquire); }
    // filled ÷ the ring; 0 without a current source.
    float fillFraction();
    // The source being fed, for the log: the one handed over, else the current one, else null
    // (also while told to stop).
    const void* sourceFed();

    // Copies bytes (at most what is filled; zeros beyond) from the read position, wrapping at the
    // ring's end, and moves the read position behind them.
    void copyFirst(std::uint8_t* dest, std::uint32_t bytes) override;

private:
    void crashed(const char* what);
    void takeHandOver();
    void dropCurrent();
    [[nodiscard]] bool dropSkipped();
    void fillChunk(std::uint32_t bytes);
    void fillPart(std::uint8_t* dest, std::uint32_t bytes);
    std::uint32_t filledFrom(std::uint32_t write, std::uint32_t read) const;

    heron::Mutex m_handOverLock{"Feeder hand-over"};
    // Under the hand-over lock.
    heron::counted_ptr<SoundDataSource> m_pending;
    std::atomic<bool> m_handOverWaiting{false};
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_ended{false};
    // Bytes of the current source the pass asked to skip and the thread has not dropped yet.
    std::atomic<std::uint64_t> m_toSkip{0};

    // Written by the thread under the hand-over lock; read by it freely and by the pass under the lock.
    heron::counted_ptr<SoundDataSource> m_current;
    // The thread's own.
    SoundFormat m_format;
    bool m_cameShort = false;
    heron::ByteBuffer m_ring;
    heron::ByteBuffer m_scratch;
    std::atomic<std::uint32_t> m_ringSize{0};
    std::atomic<std::uint32_t> m_write{0};
    std::atomic<std::uint32_t> m_read{0};
};

}
