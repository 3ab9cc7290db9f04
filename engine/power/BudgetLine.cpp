#include "engine/power/BudgetLine.h"

#include <memory>

namespace tavi {

namespace {

// The cells searched: under a budget every integer of the ranges, otherwise the sweep's steps;
// each cell once, n outermost.
struct Cells {
    CountRange units;
    CountRange groups;  // three levels only
};

}  // namespace

UnitVariances::UnitVariances(std::shared_ptr<const TestedQuantities> tested,
                             std::vector<int> columns)
    : m_tested(std::move(tested)),
      m_coefficients(std::move(columns)),
      m_joint(std::in_place, m_tested) {}

UnitVariances::UnitVariances(std::vector<int> columns) : m_coefficients(std::move(columns)) {}

void UnitVariances::add(std::int32_t J, std::int32_t n, std::span<const double> variances) {
    m_groupSizes.push_back(n);
    m_groupsPerSite.push_back(J);
    m_variances.insert(m_variances.end(), variances.begin(), variances.end());
}

void UnitVariances::add(const SweepPoint& point, const PointCovariance& covariance) {
    m_groupSizes.push_back(point.n);
    m_groupsPerSite.push_back(point.J);
    for (const int q : m_coefficients) {
        m_variances.push_back(m_tested->variance(covariance, q) * point.N);
    }
    m_joint->addCurrent(covariance, point.N);
}

AllocationSearch prepareAllocationSearch(const PreparedDesign& design,
                                         const std::shared_ptr<const TestedQuantities>& tested,
                                         const std::vector<int>& columns, StopToken stop) {
    const NestedDesign& d = design.design;
    const SampleSizes& s = d.sizes;
    const int levels = d.levels();
    const GroupSizeSettings& sizes = d.unequal;
    const std::unique_ptr<PointWork> work = design.information->newWork();
    Vector efficiency;
    const auto compute = [&](const SweepPoint& point) {
        stop.throwIfStopped();
        return sizes.inForce() ? design.information->computeWithSizes(*work, point, efficiency)
                               : design.information->compute(*work, point);
    };
    AllocationSearch search;
    search.unitVariances = UnitVariances(tested, columns);
    if (!sizes.sizes.empty() && levels == 2) {
        const SweepPoint one{1, givenSizesPoint(sizes, s).n, 0, 0};
        search.unitVariances.add(one, compute(one));
        return search;
    }
    Cells cells{s.units, s.groups};
    if (!sizes.sizes.empty()) {
        // Every site has the groups given.
        const SweepPoint given = givenSizesPoint(sizes, s);
        cells.units = {given.n, given.n, 1};
        cells.groups = {given.N, given.N, 1};
    }
    const std::int64_t groupCounts = levels == 3 ? countIn(cells.groups) : 1;
    const std::int64_t wholeCells =
        (std::int64_t{cells.units.most} - cells.units.least + 1) *
        (levels == 3 ? std::int64_t{cells.groups.most} - cells.groups.least + 1 : 1);
    if (countIn(cells.units) == 0 || groupCounts == 0) {
        return search;
    }
    search.lineTooLong = s.BudgetMode && wholeCells > kMaxSearchedGroupSizes;
    const bool wholeLine = s.BudgetMode && !search.lineTooLong;
    if (wholeLine) {
        search.budgetLine.emplace(tested, true, levels);
        cells.units.step = 1;
        cells.groups.step = 1;
    }
    for (std::int64_t n = cells.units.least; n <= cells.units.most; n += cells.units.step) {
        for (std::int64_t j = levels == 3 ? cells.groups.least : 0;
             j <= (levels == 3 ? cells.groups.most : 0); j += levels == 3 ? cells.groups.step : 1) {
            const auto J = static_cast<std::int32_t>(j);
            const SweepPoint line = wholeLine ? budgetPoint(s, levels, J, n) : SweepPoint{};
            // Off the budget line, or beyond the budget, one top-level unit stands for all.
            const SweepPoint at =
                line.N >= 1 ? line : SweepPoint{1, static_cast<std::int32_t>(n), 0, J};
            const PointCovariance covariance = compute(at);
            if (line.N >= 1) {
                search.budgetLine->add(line, covariance);
            }
            search.unitVariances.add(at, covariance);
        }
    }
    return search;
}

}  // namespace tavi
