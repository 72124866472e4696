#include "support/FakeAudio.h"

#include <algorithm>

namespace plat
{

class FakeAudioBuffer : public AudioBuffer
{
public:
    FakeAudioBuffer(FakeAudio& audio, std::shared_ptr<FakeAudio::Buffer> record)
        : m_audio(audio), m_record(std::move(record)), m_size(static_cast<std::uint32_t>(m_record->ring.size()))
    {
    }
    ~FakeAudioBuffer() override
    {
        const std::lock_guard lock(m_audio.m_lock);
        m_record->alive = false;
        m_record->playing = false;
    }

    std::uint32_t size() const override { return m_size; }
    bool hasPositionalControl() const override { return m_record->control == PositionalControl::Yes; }

    bool cursors(std::uint32_t& play, std::uint32_t& write) override
    {
        const std::lock_guard lock(m_audio.m_lock);
        play = write = m_record->play;
        return true;
    }
    bool setPlayCursor(std::uint32_t offset) override
    {
        const std::lock_guard lock(m_audio.m_lock);
        m_record->play = offset % m_size;
        return true;
    }
    bool write(std::uint32_t offset, std::uint32_t bytes, const RegionFill& fill) override
    {
        const std::lock_guard lock(m_audio.m_lock);
        offset %= m_size;
        bytes = std::min(bytes, m_size);
        const std::uint32_t first = std::min(bytes, m_size - offset);
        fill(m_record->ring.data() + offset, first, BufferRegion::First);
        if (bytes > first) {
            fill(m_record->ring.data(), bytes - first, BufferRegion::Next);
        }
        m_record->bytesWritten += bytes;
        return true;
    }
    bool play() override { return change([](FakeAudio::Buffer& b) { b.starts += !b.playing; b.playing = true; }); }
    void stop() override { change([](FakeAudio::Buffer& b) { b.stops += b.playing; b.playing = false; }); }
    bool isPlaying() override
    {
        const std::lock_guard lock(m_audio.m_lock);
        return m_record->playing;
    }
    void setVolume(int level) override { change([&](FakeAudio::Buffer& b) { b.volume = std::clamp(level, -10000, 0); }); }
    void setMode(PositionalMode mode) override { positional([&](FakeAudio::Buffer& b) { b.mode = mode; }); }
    void setPosition(const AudioVector& v) override { positional([&](FakeAudio::Buffer& b) { b.position = v; }); }
    void setVelocity(const AudioVector& v) override { positional([&](FakeAudio::Buffer& b) { b.velocity = v; }); }
    void setDistances(float minimum, float maximum) override
    {
        positional([&](FakeAudio::Buffer& b) {
            b.minimum = minimum;
            b.maximum = maximum;
        });
    }

private:
    template <class Change>
    bool change(Change change)
    {
        const std::lock_guard lock(m_audio.m_lock);
        change(*m_record);
        return true;
    }
    template <class Change>
    void positional(Change change)
    {
        if (hasPositionalControl()) {
            this->change(change);
        }
    }

    FakeAudio& m_audio;
    const std::shared_ptr<FakeAudio::Buffer> m_record;
    const std::uint32_t m_size;
};

class FakeAudioDevice : public AudioDevice
{
public:
    explicit FakeAudioDevice(FakeAudio& audio) : m_audio(audio) {}

    std::uint32_t primaryBufferBytes() const override { return m_audio.m_settings.unit; }
    bool hasListener() const override { return m_audio.m_settings.listener; }
    AudioCaps caps() override { return {32, 30, 16, 14}; }
    std::unique_ptr<AudioBuffer> createBuffer(const AudioFormat& format, std::uint32_t bytes,
                                              PositionalControl control) override
    {
        if (m_audio.m_settings.refuseBuffers) {
            return nullptr;
        }
        auto record = std::make_shared<FakeAudio::Buffer>();
        record->format = format;
        record->control = m_audio.m_settings.positionalControl ? control : PositionalControl::No;
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

FakeAudio::FakeAudio(Settings settings)
    : m_settings(settings)
{
    setAudioDeviceOpener([this]() -> std::unique_ptr<AudioDevice> {
        const std::lock_guard lock(m_lock);
        ++m_devicesOpened;
        return m_settings.present ? std::make_unique<FakeAudioDevice>(*this) : nullptr;
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

int FakeAudio::devicesOpened() const
{
    const std::lock_guard lock(m_lock);
    return m_devicesOpened;
}

int FakeAudio::bufferCount() const
{
    const std::lock_guard lock(m_lock);
    return static_cast<int>(m_buffers.size());
}

FakeAudio::Buffer FakeAudio::buffer(int index) const
{
    const std::lock_guard lock(m_lock);
    return *m_buffers.at(static_cast<std::size_t>(index));
}

AudioListener FakeAudio::listener() const
{
    const std::lock_guard lock(m_lock);
    return m_listener;
}

int FakeAudio::listenerUpdates() const
{
    const std::lock_guard lock(m_lock);
    return m_listenerUpdates;
}

}
