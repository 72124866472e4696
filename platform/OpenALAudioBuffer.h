#pragma once

#include "platform/AudioDevice.h"

#include <AL/al.h>

#include <array>
#include <cstdint>
#include <deque>
#include <vector>

namespace plat
{

class OpenALAudioDevice;

// A looping buffer of the OpenAL output: a byte ring of its own size, one source, and a short queue
// of segments copied from the ring behind the play cursor. Everything it holds is touched under
// its device's lock.
class OpenALAudioBuffer : public AudioBuffer
{
public:
    // Segments generated for each buffer.
    static constexpr std::size_t segmentCount = 4;

    // OpenAL's format of a buffer format; AL_NONE for one OpenAL cannot play here.
    static ALenum alFormatOf(const AudioFormat& format);
    // A vector of the game's axes in OpenAL's: right-handed with y up, looking down -z.
    static std::array<ALfloat, 3> toOpenAL(const AudioVector& v);

    // Takes over a source and its segments; under the device's lock.
    OpenALAudioBuffer(OpenALAudioDevice& device, const AudioFormat& format, std::uint32_t bytes,
                      PositionalControl control, ALuint source, const std::array<ALuint, segmentCount>& segments);
    ~OpenALAudioBuffer() override;

    std::uint32_t size() const override { return static_cast<std::uint32_t>(m_ring.size()); }
    bool hasPositionalControl() const override { return m_control == PositionalControl::Yes; }
    bool cursors(std::uint32_t& play, std::uint32_t& write) override;
    bool setPlayCursor(std::uint32_t offset) override;
    bool write(std::uint32_t offset, std::uint32_t bytes, const RegionFill& fill) override;
    bool play() override;
    void stop() override;
    bool isPlaying() override;
    void setVolume(int hundredthsOfDb) override;
    void setMode(PositionalMode mode) override;
    void setPosition(const AudioVector& position) override;
    void setVelocity(const AudioVector& velocity) override;
    void setDistances(float minimum, float maximum) override;

    // Hands back the played segments and queues the next bytes of the ring; restarts a source that
    // ran dry. Under the device's lock.
    void pumpLocked();
    // Under the device's lock.
    void setRolloffLocked(float rolloff);

private:
    struct Segment
    {
        ALuint name = 0;
        std::uint32_t bytes = 0;
    };

    std::uint32_t playCursorLocked();
    void unqueuePlayedLocked();
    void queueLocked();
    [[nodiscard]] bool startLocked();
    void stopLocked();
    void applyPlacementLocked();

    OpenALAudioDevice& m_device;
    const AudioFormat m_format;
    const ALenum m_alFormat;
    std::vector<std::uint8_t> m_ring;
    const PositionalControl m_control;
    const ALuint m_source;
    std::uint32_t m_segmentBytes = 0;
    std::vector<ALuint> m_free;
    std::deque<Segment> m_queued;
    std::uint32_t m_queuedBytes = 0;
    // Ring offset of the first queued byte (of the play cursor while stopped).
    std::uint32_t m_base = 0;
    // Ring offset after the last queued byte: the write cursor.
    std::uint32_t m_queuedEnd = 0;
    bool m_playing = false;
    PositionalMode m_mode = PositionalMode::Positional;
    AudioVector m_position;
    AudioVector m_velocity;
};

}
