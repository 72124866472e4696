#pragma once

#include "base/FilePath.h"

#include <cstdint>

namespace pelican
{
class PelicanObject;
}

// What a zone gives the player to throw (or takes away), as look files set it. Plain values.
struct Projectile
{
    bool give = false;
    bool take = false;
    pelican::PelicanObject* object = nullptr;
    bool enableSnd = false;
    heron::FilePath sound;
    std::int32_t soundVolume = 100;
    float speed = 0.0f;
    float lifespan = 0.0f;
    float gravity = 0.0f;
    bool doBounce = false;
    float elasticity = 0.0f;
    bool directional = false;
    float scale = 1.0f;
    bool particles = false;
    bool burst = false;
    bool lod = false;
    float rate = 0.0f;
};
