#pragma once

#include <cstdint>
#include <vector>

namespace finch
{

// The universal generator of Marsaglia, Zaman and Tsang (RANMAR) in single precision: numbers in
// [0, 1), made 32 at a time. One process-wide instance (global()), seeded 12345678 before the
// program's main routine runs, serves the game, the sky, the content layer and the particles, so
// every run sees the same sequence. Main thread only.
class Random
{
public:
    static constexpr std::int32_t startSeed = 12345678;
    static constexpr int batchSize = 32;

    // Seeded with startSeed.
    Random();
    explicit Random(std::int32_t seed);

    // The process-wide generator.
    static Random& global();

    // Starts the sequence of seed (its absolute value); the batch is refilled by the next draw.
    void seed(std::int32_t seed);
    // Computes the next 32 numbers into the batch.
    void refill();
    // The next number in [0, 1).
    float next();
    // next() * range.
    double uniform(float range);
    double uniform(double range);
    // int(next() * n).
    int randomInt(int n);

private:
    static constexpr int lagSize = 97;

    float m_u[lagSize];
    float m_carry = 0.0f;
    int m_i97 = 0;
    int m_j97 = 0;
    float m_batch[batchSize];
    int m_read = batchSize;
};

// A periodic lattice of 65 x 65 x 65 noise values, [x][y][z] with z fastest; the planes at index 64
// repeat those at 0, so the noise has period 1.0 in sample coordinates on every axis. One
// process-wide instance (global()), built on first use from the fixed seed.
class NoiseTable
{
public:
    static constexpr int cells = 64;
    static constexpr int side = cells + 1;

    // Builds the lattice.
    NoiseTable();

    static const NoiseTable& global();

    // Fills the lattice from a generator of its own seeded with Random::startSeed.
    void build();
    // Trilinear interpolation of the lattice at (x, y, z) * 64.
    double sample(float x, float y, float z) const;
    float at(int x, int y, int z) const { return m_values[index(x, y, z)]; }

private:
    static int index(int x, int y, int z) { return (x * side + y) * side + z; }

    std::vector<float> m_values;
};

}
