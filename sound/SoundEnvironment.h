#pragma once

#include "sound/Placement.h"
#include "sound/SoundEmitter.h"
#include "sound/SoundHAL.h"

#include "base/counted_ptr.h"

#include <memory>

namespace egret
{

class SoundEnvironmentInternals;

enum class ChannelKind
{
    Emitter = 1,        // mono positional voices for the emitters
    Effect = 2,         // voices for one-shot sounds
};

enum class EmitterActivity
{
    Inactive,
    Active,
};

// Places sounds in the world: the listener, a fixed pool of voices that each update hands to the
// nearest audible emitters, and a fixed pool of voices for one-shot effects. Main thread.
class SoundEnvironment
{
public:
    // The program's environment over the program's hardware layer, made on first call.
    static SoundEnvironment& instance();

    explicit SoundEnvironment(SoundHAL& hal);
    ~SoundEnvironment();
    SoundEnvironment(const SoundEnvironment&) = delete;
    SoundEnvironment& operator=(const SoundEnvironment&) = delete;

    // Makes the pool of a kind count voices of format (none without a device).
    void allocateChannels(ChannelKind kind, int count, const SoundFormat& format);
    void setListener(const Placement& placement);
    // An emitter of the source's samples, loaded as mono in the background (shared with an
    // emitter of a sound of the same name); it plays looping at volume, at full level up to
    // distance and audible up to 16 times as far. The first emitter sets the pools up when that
    // has not been done: 6 mono emitter voices and 6 stereo effect voices.
    heron::counted_ptr<SoundEmitter> createEmitter(const heron::counted_ptr<SoundDataSource>& source, float volume,
                                                   float distance);
    // Silences the emitter and empties the caller's pointer; the next update forgets it.
    void destroyEmitter(heron::counted_ptr<SoundEmitter>& emitter);
    void setEmitterMotion(const heron::counted_ptr<SoundEmitter>& emitter, const Motion& motion);
    void setEmitterActive(const heron::counted_ptr<SoundEmitter>& emitter, EmitterActivity activity);
    // Plays loaded samples once: on an idle effect voice, else on the one that started its effect
    // longest ago. Samples not loaded yet are not played.
    void playEffect(const heron::counted_ptr<SoundBuffer>& samples, float volume);
    // Once per frame: hands the emitter voices out, sends the emitters' motion and the listener.
    void update();

private:
    std::unique_ptr<SoundEnvironmentInternals> m_internals;
};

}
