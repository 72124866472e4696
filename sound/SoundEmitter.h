#pragma once

#include "sound/Placement.h"
#include "sound/SoundHAL.h"

#include "base/Refcountable.h"
#include "base/counted_ptr.h"
#include "base/heron_string.h"

namespace egret
{

// A looping positional sound placed in the world, made by the sound environment. It holds a voice
// only while it is among the nearest audible ones; when the last pointer to it goes, its voice is
// told to stop. Main thread.
class SoundEmitter : public heron::Refcountable
{
public:
    SoundEmitter(const heron::counted_ptr<SoundBuffer>& samples, const heron_string& name, const PlayParams& params)
        : m_samples(samples), m_name(name), m_params(params)
    {
    }
    ~SoundEmitter() override
    {
        if (m_player) {
            m_player->stop();
        }
    }

    const heron::counted_ptr<SoundBuffer>& samples() const { return m_samples; }
    const heron::counted_ptr<SoundPlayer>& player() const { return m_player; }

private:
    friend class SoundEnvironment;
    friend class SoundEnvironmentInternals;

    const heron::counted_ptr<SoundBuffer> m_samples;
    const heron_string m_name;
    const PlayParams m_params;
    bool m_dead = false;
    float m_distanceSquared = 1000.0f;
    bool m_active = true;
    // Whether the log has said that no emitter voice plays its samples.
    bool m_refusalLogged = false;
    heron::counted_ptr<SoundPlayer> m_player;
    Motion m_motion;
};

}
