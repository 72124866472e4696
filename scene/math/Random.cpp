#include "scene/math/Random.h"

#include <cmath>
#include <cstdlib>

namespace finch
{

namespace
{

// The published constants, exact in single precision.
constexpr float startCarry = 362436.0f / 16777216.0f;
constexpr float carryStep = 7654321.0f / 16777216.0f;
constexpr float carryModulus = 16777213.0f / 16777216.0f;

// The generator exists, seeded, before the program's main routine runs.
Random& startupGenerator = Random::global();

// One coordinate of a sample: its cell (0..63) and the fraction beyond it.
struct Axis
{
    int cell;
    float fraction;
};

Axis axisOf(float coordinate)
{
    const float f = coordinate * NoiseTable::cells;
    if (!std::isfinite(f)) {
        return {0, 0.0f};
    }
    const float whole = std::trunc(f);
    // The remainder keeps the cell of huge values without an overflowing conversion.
    const auto cell = static_cast<int>(std::fmod(whole, 4096.0f)) & (NoiseTable::cells - 1);
    return {cell, f - whole};
}

}

Random::Random()
{
    seed(startSeed);
}

Random::Random(std::int32_t s)
{
    seed(s);
}

Random& Random::global()
{
    static Random generator;
    return generator;
}

void Random::seed(std::int32_t s)
{
    const std::int64_t value = std::llabs(static_cast<std::int64_t>(s));
    std::int64_t ij = value / 30082;
    const std::int64_t kl = value - 30082 * ij;
    if (ij > 31328) {
        ij %= 31329;
    }
    int i = static_cast<int>((ij / 177) % 177 + 2);
    int j = static_cast<int>(ij % 177 + 2);
    int k = static_cast<int>((kl / 169) % 178 + 1);
    int l = static_cast<int>(kl % 169);
    for (float& entry : m_u) {
        float sum = 0.0f;
        float t = 0.5f;
        for (int bit = 0; bit < 24; ++bit) {
            const int m = (((i * j) % 179) * k) % 179;
            i = j;
            j = k;
            k = m;
            l = (53 * l + 1) % 169;
            if ((l * m) % 64 >= 32) {
                sum += t;
            }
            t *= 0.5f;
        }
        entry = sum;
    }
    m_i97 = lagSize - 1;
    m_j97 = 32;
    m_carry = startCarry;
    m_read = batchSize;
}

void Random::refill()
{
    for (float& out : m_batch) {
        float uni = m_u[m_i97] - m_u[m_j97];
        if (uni < 0.0f) {
            uni += 1.0f;
        }
        m_u[m_i97] = uni;
        m_i97 = m_i97 == 0 ? lagSize - 1 : m_i97 - 1;
        m_j97 = m_j97 == 0 ? lagSize - 1 : m_j97 - 1;
        m_carry -= carryStep;
        if (m_carry < 0.0f) {
            m_carry += carryModulus;
        }
        uni -= m_carry;
        if (uni < 0.0f) {
            uni += 1.0f;
        }
        out = uni;
    }
    m_read = 0;
}

float Random::next()
{
    if (m_read >= batchSize) {
        refill();
    }
    return m_batch[m_read++];
}

double Random::uniform(float range)
{
    return next() * range;
}

double Random::uniform(double range)
{
    return next() * range;
}

int Random::randomInt(int n)
{
    return static_cast<int>(next() * static_cast<float>(n));
}

NoiseTable::NoiseTable() : m_values(static_cast<std::size_t>(side) * side * side)
{
    build();
}

const NoiseTable& NoiseTable::global()
{
    static const NoiseTable table;
    return table;
}

void NoiseTable::build()
{
    Random generator(Random::startSeed);
    for (int x = 0; x < side; ++x) {
        for (int y = 0; y < side; ++y) {
            for (int z = 0; z < side; ++z) {
                const float value = generator.next();
                const bool repeated = x == cells || y == cells || z == cells;
                m_values[index(x, y, z)] = repeated ? at(x % cells, y % cells, z % cells) : value;
            }
        }
    }
}

double NoiseTable::sample(float x, float y, float z) const
{
    const Axis ax = axisOf(x);
    const Axis ay = axisOf(y);
    const Axis az = axisOf(z);
    const auto alongZ = [&](int cx, int cy) {
        const double low = at(cx, cy, az.cell);
        return low + (at(cx, cy, az.cell + 1) - low) * az.fraction;
    };
    const auto alongY = [&](int cx) {
        const double low = alongZ(cx, ay.cell);
        return low + (alongZ(cx, ay.cell + 1) - low) * ay.fraction;
    };
    const double low = alongY(ax.cell);
    return low + (alongY(ax.cell + 1) - low) * ax.fraction;
}

}
