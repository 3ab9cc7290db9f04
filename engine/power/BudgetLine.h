// The points over which the best allocation is searched, and the cells (group sizes n, and with
// three levels groups per site J) at which the number of groups or sites that a target power
// needs is sought. Under a budget these are every integer n (and J) of their ranges, the points
// being those of the budget line, as many top-level units as the budget pays for with at least
// one, not only the sweep's steps; over ranges, the sweep's own cells.
#pragma once

#include "engine/DesignInformation.h"
#include "engine/StopToken.h"
#include "engine/power/SweepTable.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace tavi {

// Budget lines with more cells than this are searched at the sweep's cells only, which keeps
// the search's time and memory within those of a sweep of the same size.
inline constexpr std::int64_t kMaxSearchedGroupSizes = 1000000;

// For each of a list of cells, the variances of some tested quantities' estimates, and the
// covariances of the joint tests' members, with a single top-level unit (a group, or a site of
// J groups) of that cell. N units carry N times the information of one, so their variances are
// these divided by N.
class UnitVariances {
public:
    UnitVariances() = default;
    // The variances of the quantities columns of tested.
    UnitVariances(std::shared_ptr<const TestedQuantities> tested, std::vector<int> columns);
    // Columns whose variances are given to add, derived from the variances of others.
    explicit UnitVariances(std::vector<int> columns);

    // Adds the cell of point with the variances (and covariances) of its estimates times its N
    // (at least 1); NaN where the report shows its marker.
    void add(const SweepPoint& point, const PointCovariance& covariance);
    // Adds the cell of J groups (0 with two levels) of n units with the variances of the
    // columns.
    void add(std::int32_t J, std::int32_t n, std::span<const double> variances);

    // Forgets the cells, keeping the columns.
    void clear();

    // The columns held, in order; k below indexes this list.
    const std::vector<int>& coefficients() const { return m_coefficients; }
    std::size_t size() const { return m_groupSizes.size(); }
    std::int32_t groupSize(std::size_t i) const { return m_groupSizes[i]; }
    // J of a three-level cell; 0 for two levels.
    std::int32_t groupsPerSite(std::size_t i) const { return m_groupsPerSite[i]; }
    double variance(std::size_t i, std::size_t k) const {
        return m_variances[i * m_coefficients.size() + k];
    }
    // Joint test j's members' covariance with one top-level unit at cell i.
    std::span<const double> jointCovariance(std::size_t i, int j) const {
        return m_joint->at(i, j);
    }

private:
    std::shared_ptr<const TestedQuantities> m_tested;
    std::vector<int> m_coefficients;
    std::vector<std::int32_t> m_groupSizes;
    std::vector<std::int32_t> m_groupsPerSite;
    std::vector<double> m_variances;  // cell by cell
    std::optional<JointCovariances> m_joint;
};

// Where the best points were sought.
struct SearchedPoints {
    // Under a budget, when its whole line was searched, the number of its points with at least
    // one group; otherwise empty: the sweep's points were searched.
    std::optional<std::size_t> linePoints;
    // Budget mode, but the line has more than kMaxSearchedGroupSizes cells.
    bool lineTooLong = false;
};

// Whether the best points of the design are sought on its whole budget line rather than among
// its sweep's points.
bool searchesBudgetLine(const NestedDesign& d);

// The cells searched for the prepared design: one computation per cell, in a work of its own,
// gives the budget line's point and the unit variances of the quantities columns of tested
// there, with the covariances of the joint tests' members. With groups (or sites) of unequal
// sizes the expected information of N of them is still N times that of one, so the unit
// variances serve as well; groups of given sizes are searched at their one cell alone. The cells
// are handed to take in order, at most piece of them at a time, with the line's points among
// them when the whole line is searched (nullptr otherwise). Throws Stopped when stop is set
// meanwhile.
SearchedPoints walkAllocationCells(
    const PreparedDesign& design, const std::shared_ptr<const TestedQuantities>& tested,
    const std::vector<int>& columns, std::size_t piece, StopToken stop,
    const std::function<void(SweepTable* line, UnitVariances& cells)>& take);

// Every cell searched, kept, so that other test settings can be answered without computing any
// point again.
struct AllocationSearch {
    // Under a budget, the budget line when it was computed here; otherwise the sweep's points
    // are searched.
    std::optional<SweepTable> budgetLine;
    // Budget mode, but the line has more than kMaxSearchedGroupSizes cells.
    bool lineTooLong = false;
    // At every cell searched, for the quantities asked for.
    UnitVariances unitVariances;

    // The points to search, given the sweep's.
    const SweepTable& points(const SweepTable& sweep) const {
        return budgetLine ? *budgetLine : sweep;
    }
    SearchedPoints searched() const {
        return {budgetLine ? std::optional(budgetLine->size()) : std::nullopt, lineTooLong};
    }
};

// The cells of walkAllocationCells, all kept.
AllocationSearch prepareAllocationSearch(const PreparedDesign& design,
                                         const std::shared_ptr<const TestedQuantities>& tested,
                                         const std::vector<int>& columns, StopToken stop = {});

}  // namespace tavi
