#include "scene/math/Random.h"

#include <gtest/gtest.h>

#include <bit>
#include <limits>
#include <cstdint>
#include <vector>

namespace
{

using finch::NoiseTable;
using finch::Random;

std::vector<std::uint32_t> draws(Random& generator, int count)
{
    std::vector<std::uint32_t> bits;
    for (int i = 0; i < count; ++i) {
        bits.push_back(std::bit_cast<std::uint32_t>(generator.next()));
    }
    return bits;
}

// Computed in single precision by tests/support/ranmar_golden.py, independently of this code.
const std::vector<std::uint32_t> firstDraws = {
    0x3F4681A7, 0x3EB95D36, 0x3E9A68EA, 0x3F457237, 0x3F0DE424, 0x3EF4FE14, 0x3F64FCC0, 0x3F46708D,
    0x3F7E6D07, 0x3DAE0318, 0x3EDFE848, 0x3E2FB000, 0x3E8A405E, 0x3E4925EC, 0x3E8F9592, 0x3F7A731C,
    0x3F72E61B, 0x3EA854AC, 0x3E2225A8, 0x3F507772, 0x3F6A9109, 0x3EE01F84, 0x3EB7515A, 0x3E6324BC,
    0x3EB32702, 0x3CBE8E00, 0x3F48F104, 0x3EAE5480, 0x3F4C9CC9, 0x3E723C90, 0x3EA06380, 0x3F0401F2,
    0x3F600F5D, 0x3F24F63C, 0x3F764915, 0x3E8B01CE, 0x3F1A0573, 0x3E874B18, 0x3F019AAB, 0x3DD91778,
};

}

TEST(RandomTest, SequenceMatchesTheSinglePrecisionReference)
{
    // Forty draws cross the first refill of the batch of 32 without a repeat or a gap.
    Random generator;
    EXPECT_EQ(draws(generator, 40), firstDraws);
    draws(generator, 10000 - 40);
    EXPECT_EQ(draws(generator, 5),
              (std::vector<std::uint32_t>{0x3EA82F12, 0x3E5ED474, 0x3F6C4130, 0x3B3F2D00, 0x3F0C74CF}));

    Random other(1802 * 30082 + 9373);
    EXPECT_EQ(draws(other, 5),
              (std::vector<std::uint32_t>{0x3DEE5E70, 0x3F770033, 0x3F620A59, 0x3ED74A0E, 0x3EFDE0E2}));
}

TEST(RandomTest, SeedingStartsTheSequenceAgain)
{
    Random negative(-12345678);
    EXPECT_EQ(draws(negative, 40), firstDraws);
    negative.seed(12345678);
    EXPECT_EQ(draws(negative, 3), std::vector<std::uint32_t>(firstDraws.begin(), firstDraws.begin() + 3));
    Random extreme(INT32_MIN);
    EXPECT_LT(extreme.next(), 1.0f);

    // The process-wide generator starts from the same seed.
    Random fresh;
    const float expected = fresh.next();
    Random::global().seed(Random::startSeed);
    EXPECT_EQ(Random::global().next(), expected);
    EXPECT_DOUBLE_EQ(fresh.uniform(10.0f), static_cast<double>(std::bit_cast<float>(firstDraws[1]) * 10.0f));
    EXPECT_EQ(fresh.randomInt(100), 30);
}

TEST(RandomTest, NoiseLatticeRepeatsWithPeriodOne)
{
    const NoiseTable& noise = NoiseTable::global();
    EXPECT_EQ(std::bit_cast<std::uint32_t>(noise.at(0, 0, 0)), 0x3F4681A7u);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(noise.at(1, 2, 3)), 0x3E9CB8AEu);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(noise.at(63, 63, 63)), 0x3F222A3Eu);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(noise.at(5, 0, 7)), 0x3E121354u);
    EXPECT_EQ(noise.at(64, 3, 64), noise.at(0, 3, 0));

    EXPECT_EQ(noise.sample(0, 0, 0), noise.at(0, 0, 0));
    EXPECT_EQ(noise.sample(1, 1, 1), noise.at(0, 0, 0));
    EXPECT_EQ(noise.sample(0.25f, 0.5f, 2.75f), noise.sample(0.25f, 0.5f, 0.75f));
    // Halfway between two cells along z.
    EXPECT_NEAR(noise.sample(0, 0, 0.5f / 64), (noise.at(0, 0, 0) + noise.at(0, 0, 1)) / 2.0, 1e-7);
    // Values no cell can hold stay within the lattice.
    EXPECT_GE(noise.sample(1e30f, -1e30f, std::numeric_limits<float>::quiet_NaN()), 0.0);
}
