#pragma once

#include "content/DataFileFixture.h"
#include "sound/SoundDataSource.h"
#include "tools/demo/SoundWriters.h"
#include "tools/demo/Synthesis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace soundtest
{

using Source = heron::counted_ptr<egret::SoundDataSource>;

// A data-file test that writes sound files into its temporary folder.
class SoundFileTest : public datafiletest::DataFileTest
{
protected:
    // Writes the file and names it by its full path, as a sound.
    pelican::DataFileName write(const char* name, const std::string& bytes)
    {
        writeWholeFile(path(name), bytes);
        return pelican::DataFileName(datafiletest::systemPath(path(name)), pelican::soundsCategory);
    }
};

// A steady sine of the given layout, half of full scale, with short fades at its ends.
inline demo::Pcm tone(int channels, int rate, double seconds, double frequency = 440.0)
{
    demo::PadSpec spec;
    spec.frequencies = {frequency};
    spec.seconds = seconds;
    spec.attack = spec.release = 0.01;
    spec.detuneCents = 0.0;
    spec.channels = channels;
    spec.rate = rate;
    return demo::sinePad(spec);
}

inline std::string oggOf(const demo::Pcm& pcm)
{
    std::string error;
    std::string bytes = demo::oggBytes(pcm, 0.4f, error);
    EXPECT_EQ(error, "");
    return bytes;
}

// Every sample a source gives from its first frame on.
inline std::vector<std::int16_t> decodeAll(egret::SoundDataSource& source)
{
    const egret::SoundFormat format = source.format();
    std::vector<std::int16_t> samples;
    std::vector<std::int16_t> block(4096 * format.channels);
    source.rewind();
    for (int got = 1; got > 0;) {
        got = source.read(4096, block.data());
        samples.insert(samples.end(), block.begin(), block.begin() + got * static_cast<int>(format.channels));
    }
    source.close();
    return samples;
}

// The root-mean-square difference of two sample runs of the same length, relative to the RMS of
// the first: near 0 when a lossy coder kept the sound.
inline double relativeError(const std::vector<std::int16_t>& original, const std::vector<std::int16_t>& decoded)
{
    if (original.size() != decoded.size() || original.empty()) {
        return 1.0;
    }
    double signal = 0.0;
    double error = 0.0;
    for (std::size_t i = 0; i < original.size(); ++i) {
        signal += double(original[i]) * original[i];
        error += double(original[i] - decoded[i]) * (original[i] - decoded[i]);
    }
    return std::sqrt(error / signal);
}

}
