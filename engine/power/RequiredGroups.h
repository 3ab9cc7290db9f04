// The number of groups that a coefficient's test needs at a group size to reach the target
// power, and from these the cheapest design that reaches it: the smallest budget, or over
// ranges the fewest units.
//
// At a fixed group size n the power never falls as N grows: the standard error is the unit
// variance's root over √N, and every df rule (N - kw - 1, N*n - N - p1, or a df given) stays
// the same or grows with N, as does the power at a given noncentrality. So the smallest N
// reaching the target is found by bisection. The same holds for the sites K of a three-level
// design at fixed J and n.
#pragma once

#include "engine/power/AllocationSettings.h"
#include "engine/power/BestAllocation.h"
#include "engine/power/BudgetLine.h"
#include "engine/power/PointTests.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace tavi {

// The most groups a required number of groups may come to.
inline constexpr std::int64_t kMaxRequiredGroups = 10000000;

struct RequiredGroups {
    int coefficient;
    std::int32_t n;
    // The fewest groups whose power reaches the target, with their cost under a budget; empty
    // when more than kMaxRequiredGroups would be needed or no test is possible at n.
    std::optional<SweepPoint> point;
    double se;  // at point; NaN without one
    double df;
    double power;
    std::int32_t J = 0;  // three levels: the groups per site of the cell
};

// The search over the cells of some unit variances, given in order a piece at a time, as each
// column's search guesses its next cell's answer from the last: the rows it finds are handed
// on at once, and each column with an effect keeps only its cheapest design.
class RequiredGroupsSearch {
public:
    // The required groups (or sites) of every column with an effect in tests (which must outlive
    // the search) among columns, those of the unit variances that add() is given.
    RequiredGroupsSearch(const AllocationSettings& settings, PointTests& tests,
                         const std::vector<int>& columns);

    // The next cells: for each column with an effect in turn, its row at each cell in order goes
    // to row.
    void add(const UnitVariances& cells, const std::function<void(const RequiredGroups&)>& row);

    // For each column with an effect, in order, its cheapest_for_power: under a budget the
    // smallest cost among the rows; over ranges the fewest units with N (or K) from the sweep's
    // fewest to its most. Ties go to the smaller N.
    std::vector<BestPoint> cheapest() const;

private:
    // The cheapest point offered so far: the smallest cost under a budget, else the fewest
    // units, then the fewest groups.
    struct Cheapest {
        std::optional<SweepPoint> point;
        double se;
    };
    struct Column {
        std::size_t k;  // in the unit variances' columns
        int column;
        Cheapest cheapest;
        // The required N grows about as the unit variance: the last answer per unit of it makes
        // the next guess.
        double groupsPerVariance;
    };

    void offer(Cheapest& cheapest, const SweepPoint& point, double se) const;

    AllocationSettings m_settings;
    PointTests& m_tests;
    std::vector<Column> m_columns;
};

}  // namespace tavi
