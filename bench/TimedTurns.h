#pragma once

// Timing an engine against a minimal GL program that draws the same picture: frame by frame in turns,
// over several rounds, so that both meet the same load on the machine.

#include <algorithm>
#include <functional>
#include <vector>

namespace timedturns
{

constexpr int roundCount = 7;

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 != 0 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

// Per round, the engine's and the minimal program's mean frame times and their ratio.
struct Rounds
{
    std::vector<double> engine;
    std::vector<double> minimal;
    std::vector<double> ratios;
};

// The two draw frame by frame in turns (which of them goes first alternating); a round is a run of
// such pairs. Each function draws one frame and returns its seconds.
inline Rounds timeInTurns(const std::function<double()>& engineFrame, const std::function<double()>& minimalFrame,
                          int pairs)
{
    Rounds rounds;
    for (int round = 0; round < roundCount; ++round) {
        double engine = 0.0;
        double plain = 0.0;
        for (int pair = 0; pair < pairs; ++pair) {
            if (pair % 2 == 0) {
                engine += engineFrame();
                plain += minimalFrame();
            } else {
                plain += minimalFrame();
                engine += engineFrame();
            }
        }
        rounds.engine.push_back(engine / pairs);
        rounds.minimal.push_back(plain / pairs);
        rounds.ratios.push_back(engine / plain);
    }
    return rounds;
}

}
