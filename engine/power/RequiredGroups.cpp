#include "engine/power/RequiredGroups.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

namespace tavi {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kMostGuessed = double(kMaxRequiredGroups);

// The smallest N in [1, most] at which reaches(N) holds, for a reaches that stays true once it
// is; empty when it holds nowhere. The search runs outwards from guess in growing steps, then
// halves the interval found, so a good guess costs a few evaluations.
template <typename Reaches>
std::optional<std::int64_t> smallestReaching(std::int64_t guess, std::int64_t most,
                                             const Reaches& reaches) {
    std::int64_t below = 0;  // 0 or an N that does not reach
    std::int64_t above = std::clamp<std::int64_t>(guess, 1, most);
    if (reaches(above)) {
        for (std::int64_t step = 1; above > 1; step *= 2) {
            const std::int64_t lower = std::max<std::int64_t>(above - step, 1);
            if (!reaches(lower)) {
                below = lower;
                break;
            }
            above = lower;
        }
    } else {
        below = above;
        for (std::int64_t step = 1;; step *= 2) {
            if (below == most) {
                return std::nullopt;
            }
            above = std::min(below + step, most);
            if (reaches(above)) {
                break;
            }
            below = above;
        }
    }
    while (above - below > 1) {
        const std::int64_t middle = below + (above - below) / 2;
        (reaches(middle) ? above : below) = middle;
    }
    return above;
}

// A guess of a required N, which may be anything, even NaN, as a number of groups in range.
std::int64_t guessOf(double groups) {
    return std::isnan(groups) ? 1 : std::llround(std::clamp(groups, 1.0, kMostGuessed));
}

// A point of N groups (or sites of J groups) of n units, with its cost under a budget.
SweepPoint pointAt(const AllocationSettings& settings, std::int64_t N, std::int32_t J,
                   std::int32_t n) {
    const std::int64_t cost = settings.budgetMode ? costOf(settings, N, J, n) : 0;
    return {static_cast<std::int32_t>(N), n, cost, J};
}

}  // namespace

RequiredGroupsSearch::RequiredGroupsSearch(const AllocationSettings& settings, PointTests& tests,
                                           const std::vector<int>& columns)
    : m_settings(settings), m_tests(tests) {
    for (std::size_t k = 0; k < columns.size(); ++k) {
        if (m_tests.effect(columns[k])) {
            m_columns.push_back({k, columns[k], {std::nullopt, kNaN}, 0.0});
        }
    }
}

void RequiredGroupsSearch::offer(Cheapest& cheapest, const SweepPoint& point, double se) const {
    const auto cheapness = [&](const SweepPoint& p) {
        return std::make_tuple(m_settings.budgetMode ? p.cost : unitsOf(p), p.N);
    };
    if (!cheapest.point || cheapness(point) < cheapness(*cheapest.point)) {
        cheapest = {point, se};
    }
}

void RequiredGroupsSearch::add(const UnitVariances& cells,
                               const std::function<void(const RequiredGroups&)>& row) {
    // The search counts multiples of the settings' multiple, the rounds of whole clusters of a
    // design over periods (one group or site otherwise).
    const std::int64_t multiple = m_settings.multiple;
    const std::int64_t fewestGroups =
        (std::max<std::int64_t>(1, m_settings.fewest) + multiple - 1) / multiple * multiple;
    const std::int64_t mostGroups = m_settings.most;
    for (Column& column : m_columns) {
        const int c = column.column;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const std::int32_t n = cells.groupSize(i);
            const std::int32_t J = cells.groupsPerSite(i);
            const double variance = cells.variance(i, column.k);
            const auto seAt = [&](std::int64_t N) { return std::sqrt(variance / double(N)); };
            const auto reaches = [&](std::int64_t rounds) {
                const std::int64_t N = rounds * multiple;
                return m_tests.reachesTarget(c, pointAt(m_settings, N, J, n), seAt(N));
            };
            RequiredGroups found{c, n, std::nullopt, kNaN, kNaN, kNaN, J};
            const std::optional<std::int64_t> rounds =
                std::isnan(variance)
                    ? std::nullopt
                    : smallestReaching(guessOf(column.groupsPerVariance * variance) / multiple,
                                       kMaxRequiredGroups / multiple, reaches);
            const std::optional<std::int64_t> N =
                rounds ? std::optional(*rounds * multiple) : std::nullopt;
            if (N) {
                column.groupsPerVariance = double(*N) / variance;
                found.point = pointAt(m_settings, *N, J, n);
                found.se = seAt(*N);
                const PointTest test = m_tests.at(c, *found.point, found.se, false);
                found.df = test.df;
                found.power = test.power;
                if (m_settings.budgetMode) {
                    offer(column.cheapest, *found.point, found.se);
                } else if (std::max(*N, fewestGroups) <= mostGroups) {
                    const std::int64_t inRange = std::max(*N, fewestGroups);
                    offer(column.cheapest, pointAt(m_settings, inRange, J, n), seAt(inRange));
                }
            }
            row(found);
        }
    }
}

std::vector<BestPoint> RequiredGroupsSearch::cheapest() const {
    std::vector<BestPoint> cheapest;
    for (const Column& column : m_columns) {
        const Cheapest& found = column.cheapest;
        if (!found.point) {
            cheapest.push_back({column.column, Criterion::CheapestForPower, std::nullopt, kNaN,
                                PointTest{kNaN, kNaN, kNaN, kNaN}});
        } else {
            cheapest.push_back({column.column, Criterion::CheapestForPower, found.point, found.se,
                                m_tests.at(column.column, *found.point, found.se)});
        }
    }
    return cheapest;
}

}  // namespace tavi
