#pragma once

#include "platform/AudioDevice.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <type_traits>
#include <vector>

namespace plat
{

// A sound output for headless tests, installed as the device openAudioDevice opens for the
// object's lifetime. Play cursors move only when the test advances them; each buffer's state is
// recorded and kept after the buffer is gone. Thread-safe.
class FakeAudio
{
public:
    enum class Presence
    {
        Present,
        Absent,             // opening finds no device
    };
    static constexpr std::uint32_t unit = 17640;

    // What a buffer holds and what was done to it.
    struct Buffer
    {
        AudioFormat format;
        std::vector<std::uint8_t> ring;
        std::uint32_t play = 0;
        bool playing = false;
        int starts = 0;
        int volume = 0;
        PositionalMode mode = PositionalMode::Positional;
        AudioVector position;
        float minimum = 1.0f;
        std::uint64_t bytesWritten = 0;
    };

    explicit FakeAudio(Presence presence = Presence::Present);
    ~FakeAudio();
    FakeAudio(const FakeAudio&) = delete;
    FakeAudio& operator=(const FakeAudio&) = delete;

    // Moves the play cursor of every playing buffer on by bytes, wrapping at its end.
    void advance(std::uint32_t bytes);

    int devicesOpened() const { return locked([&] { return m_devicesOpened; }); }
    int bufferCount() const { return locked([&] { return static_cast<int>(m_buffers.size()); }); }
    // A copy of a buffer's record, in the order the buffers were made.
    Buffer buffer(int index) const { return locked([&] { return *m_buffers.at(static_cast<std::size_t>(index)); }); }
    AudioListener listener() const { return locked([&] { return m_listener; }); }
    int listenerUpdates() const { return locked([&] { return m_listenerUpdates; }); }

private:
    template <class Read>
    std::invoke_result_t<Read> locked(Read read) const
    {
        const std::lock_guard lock(m_lock);
        return read();
    }

    friend class FakeAudioDevice;
    friend class FakeAudioBuffer;

    const Presence m_presence;
    mutable std::mutex m_lock;
    int m_devicesOpened = 0;
    std::vector<std::shared_ptr<Buffer>> m_buffers;
    AudioListener m_listener;
    int m_listenerUpdates = 0;
};

}
