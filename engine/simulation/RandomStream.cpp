#include "engine/simulation/RandomStream.h"

#include <cmath>
#include <numbers>

namespace tavi {

std::uint64_t SplitMix64(std::uint64_t x) {
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30U)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27U)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31U);
}

RandomStream::RandomStream(std::uint64_t seed, std::uint64_t replication)
    : m_engine(SplitMix64(SplitMix64(seed) ^ replication)) {}

double RandomStream::uniform() {
    constexpr double kUnit = 0x1.0p-53;
    return static_cast<double>(m_engine() >> 11U) * kUnit;
}

double RandomStream::normal() {
    if (m_hasSpare) {
        m_hasSpare = false;
        return m_spare;
    }
    constexpr double kUnit = 0x1.0p-53;
    // u1 in (0, 1], so that its logarithm is finite; u2 in [0, 1).
    const double u1 = static_cast<double>((m_engine() >> 11U) + 1U) * kUnit;
    const double u2 = static_cast<double>(m_engine() >> 11U) * kUnit;
    const double radius = std::sqrt(-2.0 * std::log(u1));
    const double angle = 2.0 * std::numbers::pi * u2;
    m_spare = radius * std::sin(angle);
    m_hasSpare = true;
    return radius * std::cos(angle);
}

}  // namespace tavi
