// The points over which the best allocation is searched, and the group sizes at which the
// number of groups that a target power needs is sought. Under a budget these are every integer
// n from MinGroupSize to MaxGroupSize, the points being those of the budget line, N = Budget /
// (n + CostParameter) with N >= 1, not only the sweep's steps of n; over ranges, the sweep's own.
#pragma once

#include "engine/EngineState.h"
#include "engine/StopToken.h"
#include "engine/power/GroupSizeDistribution.h"
#include "engine/power/SweepTable.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace tavi {

// Budget lines with more group sizes than this are searched at the sweep's group sizes only,
// which keeps the search's time and memory within those of a sweep of the same size.
inline constexpr std::int64_t kMaxSearchedGroupSizes = 1000000;

// For each of a list of group sizes, the variances of some coefficients' estimates with a
// single group of that size. N groups of n units carry N times the information of one, so
// their variances are these divided by N.
class UnitVariances {
public:
    UnitVariances() = default;
    explicit UnitVariances(std::vector<int> coefficients)
        : m_coefficients(std::move(coefficients)) {}

    // Adds the engine's current group size with the variances of its CovCoef times its N (at
    // least 1); NaN where the report shows its marker.
    void addCurrent(const EngineState& e);

    // The coefficients held, in order; k below indexes this list.
    const std::vector<int>& coefficients() const { return m_coefficients; }
    std::size_t size() const { return m_groupSizes.size(); }
    std::int32_t groupSize(std::size_t i) const { return m_groupSizes[i]; }
    double variance(std::size_t i, std::size_t k) const {
        return m_variances[i * m_coefficients.size() + k];
    }

private:
    std::vector<int> m_coefficients;
    std::vector<std::int32_t> m_groupSizes;
    std::vector<double> m_variances;  // group size by group size
};

struct AllocationSearch {
    // Under a budget, the budget line when it was computed here; otherwise the sweep's points
    // are searched.
    std::optional<SweepTable> budgetLine;
    // Budget mode, but the line has more than kMaxSearchedGroupSizes group sizes.
    bool lineTooLong = false;
    // At every group size searched, for the coefficients asked for.
    UnitVariances unitVariances;

    // The points to search, given the sweep's.
    const SweepTable& points(const SweepTable& sweep) const {
        return budgetLine ? *budgetLine : sweep;
    }
};

// The point of the budget line at group size n: as many groups as the budget pays for,
// N = Budget / (n + CostParameter), and their cost. Needs settings the run accepts (n >= 1,
// CostParameter >= 0), so that N stays within the budget.
SweepPoint budgetPoint(const EngineState& e, std::int64_t n);

// The search for the design and settings of a run, whose run constants design holds: one
// engine computation per group size, on a state of its own, gives the budget line's point and
// the unit variances of coefficients there. With groups of unequal sizes the expected
// information of N groups is still N times that of one, so the unit variances serve as well;
// groups of given sizes are searched at their mean size alone. Throws Stopped when stop is set
// meanwhile.
AllocationSearch prepareAllocationSearch(const EngineState& design,
                                         const std::vector<int>& coefficients, StopToken stop = {},
                                         const GroupSizeSettings& sizes = {});

}  // namespace tavi
