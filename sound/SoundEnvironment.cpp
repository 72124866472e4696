#include "sound/SoundEnvironment.h"

#include "sound/OpenALSoundHAL.h"
#include "sound/SoundSystem.h"

#include "base/Debug.h"

#include <algorithm>
#include <vector>

namespace egret
{

namespace
{

constexpr std::size_t channelsReserved = 64;
constexpr int defaultChannels = 6;
// An emitter gets a voice inside 0.9 times the square of its audible range and keeps it up to 1.1
// times.
constexpr float takeVoiceFactor = 0.9f;
constexpr float keepVoiceFactor = 1.1f;
constexpr float effectDistance = 10.0f;

// Drops channels from the end, or adds made ones, until there are count.
template <class Channel, class Make>
void resizePool(std::vector<Channel>& pool, int count, Make make)
{
    pool.reserve(channelsReserved);
    const std::size_t wanted = static_cast<std::size_t>(std::max(count, 0));
    if (pool.size() > wanted) {
        pool.resize(wanted);
    }
    while (pool.size() < wanted) {
        pool.push_back(make());
    }
}

bool isIdle(const heron::counted_ptr<SoundPlayer>& player)
{
    return player->status() == PlayerStatus::Idle;
}

}

class SoundEnvironmentInternals
{
public:
    struct EffectChannel
    {
        SoundFormat format;
        heron::counted_ptr<SoundPlayer> player;
        double startTime = 0.0;
    };

    explicit SoundEnvironmentInternals(SoundHAL& hal) : m_hal(hal) {}

    void allocateEmitterChannels(int count, const SoundFormat& format);
    void allocateEffectChannels(int count, const SoundFormat& format);
    heron::counted_ptr<SoundBuffer> samplesFor(const heron::counted_ptr<SoundDataSource>& source);
    void assignChannels();
    void giveChannel(SoundEmitter& emitter);
    void playEffect(const heron::counted_ptr<SoundBuffer>& samples, float volume);
    void update();

    SoundHAL& m_hal;
    Placement m_listener;
    bool m_allocated = false;
    std::vector<heron::counted_ptr<SoundPlayer>> m_emitterChannels;
    std::vector<heron::counted_ptr<SoundEmitter>> m_emitters;
    std::vector<EffectChannel> m_effectChannels;
};

void SoundEnvironmentInternals::allocateEmitterChannels(int count, const SoundFormat& format)
{
    heron::debug("SoundEnvironment: allocating %d emitter channels\n", count);
    resizePool(m_emitterChannels, count, [&] { return m_hal.createPlayer(format, plat::PositionalControl::Yes); });
}

void SoundEnvironmentInternals::allocateEffectChannels(int count, const SoundFormat& format)
{
    heron::debug("SoundEnvironment: allocating %d effects channels\n", count);
    resizePool(m_effectChannels, count, [&] {
        return EffectChannel{format, m_hal.createPlayer(format, plat::PositionalControl::Yes), 0.0};
    });
}

// The samples of an emitter of the same name when there is one (the latest), else a mono buffer
// the loader thread fills.
heron::counted_ptr<SoundBuffer> SoundEnvironmentInternals::samplesFor(const heron::counted_ptr<SoundDataSource>& source)
{
    const auto named = std::find_if(m_emitters.rbegin(), m_emitters.rend(), [&](const auto& emitter) {
        return emitter->m_name == source->name();
    });
    if (named != m_emitters.rend()) {
        return (*named)->m_samples;
    }
    return m_hal.loadBuffer(source, Loading::Queued, mono16Format);
}

// Nearest emitters first: a loaded, live emitter takes an idle voice of its format when it is
// well inside its range and gives its voice up when it is well outside; in between it keeps what
// it has. A nearer emitter never takes a voice from a farther one.
void SoundEnvironmentInternals::assignChannels()
{
    for (heron::counted_ptr<SoundEmitter>& emitter : m_emitters) {
        emitter->m_distanceSquared = distanceSquared(m_listener.position, emitter->m_motion.position);
    }
    std::stable_sort(m_emitters.begin(), m_emitters.end(), [](const auto& a, const auto& b) {
        return a->m_distanceSquared < b->m_distanceSquared;
    });
    for (heron::counted_ptr<SoundEmitter>& emitter : m_emitters) {
        SoundEmitter& e = *emitter;
        if (!e.m_samples || !e.m_samples->isLoaded() || e.m_dead) {
            continue;
        }
        const float rangeSquared = e.m_params.distance * e.m_params.distance * audibleRangeSquaredFactor;
        if (!e.m_player) {
            if (!m_emitterChannels.empty() && e.m_active && e.m_distanceSquared < rangeSquared * takeVoiceFactor) {
                giveChannel(e);
            }
        } else if (m_emitterChannels.empty() || !e.m_active || e.m_distanceSquared > rangeSquared * keepVoiceFactor) {
            e.m_player->stop();
            e.m_player.reset();
        }
    }
}

// Emitter voices play one format (mono 16-bit 44,100 Hz) and nothing converts rates: an emitter
// whose samples no voice plays stays silent, which the log says once for it.
void SoundEnvironmentInternals::giveChannel(SoundEmitter& emitter)
{
    const SoundFormat format = emitter.m_samples->format();
    const bool playable = std::any_of(m_emitterChannels.begin(), m_emitterChannels.end(), [&](const auto& channel) {
        return samePlayback(channel->format(), format);
    });
    if (!playable) {
        if (!emitter.m_refusalLogged) {
            emitter.m_refusalLogged = true;
            const SoundFormat voice = m_emitterChannels.front()->format();
            heron::debug("SoundEnvironment: %s stays silent: its samples are %u channels, %u bits, %u Hz; the emitter "
                         "voices play %u channels, %u bits, %u Hz\n",
                         emitter.m_name.c_str(), format.channels, format.bits, format.rate, voice.channels, voice.bits,
                         voice.rate);
        }
        return;
    }
    for (const heron::counted_ptr<SoundPlayer>& channel : m_emitterChannels) {
        if (isIdle(channel) && samePlayback(channel->format(), format)) {
            if (channel->play(emitter.m_samples, emitter.m_params)) {
                emitter.m_player = channel;
            }
            return;
        }
    }
}

void SoundEnvironmentInternals::playEffect(const heron::counted_ptr<SoundBuffer>& samples, float volume)
{
    if (!samples || !samples->isLoaded() || m_effectChannels.empty()) {
        return;
    }
    auto chosen = std::find_if(m_effectChannels.begin(), m_effectChannels.end(),
                               [](const EffectChannel& channel) { return isIdle(channel.player); });
    if (chosen == m_effectChannels.end()) {
        chosen = std::min_element(m_effectChannels.begin(), m_effectChannels.end(),
                                  [](const auto& a, const auto& b) { return a.startTime < b.startTime; });
    }
    chosen->startTime = heron::getTime();
    const PlayParams once{.positional = false, .looping = false, .volume = volume, .distance = effectDistance};
    // A refused play (samples of another format) is logged by the voice; the effect is not heard.
    static_cast<void>(chosen->player->play(samples, once));
}

void SoundEnvironmentInternals::update()
{
    if (!m_emitters.empty()) {
        assignChannels();
    }
    std::erase_if(m_emitters, [](const auto& emitter) { return emitter->m_dead; });
    for (const heron::counted_ptr<SoundEmitter>& emitter : m_emitters) {
        if (emitter->m_player) {
            emitter->m_player->setMotion(emitter->m_motion);
        }
    }
    m_hal.setListener(m_listener);
}

SoundEnvironment& SoundEnvironment::instance()
{
    static SoundEnvironment environment(SoundSystem::instance().hal());
    return environment;
}

SoundEnvironment::SoundEnvironment(SoundHAL& hal)
    : m_internals(std::make_unique<SoundEnvironmentInternals>(hal))
{
}

SoundEnvironment::~SoundEnvironment() = default;

void SoundEnvironment::allocateChannels(ChannelKind kind, int count, const SoundFormat& format)
{
    SoundEnvironmentInternals& internals = *m_internals;
    heron::debug("Channel allocator");
    if (internals.m_hal.isAvailable()) {
        if (kind == ChannelKind::Emitter) {
            internals.allocateEmitterChannels(count, format);
        } else {
            internals.allocateEffectChannels(count, format);
        }
    }
    internals.m_allocated = true;
}

void SoundEnvironment::setListener(const Placement& placement)
{
    m_internals->m_listener = placement;
}

heron::counted_ptr<SoundEmitter> SoundEnvironment::createEmitter(const heron::counted_ptr<SoundDataSource>& source,
                                                                 float volume, float distance)
{
    if (!m_internals->m_allocated) {
        allocateChannels(ChannelKind::Emitter, defaultChannels, mono16Format);
        allocateChannels(ChannelKind::Effect, defaultChannels, stereo16Format);
    }
    const PlayParams params{.positional = true, .looping = true, .volume = volume, .distance = distance};
    heron::counted_ptr<SoundEmitter> emitter(source ? new SoundEmitter(m_internals->samplesFor(source), source->name(), params)
                                                    : new SoundEmitter({}, heron_string(), params));
    m_internals->m_emitters.push_back(emitter);
    return emitter;
}

void SoundEnvironment::destroyEmitter(heron::counted_ptr<SoundEmitter>& emitter)
{
    if (!emitter) {
        return;
    }
    if (emitter->m_player) {
        emitter->m_player->stop();
        emitter->m_player.reset();
    }
    emitter->m_dead = true;
    emitter.reset();
}

void SoundEnvironment::setEmitterMotion(const heron::counted_ptr<SoundEmitter>& emitter, const Motion& motion)
{
    if (emitter) {
        emitter->m_motion = motion;
    }
}

void SoundEnvironment::setEmitterActive(const heron::counted_ptr<SoundEmitter>& emitter, EmitterActivity activity)
{
    if (emitter) {
        emitter->m_active = activity == EmitterActivity::Active;
    }
}

void SoundEnvironment::playEffect(const heron::counted_ptr<SoundBuffer>& samples, float volume)
{
    m_internals->playEffect(samples, volume);
}

void SoundEnvironment::update()
{
    m_internals->update();
}

}
