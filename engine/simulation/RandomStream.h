// Reproducible random numbers for the simulation: one independent stream per replication,
// derived from the user's seed and the replication's number, so that a replication's data do
// not depend on which thread simulates it or on how many threads there are.
#pragma once

#include <cstdint>
#include <random>

namespace tavi {

// The splitmix64 finaliser: a bijection of 64-bit integers that spreads neighbouring inputs
// over the whole range, so that streams for seeds and replications 0, 1, 2, ... are unrelated.
std::uint64_t SplitMix64(std::uint64_t x);

class RandomStream {
public:
    // The stream of replication `replication` under `seed`.
    RandomStream(std::uint64_t seed, std::uint64_t replication);

    // A standard normal draw. Box-Muller on 53-bit uniforms from the 64-bit Mersenne Twister,
    // written here rather than taken from std::normal_distribution, whose algorithm differs
    // between standard libraries: the same seed gives the same data with any of them.
    double normal();

    // A uniform draw from [0, 1), of 53 bits.
    double uniform();

private:
    std::mt19937_64 m_engine;
    double m_spare = 0.0;
    bool m_hasSpare = false;
};

}  // namespace tavi
