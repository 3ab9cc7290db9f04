#include "engine/power/BudgetLine.h"

#include <limits>
#include <memory>

namespace tavi {

namespace {

// The cells searched: under a budget every integer of the ranges, otherwise the sweep's steps;
// each cell once, n outermost.
struct Cells {
    CountRange units;
    CountRange groups;  // three levels only
};

// The cells of the sweep's steps; with given sizes, every site has the groups given.
Cells cellsOf(const NestedDesign& d) {
    Cells cells{d.sizes.units, d.sizes.groups};
    if (!d.unequal.sizes.empty()) {
        const SweepPoint given = givenSizesPoint(d.unequal, d.sizes);
        cells.units = {given.n, given.n, 1};
        cells.groups = {given.N, given.N, 1};
    }
    return cells;
}

// Whether there is any cell at all.
bool anyCell(const Cells& cells, int levels) {
    return countIn(cells.units) > 0 && (levels != 3 || countIn(cells.groups) > 0);
}

// The cells of every integer of the ranges.
std::int64_t wholeCellsOf(const Cells& cells, int levels) {
    return (std::int64_t{cells.units.most} - cells.units.least + 1) *
           (levels == 3 ? std::int64_t{cells.groups.most} - cells.groups.least + 1 : 1);
}

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

void UnitVariances::clear() {
    m_groupSizes.clear();
    m_groupsPerSite.clear();
    m_variances.clear();
    if (m_joint) {
        m_joint->clear();
    }
}

void UnitVariances::add(const SweepPoint& point, const PointCovariance& covariance) {
    m_groupSizes.push_back(point.n);
    m_groupsPerSite.push_back(point.J);
    for (const int q : m_coefficients) {
        m_variances.push_back(m_tested->variance(covariance, q) * point.N);
    }
    m_joint->addCurrent(covariance, point.N);
}

bool searchesBudgetLine(const NestedDesign& d) {
    const int levels = d.levels();
    if (!d.sizes.BudgetMode || (levels == 2 && !d.unequal.sizes.empty())) {
        return false;
    }
    const Cells cells = cellsOf(d);
    return anyCell(cells, levels) && wholeCellsOf(cells, levels) <= kMaxSearchedGroupSizes;
}

SearchedPoints walkAllocationCells(
    const PreparedDesign& design, const std::shared_ptr<const TestedQuantities>& tested,
    const std::vector<int>& columns, std::size_t piece, StopToken stop,
    const std::function<void(SweepTable* line, UnitVariances& cells)>& take) {
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
    UnitVariances cells(tested, columns);
    if (!sizes.sizes.empty() && levels == 2) {
        const SweepPoint one{1, givenSizesPoint(sizes, s).n, 0, 0};
        cells.add(one, compute(one));
        take(nullptr, cells);
        return {};
    }
    Cells ranges = cellsOf(d);
    if (!anyCell(ranges, levels)) {
        return {};
    }
    SearchedPoints searched;
    searched.lineTooLong = s.BudgetMode && wholeCellsOf(ranges, levels) > kMaxSearchedGroupSizes;
    std::optional<SweepTable> line;
    if (searchesBudgetLine(d)) {
        line.emplace(tested, true, levels);
        searched.linePoints = 0;
        ranges.units.step = 1;
        ranges.groups.step = 1;
    }
    const auto handOn = [&] {
        if (line) {
            *searched.linePoints += line->size();
        }
        take(line ? &*line : nullptr, cells);
        cells.clear();
        if (line) {
            line->clear();
        }
    };
    for (std::int64_t n = ranges.units.least; n <= ranges.units.most; n += ranges.units.step) {
        for (std::int64_t j = levels == 3 ? ranges.groups.least : 0;
             j <= (levels == 3 ? ranges.groups.most : 0);
             j += levels == 3 ? ranges.groups.step : 1) {
            const auto J = static_cast<std::int32_t>(j);
            const SweepPoint onLine = line ? budgetPoint(s, levels, J, n) : SweepPoint{};
            // Off the budget line, or beyond the budget, one top-level unit stands for all.
            const SweepPoint at =
                onLine.N >= 1 ? onLine : SweepPoint{1, static_cast<std::int32_t>(n), 0, J};
            const PointCovariance covariance = compute(at);
            if (onLine.N >= 1) {
                line->add(onLine, covariance);
            }
            cells.add(at, covariance);
            if (cells.size() >= piece) {
                handOn();
            }
        }
    }
    if (cells.size() > 0) {
        handOn();
    }
    return searched;
}

AllocationSearch prepareAllocationSearch(const PreparedDesign& design,
                                         const std::shared_ptr<const TestedQuantities>& tested,
                                         const std::vector<int>& columns, StopToken stop) {
    AllocationSearch search;
    search.unitVariances = UnitVariances(tested, columns);
    const SearchedPoints searched =
        walkAllocationCells(design, tested, columns, std::numeric_limits<std::size_t>::max(), stop,
                            [&](SweepTable* line, UnitVariances& cells) {
                                if (line != nullptr) {
                                    search.budgetLine = std::move(*line);
                                }
                                search.unitVariances = std::move(cells);
                            });
    search.lineTooLong = searched.lineTooLong;
    return search;
}

}  // namespace tavi
