// The best points of a sweep for each coefficient, among the points where its test is possible:
// with an effect, the one of highest power; the one of smallest exact MDES; the one of smallest
// standard error (BestPointSearch finds them). Ties go to the cheaper point (the smaller cost
// under a budget, the fewer level-1 units otherwise), then to the smaller N (or K).
#pragma once

#include "engine/power/PointTests.h"
#include "engine/power/SweepTable.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace tavi {

enum class Criterion { HighestPower, SmallestMdes, SmallestSe, CheapestForPower };

// The name of a criterion in the CSV files: "highest_power", "smallest_mdes", ...
const char* criterionName(Criterion criterion);
// The criterion for people: "highest power", "smallest MDES", ...
const char* criterionText(Criterion criterion);

struct BestPoint {
    int coefficient;
    Criterion criterion;
    std::optional<SweepPoint> point;  // empty when no point qualifies
    double se;                        // the standard error there, NaN without a point
    PointTest test;                   // the tests there
};

// For each coefficient in order its smallest-SE point among all points with groups, df aside.
std::vector<std::optional<std::size_t>> smallestSePoints(const SweepTable& table);

}  // namespace tavi
