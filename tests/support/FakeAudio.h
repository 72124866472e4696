#pragma once

#include "platform/AudioDevice.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace plat
{

// A sound output for headless tests, installed as the device openAudioDevice opens for the
// object's lifetime. Play cursors move only when the test advances them; every buffer's state is
// recorded and kept after the buffer is gone. Thread-safe.
class FakeAudio
{
public:
    struct Settings
    {
        bool present = true;                // false: opening finds no device
        std::uint32_t unit = 17640;
        bool listener = true;
        bool positionalControl = true;      // grant positional control to buffers that ask for it
        bool refuseBuffers = false;
    };

    // What a buffer holds and what was done to it.
    struct Buffer
    {
        AudioFormat format;
        PositionalControl control = PositionalControl::No;
        std::vector<std::uint8_t> ring;
        std::uint32_t play = 0;
        bool playing = false;
        bool alive = true;
        int volume = 0;
        PositionalMode mode = PositionalMode::Positional;
        AudioVector position;
        AudioVector velocity;
        float minimum = 1.0f;
        float maximum = 0.0f;
        int starts = 0;
        int stops = 0;
        std::uint64_t bytesWritten = 0;
    };

    explicit FakeAudio(Settings settings);
    FakeAudio() : FakeAudio(Settings{}) {}
    ~FakeAudio();
    FakeAudio(const FakeAudio&) = delete;
    FakeAudio& operator=(const FakeAudio&) = delete;

    // Moves the play cursor of every playing buffer on by bytes, wrapping at its end.
    void advance(std::uint32_t bytes);

    int devicesOpened() const;
    int bufferCount() const;
    // A copy of a buffer's record, in the order the buffers were made.
    Buffer buffer(int index) const;
    AudioListener listener() const;
    int listenerUpdates() const;

private:
    friend class FakeAudioDevice;
    friend class FakeAudioBuffer;

    const Settings m_settings;
    mutable std::mutex m_lock;
    int m_devicesOpened = 0;
    std::vector<std::shared_ptr<Buffer>> m_buffers;
    AudioListener m_listener;
    int m_listenerUpdates = 0;
};

}
