#pragma once

#include "base/FilePath.h"
#include "base/counted_ptr.h"

#include <cstdint>

namespace egret
{
class SoundBuffer;
}

namespace pelican
{
class PelicanObject;
}

// What a zone gives the player to throw (or takes away), as look files set it, and the throw's
// sound once loaded. Plain values.
struct Projectile
{
    // Loads the throw's sound for a projectile that gives and sounds, once; nothing while the sound
    // system is gone.
    void loadSound();
    void releaseSound();

    bool give = false;
    bool take = false;
    pelican::PelicanObject* object = nullptr;
    bool enableSnd = false;
    heron::FilePath sound;
    std::int32_t soundVolume = 100;
    // Units per second, added to the thrower's speed.
    float speed = 10.0f;
    // Seconds a rock flies before it is taken away.
    float lifespan = 10.0f;
    float gravity = 5.0f;
    bool doBounce = true;
    float elasticity = 0.85f;
    bool directional = false;
    float scale = 1.0f;
    bool particles = false;
    bool burst = false;
    bool lod = true;
    // Throws per second at most.
    float rate = 4.0f;
    // The range of a rock's random value; look files leave it at 1.
    float range = 1.0f;
    heron::counted_ptr<egret::SoundBuffer> loadedSound;
};
