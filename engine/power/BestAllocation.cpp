#include "engine/power/BestAllocation.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

namespace tavi {

namespace {

// The order in which points count as cheaper.
auto cheapness(const SweepTable& table, std::size_t i) {
    const SweepPoint& p = table.point(i);
    const std::int64_t size = table.budgetMode() ? p.cost : std::int64_t{p.N} * p.n;
    return std::make_tuple(size, p.N);
}

BestPoint bestAt(const SweepTable& table, PointTests& tests, int coefficient, Criterion criterion,
                 std::optional<std::size_t> point) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    return {coefficient, criterion, point,
            point ? tests.at(table, *point, coefficient) : PointTest{kNaN, kNaN, kNaN, kNaN}};
}

// The points with groups, cheapest first.
std::vector<std::size_t> inCostOrder(const SweepTable& table) {
    std::vector<std::size_t> byCost;
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (table.point(i).N >= 1) {
            byCost.push_back(i);
        }
    }
    std::sort(byCost.begin(), byCost.end(), [&](std::size_t a, std::size_t b) {
        return cheapness(table, a) < cheapness(table, b);
    });
    return byCost;
}

std::optional<std::size_t> smallestSeAmong(const SweepTable& table, int c,
                                           const std::vector<std::size_t>& byCost) {
    // In cost order, the first of equal standard errors is the cheaper.
    std::optional<std::size_t> smallest;
    for (const std::size_t i : byCost) {
        const double se = table.se(i, c);
        if (!std::isnan(se) && (!smallest || se < table.se(*smallest, c))) {
            smallest = i;
        }
    }
    return smallest;
}

void appendBest(std::vector<BestPoint>& best, const SweepTable& table, PointTests& tests, int c,
                const std::vector<std::size_t>& byCost) {
    best.push_back(
        bestAt(table, tests, c, Criterion::SmallestSe, smallestSeAmong(table, c, byCost)));
    if (tests.effect(c)) {
        // From the cheapest point on and only until one reaches the target.
        const auto reaches = [&](std::size_t i) { return tests.reachesTarget(table, i, c); };
        const auto cheapest = std::find_if(byCost.begin(), byCost.end(), reaches);
        best.push_back(bestAt(
            table, tests, c, Criterion::CheapestForPower,
            cheapest == byCost.end() ? std::nullopt : std::optional<std::size_t>(*cheapest)));
    }
}

}  // namespace

std::vector<BestPoint> bestPointsOf(const SweepTable& table, PointTests& tests) {
    const std::vector<std::size_t> byCost = inCostOrder(table);
    std::vector<BestPoint> best;
    for (int c = 0; c < table.coefficients(); ++c) {
        appendBest(best, table, tests, c, byCost);
    }
    return best;
}

std::vector<std::optional<std::size_t>> smallestSePoints(const SweepTable& table) {
    const std::vector<std::size_t> byCost = inCostOrder(table);
    std::vector<std::optional<std::size_t>> smallest;
    smallest.reserve(static_cast<std::size_t>(table.coefficients()));
    for (int c = 0; c < table.coefficients(); ++c) {
        smallest.push_back(smallestSeAmong(table, c, byCost));
    }
    return smallest;
}

std::vector<BestPoint> bestPointsFor(const SweepTable& table, PointTests& tests, int coefficient) {
    std::vector<BestPoint> best;
    appendBest(best, table, tests, coefficient, inCostOrder(table));
    return best;
}

}  // namespace tavi
