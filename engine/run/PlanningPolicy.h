// The choices a front end makes on the planner's behalf, the same for the command line and the
// windows: the valid ranges of the test settings, the limits of a simulation and the point it
// checks by default.
#pragma once

#include "engine/power/BestAllocation.h"
#include "engine/power/SweepTable.h"
#include "engine/power/TestPower.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavi {

// Beyond these the t quantiles of the tests overflow; no study is planned near them.
inline constexpr double kSmallestAlpha = 1e-10;
inline constexpr double kLargestPower = 1.0 - 1e-10;

// Every replication's estimates are kept until the summary, and each thread holds a data set:
// the limits keep a simulation within a few gigabytes.
inline constexpr std::int64_t kMaxReplications = 100000;
inline constexpr std::int64_t kMaxSimulatedUnits = 1000000;
inline constexpr std::int64_t kMaxDataSetBytes = std::int64_t{256} << 20;
inline constexpr std::int64_t kMaxAllDataSetBytes = std::int64_t{4} << 30;
inline constexpr std::int64_t kMaxThreads = 1024;
inline constexpr std::uint64_t kDefaultSeed = 1;

// The most units a simulation of a design with these numbers of coefficients and random effects
// may draw: the data set of one replication, its rows of X and Z and its outcomes, stays within
// kMaxDataSetBytes.
std::int64_t mostSimulatedUnits(std::int64_t coefficients, std::int64_t nRandom);

// The threads a simulation of units units of such a design runs on, given the threads asked for
// (one per core when none): more than the data sets' memory allows would not change the
// results, only fail.
int simulationThreads(std::optional<std::int64_t> requested, std::int64_t units,
                      std::int64_t coefficients, std::int64_t nRandom);

// The point to simulate and, for the summary, why it was chosen.
struct ChosenPoint {
    std::optional<SweepPoint> point;
    std::string reason;
};

// Without --at: the cheapest design at which the first coefficient (or contrast) with an effect,
// named by names, reaches the target power (the smallest budget, or over ranges the fewest
// units), else the first point of the sweep.
ChosenPoint defaultSimulationPoint(const SweepTable& sweep, const std::vector<BestPoint>& best,
                                   const std::vector<std::string>& names, const TestSettings& test);

}  // namespace tavi
