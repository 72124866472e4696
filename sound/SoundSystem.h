#pragma once

#include <cstdint>
#include <memory>

namespace kestrel
{
class Window;
}

namespace egret
{

class OpenALSoundHAL;
class SoundObject;
class SoundSystemInternals;

// Thread-model bits.
constexpr std::uint32_t timerDrivenUpdates = 1;   // a timer thread runs the update pass every 0.05 s
constexpr std::uint32_t feederThreads = 2;        // each soundtrack stream gets a thread that decodes ahead

// Attenuation in hundredths of a decibel (0 full level, -10000 silence) of a linear volume,
// clamped to 0..1, from a table of 513 steps: steep near full level, flat near silence (0.5 gives
// -100, 0.25 gives -1000). Any thread.
int volumeToAttenuation(float volume);

// The sound system: the hardware layer, the sound objects the update pass keeps going, and the
// thread model that decides who runs the pass. The program has one, made on first use and
// destroyed at exit; tests make their own.
class SoundSystem
{
public:
    // The program's sound system, made on first call.
    static SoundSystem& instance();
    // Hands an object to the program's sound system: the next pass starts it. After the system has
    // died, nothing happens.
    static void registerObject(SoundObject* object);
    // Gives an object back: the next pass deletes it. After the system has died only a log line
    // comes (the object leaks).
    static void unregisterObject(SoundObject* object);
    // Whether the program's sound system has been destroyed (at exit); instance() may not be
    // called then.
    static bool hasDied();

    SoundSystem();
    // Stops the timer, deletes the objects still listed (joining their threads), then the hardware
    // layer.
    ~SoundSystem();
    SoundSystem(const SoundSystem&) = delete;
    SoundSystem& operator=(const SoundSystem&) = delete;

    // Opens the sound device (on the first call); true when there is one.
    [[nodiscard]] bool initialize(kestrel::Window* window);
    // Sound is never switched off here: the launcher decides whether to initialise it.
    bool isEnabled() const { return true; }
    // Sets the thread-model bits; starts or stops the timer that runs the passes. Nothing without
    // a device.
    void setThreadModel(std::uint32_t flags);
    // One update pass, unless the timer runs them. Main thread.
    void update();
    // The hardware layer, made on first use.
    OpenALSoundHAL& hal();
    // Whether the system's own loader has jobs queued.
    bool isLoading() const;
    SoundSystemInternals& internals() { return *m_internals; }

private:
    std::unique_ptr<SoundSystemInternals> m_internals;
};

}
