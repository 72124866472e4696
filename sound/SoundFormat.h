#pragma once

#include "base/ByteBuffer.h"

#include "platform/AudioDevice.h"

#include <cstdint>

namespace egret
{

// The layout of PCM samples: signed little-endian samples, interleaved left then right. Sizes are
// computed through frameShift: bytes = frames << frameShift, frames = bytes >> frameShift.
struct SoundFormat
{
    std::uint32_t channels = 2;
    std::uint32_t bits = 16;
    std::uint32_t rate = 44100;
    std::uint32_t frameShift = 2;
    std::uint32_t bytesPerFrame = 4;
    std::uint32_t bytesPerSecond = 176400;
};

// Stereo 16-bit 44100 Hz: the default of every format, the mixer's own and the effect voices'.
constexpr SoundFormat stereo16Format{2, 16, 44100, 2, 4, 176400};
// Mono 16-bit 44100 Hz: the positional emitter voices'.
constexpr SoundFormat mono16Format{1, 16, 44100, 1, 2, 88200};

// Two formats play alike when channels, bits and rate are equal; the derived fields are not compared.
bool samePlayback(const SoundFormat& a, const SoundFormat& b);
// Whether the six fields describe 1 or 2 channels of 8 or 16 bits at 1..limits::maxSampleRate Hz and agree
// with each other. Formats come from decoders of outside files: check before sizing by them.
bool isUsable(const SoundFormat& format);

// The device buffer layout of a format.
plat::AudioFormat audioFormatOf(const SoundFormat& format);

// Mixes a stereo block to mono in place: each frame becomes (left + right) >> 1 of the signed
// samples, and the block shrinks to half. Returns the block's format afterwards; any other format
// (mono, or not usable) is returned as it is, the block untouched. Bytes past the last whole
// frame are dropped.
SoundFormat mixToMono(const SoundFormat& format, heron::ByteBuffer& buffer);
// The one conversion loaders make: a stereo block is mixed to mono when mono is wanted. Returns
// the block's format afterwards, its true format whatever was wanted.
SoundFormat mixDownFor(const SoundFormat& wanted, const SoundFormat& format, heron::ByteBuffer& buffer);

}
