// The choices a front end makes on the planner's behalf, the same for the command line and the
// windows: the valid ranges of the test settings, the limits of a simulation and the point it
// checks by default.
#pragma once

#include "engine/NestedDesign.h"
#include "engine/NestedModel.h"
#include "engine/power/BestAllocation.h"
#include "engine/power/TestPower.h"
#include "engine/run/SweepFacts.h"

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

// Threads beyond a couple per core only hold more data sets and points in flight.
inline constexpr std::int64_t kThreadsPerCore = 2;

// The threads of a command given the threads asked for: one per core when none, at most
// kThreadsPerCore per core. lowered says why when fewer than asked for are used.
struct ThreadChoice {
    int threads = 1;
    std::string lowered;
};
ThreadChoice commandThreads(std::optional<std::int64_t> requested);

// What a simulated data set and its fit hold besides the units' values: the fixed coefficients
// and the random effects between groups and between sites (none without sites). A cluster
// design over periods has its sequences and periods instead: its data set holds sums per
// sequence and the units of one cluster at a time.
struct SimulatedModel {
    std::int64_t coefficients = 0;
    std::int64_t level2Effects = 0;
    std::int64_t level3Effects = 0;
    std::int64_t sequences = 0;  // 0 for a nested design
    std::int64_t periods = 0;
};

SimulatedModel simulatedModelOf(const NestedDesign& d);

// The bytes that the data set and fit of one replication at point take. A nested design's grow
// with its units: their rows of X, Z2 and Z3 and their outcomes, and their share of what the fit
// keeps per group of n units (Z2'Z2, Z2'X, Z2'y, Z2'Z3 and one more square of the level-2
// effects' order) and per site of J groups (Z3'Z3, Z3'X, Z3'y and as much again, and one more
// square), which outweigh the data with many random effects in small groups. A design over
// periods holds one cluster's units and, per sequence, its sums, fixed part and the factors of
// its fit.
std::int64_t simulatedDataSetBytes(const SimulatedModel& model, const SweepPoint& point);

// The most units a simulation of such a design in groups (and sites) of the point's sizes may
// draw: the data set and fit of one replication stay within kMaxDataSetBytes. A design over
// periods, whose data set does not grow with its clusters, may draw kMaxSimulatedUnits, every
// cluster-period counted.
std::int64_t mostSimulatedUnits(const SimulatedModel& model, const SweepPoint& point);

// The threads a simulation at point runs on, given the command's threads: the data sets and fits
// of all threads stay within kMaxAllDataSetBytes.
ThreadChoice simulationThreads(int threads, const SimulatedModel& model, const SweepPoint& point);

// The point to simulate and, for the summary, why it was chosen.
struct ChosenPoint {
    std::optional<SweepPoint> point;
    std::string reason;
};

// Without --at: the cheapest design at which the first coefficient (or contrast) with an effect,
// named by names, reaches the target power (the smallest budget, or over ranges the fewest
// units), else the first point of the sweep. A two-level design of given group sizes is those
// groups, whatever the cheapest number of groups of their mix: its one point.
ChosenPoint defaultSimulationPoint(const NestedDesign& d, const SweepFacts& sweep,
                                   const std::vector<BestPoint>& best,
                                   const std::vector<std::string>& names, const TestSettings& test);

}  // namespace tavi
