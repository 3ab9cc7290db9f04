#include "engine/power/RequiredGroups.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

namespace tavi {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kMostGuessed = double(kMaxRequiredGroups);

// The smallest N in [1, kMaxRequiredGroups] at which reaches(N) holds, for a reaches that stays
// true once it is; empty when it holds nowhere. The search runs outwards from guess in growing
// steps, then halves the interval found, so a good guess costs a few evaluations.
template <typename Reaches>
std::optional<std::int64_t> smallestReaching(std::int64_t guess, const Reaches& reaches) {
    std::int64_t below = 0;  // 0 or an N that does not reach
    std::int64_t above = std::clamp<std::int64_t>(guess, 1, kMaxRequiredGroups);
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
            if (below == kMaxRequiredGroups) {
                return std::nullopt;
            }
            above = std::min(below + step, kMaxRequiredGroups);
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

// The cheapest point offered so far: the smallest cost under a budget, else the fewest units,
// then the fewest groups.
class CheapestPoint {
public:
    CheapestPoint(int coefficient, bool budgetMode)
        : m_coefficient(coefficient), m_budgetMode(budgetMode) {}

    void offer(const SweepPoint& point, double se) {
        if (!m_point || cheapness(point) < cheapness(*m_point)) {
            m_point = point;
            m_se = se;
        }
    }

    BestPoint best(PointTests& tests) const {
        if (!m_point) {
            return {m_coefficient, Criterion::CheapestForPower, std::nullopt, kNaN,
                    PointTest{kNaN, kNaN, kNaN, kNaN}};
        }
        return {m_coefficient, Criterion::CheapestForPower, m_point, m_se,
                tests.at(m_coefficient, *m_point, m_se)};
    }

private:
    std::tuple<std::int64_t, std::int32_t> cheapness(const SweepPoint& p) const {
        return {m_budgetMode ? p.cost : unitsOf(p), p.N};
    }

    int m_coefficient;
    bool m_budgetMode;
    std::optional<SweepPoint> m_point;
    double m_se = kNaN;
};

// A point of N groups (or sites of J groups) of n units, with its cost under a budget.
SweepPoint pointAt(const AllocationSettings& settings, std::int64_t N, std::int32_t J,
                   std::int32_t n) {
    const std::int64_t cost = settings.budgetMode ? costOf(settings, N, J, n) : 0;
    return {static_cast<std::int32_t>(N), n, cost, J};
}

}  // namespace

RequiredSearch searchRequiredGroups(const AllocationSettings& settings,
                                    const UnitVariances& variances, PointTests& tests) {
    RequiredSearch search;
    const std::int64_t fewestGroups = std::max<std::int64_t>(1, settings.fewest);
    const std::int64_t mostGroups = settings.most;
    for (std::size_t k = 0; k < variances.coefficients().size(); ++k) {
        const int c = variances.coefficients()[k];
        if (!tests.effect(c)) {
            continue;
        }
        CheapestPoint cheapest(c, settings.budgetMode);
        // The required N grows about as the unit variance: the last answer per unit of it
        // makes the next guess.
        double groupsPerVariance = 0.0;
        for (std::size_t i = 0; i < variances.size(); ++i) {
            const std::int32_t n = variances.groupSize(i);
            const std::int32_t J = variances.groupsPerSite(i);
            const double variance = variances.variance(i, k);
            const auto seAt = [&](std::int64_t N) { return std::sqrt(variance / double(N)); };
            const auto reaches = [&](std::int64_t N) {
                return tests.reachesTarget(c, pointAt(settings, N, J, n), seAt(N));
            };
            RequiredGroups row{c, n, std::nullopt, kNaN, kNaN, kNaN, J};
            const std::optional<std::int64_t> N =
                std::isnan(variance)
                    ? std::nullopt
                    : smallestReaching(guessOf(groupsPerVariance * variance), reaches);
            if (N) {
                groupsPerVariance = double(*N) / variance;
                row.point = pointAt(settings, *N, J, n);
                row.se = seAt(*N);
                const PointTest test = tests.at(c, *row.point, row.se, false);
                row.df = test.df;
                row.power = test.power;
                if (settings.budgetMode) {
                    cheapest.offer(*row.point, row.se);
                } else if (std::max(*N, fewestGroups) <= mostGroups) {
                    const std::int64_t inRange = std::max(*N, fewestGroups);
                    cheapest.offer(pointAt(settings, inRange, J, n), seAt(inRange));
                }
            }
            search.rows.push_back(row);
        }
        search.cheapest.push_back(cheapest.best(tests));
    }
    return search;
}

}  // namespace tavi
