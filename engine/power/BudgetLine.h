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
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace tavi {

// Budget lines with more group sizes than this are searched at the sweep's group sizes only,
// which keeps the search's time and memory within those of a sweep of the same size.
inline constexpr std::int64_t kMaxSearchedGroupSizes = 1000000;

// For each of a list of group sizes, the variances of some tested quantities' estimates, and
// the covariances of the joint tests' members, with a single group of that size. N groups of n
// units carry N times the information of one, so their variances are these divided by N. For
// three levels the list is of cells, J groups per site of n units, and the variances those of a
// single site.
class UnitVariances {
public:
    UnitVariances() = default;
    // The variances of the quantities columns of tested, which addCurrent adds.
    UnitVariances(std::shared_ptr<const TestedQuantities> tested, std::vector<int> columns);
    // Columns that add fills.
    explicit UnitVariances(std::vector<int> columns);

    // Adds the engine's current group size with the variances (and covariances) of its
    // estimates times its N (at least 1); NaN where the report shows its marker.
    void addCurrent(const EngineState& e);
    // Adds a three-level cell with the variances of a single site, one per coefficient held.
    void add(std::int32_t J, std::int32_t n, std::span<const double> variances);
    // Adds group size n with the variances of the columns.
    void add(std::int32_t n, std::span<const double> variances) { add(0, n, variances); }

    // The columns held, in order; k below indexes this list.
    const std::vector<int>& coefficients() const { return m_coefficients; }
    std::size_t size() const { return m_groupSizes.size(); }
    std::int32_t groupSize(std::size_t i) const { return m_groupSizes[i]; }
    // J of a three-level cell; 0 for two levels.
    std::int32_t groupsPerSite(std::size_t i) const { return m_groupsPerSite[i]; }
    double variance(std::size_t i, std::size_t k) const {
        return m_variances[i * m_coefficients.size() + k];
    }
    // Joint test j's members' covariance with one group at the group size i.
    std::span<const double> jointCovariance(std::size_t i, int j) const {
        return m_joint->at(i, j);
    }

private:
    std::shared_ptr<const TestedQuantities> m_tested;
    std::vector<int> m_coefficients;
    std::vector<std::int32_t> m_groupSizes;
    std::vector<std::int32_t> m_groupsPerSite;
    std::vector<double> m_variances;  // group size by group size
    std::optional<JointCovariances> m_joint;
};

struct AllocationSearch {
    // Under a budget, the budget line when it was computed here; otherwise the sweep's points
    // are searched.
    std::optional<SweepTable> budgetLine;
    // Budget mode, but the line has more than kMaxSearchedGroupSizes group sizes.
    bool lineTooLong = false;
    // At every group size searched, for the quantities asked for.
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
// the unit variances of the quantities columns of tested there, with the covariances of the
// joint tests' members. With groups of unequal sizes the expected information of N groups is
// still N times that of one, so the unit variances serve as well; groups of given sizes are
// searched at their mean size alone. Throws Stopped when stop is set meanwhile.
AllocationSearch prepareAllocationSearch(const EngineState& design,
                                         const std::shared_ptr<const TestedQuantities>& tested,
                                         const std::vector<int>& columns, StopToken stop = {},
                                         const GroupSizeSettings& sizes = {});

}  // namespace tavi
