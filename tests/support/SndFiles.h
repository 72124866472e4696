#pragma once

// ".snd" cache files made as the sound cache writes them, for the tests and fuzz seeds of its
// reader.
#include "content/SndDecoder.h"
#include "sound/SoundFormat.h"

#include "base/Digest.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sndfiles
{

// The cache file of the samples in the format, decoded from a compressed file of that digest: its
// header, then the samples scrambled.
inline std::string sndFileOf(const std::vector<std::int16_t>& samples, const egret::SoundFormat& format,
                             std::uint64_t origin = 0)
{
    std::string data(reinterpret_cast<const char*>(samples.data()), samples.size() * sizeof(std::int16_t));
    const auto size = static_cast<std::uint32_t>(data.size());
    pelican::scrambleSndBytes(data.data(), size, 0);
    const pelican::SndHeader header{format.channels, format.rate, size, heron::Digest().add(data.data(), size).value(),
                                    origin};
    const auto stored = pelican::storedSndHeader(header);
    return std::string(stored.begin(), stored.end()) + data;
}

}
