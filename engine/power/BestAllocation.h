// The best points of a SweepTable for each coefficient: the one with the smallest standard
// error, and, for a coefficient with an effect, the cheapest one whose power reaches the
// target. Cheapest means the smallest cost in budget mode and the smallest N*n otherwise,
// ties going to the smaller N; ties in the standard error go to the cheaper point. Points
// without groups take no part.
#pragma once

#include "engine/power/PointTests.h"
#include "engine/power/SweepTable.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace tavi {

enum class Criterion { SmallestSe, CheapestForPower };

struct BestPoint {
    int coefficient;
    Criterion criterion;
    std::optional<std::size_t> point;  // index into the table; empty when no point qualifies
    PointTest test;                    // the tests at that point
};

// For each coefficient in order its smallest-SE point, followed, when it has an effect, by its
// cheapest point reaching the target power.
std::vector<BestPoint> bestPointsOf(const SweepTable& table, PointTests& tests);

// For each coefficient in order its smallest-SE point alone, without the tests there.
std::vector<std::optional<std::size_t>> smallestSePoints(const SweepTable& table);

// The same as bestPointsOf for one coefficient alone.
std::vector<BestPoint> bestPointsFor(const SweepTable& table, PointTests& tests, int coefficient);

}  // namespace tavi
