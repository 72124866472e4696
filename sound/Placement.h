#pragma once

#include "platform/AudioDevice.h"

namespace egret
{

// A vector in the game's axes: x to the right, y ahead, z up.
using SoundVector = plat::AudioVector;

// Where a listener is, how it faces and moves: 13 floats in the game's axes (position, front,
// top, velocity, rolloff), handed to the device as they are.
using Placement = plat::AudioListener;

// Where a sound is and how it moves.
struct Motion
{
    SoundVector position;
    SoundVector velocity;
};

inline float distanceSquared(const SoundVector& a, const SoundVector& b)
{
    const float x = a.x - b.x;
    const float y = a.y - b.y;
    const float z = a.z - b.z;
    return x * x + y * y + z * z;
}

}
