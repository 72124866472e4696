#include "support/FakeAudio.h"

#include <algorithm>

namespace plat
{

// Every buffer has positional control; its cursors are both at the virtual play cursor.
class FakeAudioBuffer : public AudioBuffer
{
public:
    FakeAudioBuffer(FakeAudio& audio, std::shared_ptr<FakeAudio::Buffer> record)
        : m_audio(audio), m_record(std::move(record)), m_size(static_cast<std::uint32_t>(m_record->ring.size()))
    {
    }
    ~FakeAudioBuffer() override { stop(); }

    std::uint32_t size() const override { return m_size; }
    bool hasPositionalControl() const override { return true; }
    bool cursors(std::uint32_t& play, std::uint32_t& write) override
    {
        return change([&](FakeAudio::Buffer& b) { play = write = b.play; });
    }
    bool setPlayCursor(std::uint32_t offset) override
    {
        return change([&](FakeAudio::Buffer& b) { b.play = offset % m_size; });
    }
    bool write(std::uint32_t offset, std::uint32_t bytes, const RegionFill& fill) override
    {
        return change([&](FakeAudio::Buffer& b) {
            offset %= m_size;
            bytes = std::min(bytes, m_size);
            const std::uint32_t first = std::min(bytes, m_size - offset);
            fill(b.ring.data() + offset, first, BufferRegion::First);
            if (bytes > first) {
                fill(b.ring.data(), bytes - first, BufferRegion::Next);
            }
            b.bytesWritten += bytes;
        });
    }
    bool play() override { return change([](FakeAudio::Buffer& b) { b.starts += !b.playing; b.playing = true; }); }
    void stop() override { change([](FakeAudio::Buffer& b) { b.playing = false; }); }
    bool isPlaying() override
    {
        bool playing = false;
        change([&](FakeAudio::Buffer& b) { playing = b.playing; });
        return playing;
    }
    void setVolume(int level) override { change([&](FakeAudio::Buffer& b) { b.volume = std::clamp(level, -10000, 0); }); }
    void setMode(PositionalMode mode) override { change([&](FakeAudio::Buffer& b) { b.mode = mode; }); }
    void setPosition(const AudioVector& v) override { change([&](FakeAudio::Buffer& b) { b.position = v; }); }
    void setVelocity(const AudioVector&) override {}
    void setDistances(float minimum, float) override { change([&](FakeAudio::Buffer& b) { b.minimum = minimum; }); }

private:
    template <class Change>
    bool change(Change change)
    {
        const std::lock_guard lock(m_audio.m_lock);
        change(*m_record);
        return true;
    }

    FakeAudio& m_audio;
    const std::shared_ptr<FakeAudio::Buffer> m_record;
    const std::uint32_t m_size;
};

class FakeAudioDevice : public AudioDevice
{
public:
    explicit FakeAudioDevice(FakeAudio& audio) : m_audio(audio) {}

    std::uint32_t primaryBufferBytes() const override { return FakeAudio::unit; }
    bool hasListener() const override { return true; }
    AudioCaps caps() override { return {32, 30, 16, 14}; }
    std::unique_ptr<AudioBuffer> createBuffer(const AudioFormat& format, std::uint32_t bytes, PositionalControl) override
    {
        auto record = std::make_shared<FakeAudio::Buffer>();
        record->format = format;
        record->ring.assign(bytes / format.bytesPerFrame() * format.bytesPerFrame(), 0xEE);
        const std::lock_guard lock(m_audio.m_lock);
        m_audio.m_buffers.push_back(record);
        return std::make_unique<FakeAudioBuffer>(m_audio, record);
    }
    void setListener(const AudioListener& listener) override
    {
        const std::lock_guard lock(m_audio.m_lock);
        m_audio.m_listener = listener;
        ++m_audio.m_listenerUpdates;
    }

private:
    FakeAudio& m_audio;
};

FakeAudio::FakeAudio(Presence presence)
    : m_presence(presence)
{
    setAudioDeviceOpener([this]() -> std::unique_ptr<AudioDevice> {
        const std::lock_guard lock(m_lock);
        ++m_devicesOpened;
        return m_presence == Presence::Present ? std::make_unique<FakeAudioDevice>(*this) : nullptr;
    });
}

FakeAudio::~FakeAudio()
{
    setAudioDeviceOpener({});
}

void FakeAudio::advance(std::uint32_t bytes)
{
    const std::lock_guard lock(m_lock);
    for (const std::shared_ptr<Buffer>& buffer : m_buffers) {
        if (buffer->playing) {
            buffer->play = static_cast<std::uint32_t>((buffer->play + std::uint64_t{bytes}) % buffer->ring.size());
        }
    }
}

}
