#include "engine/power/BestPointSearch.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

namespace tavi {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// The order in which points count as cheaper.
std::tuple<std::int64_t, std::int32_t> cheapness(bool budgetMode, const SweepPoint& p) {
    return {budgetMode ? p.cost : unitsOf(p), p.N};
}

}  // namespace

bool BestPointSearch::Leader::offer(bool budgetMode, std::size_t i, const SweepPoint& p,
                                    double pointSe, double pointValue) {
    if (std::isnan(pointValue)) {
        return false;
    }
    if (point) {
        const auto mine = std::make_tuple(value, cheapness(budgetMode, *point), index);
        if (!(std::make_tuple(pointValue, cheapness(budgetMode, p), i) < mine)) {
            return false;
        }
    }
    point = p;
    se = pointSe;
    value = pointValue;
    index = i;
    return true;
}

double BestPointSearch::Leader::valueOr() const {
    return point ? value : kInfinity;
}

BestPointSearch::BestPointSearch(PointTests& tests, const std::vector<int>& columns,
                                 bool highestPowerOnly)
    : m_tests(tests), m_highestPowerOnly(highestPowerOnly) {
    for (const int c : columns) {
        m_columns.push_back({c, {}, {}, {}, kNaN, kNaN});
    }
}

void BestPointSearch::add(const SweepTable& points) {
    m_budgetMode = points.budgetMode();
    for (Column& column : m_columns) {
        addTo(column, points);
    }
    m_seen += points.size();
}

// The points of this table where the column can be tested, its smallest-SE point among them and
// their largest df bound the search: the smallest-SE point is offered first, and the points
// that could not beat the leader then even at that df are passed over without computing their
// own power or exact MDES.
void BestPointSearch::addTo(Column& column, const SweepTable& points) {
    const int c = column.column;
    std::vector<std::size_t> candidates;
    Leader smallestSe;
    double mostDf = 0.0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const SweepPoint& p = points.point(i);
        if (m_tests.testable(c, p, points.se(i, c))) {
            candidates.push_back(i);
            smallestSe.offer(m_budgetMode, i, p, points.se(i, c), points.se(i, c));
            mostDf = std::max(mostDf, m_tests.degreesOfFreedom().at(c, p));
        }
    }
    if (candidates.empty()) {
        return;
    }
    const std::size_t first = smallestSe.index;
    const bool newSmallest = column.smallestSe.offer(
        m_budgetMode, m_seen + first, *smallestSe.point, smallestSe.se, smallestSe.value);
    const auto offer = [&](Leader& leader, std::size_t i, double value) {
        leader.offer(m_budgetMode, m_seen + i, points.point(i), points.se(i, c), value);
        return value;
    };

    // The power rises with the noncentrality's magnitude and, at a given noncentrality, with df.
    if (const std::optional<double>& effect = m_tests.effect(c)) {
        const auto negativePower = [&](std::size_t i) {
            return -m_tests.at(points, i, c, false).power;
        };
        const double atFirst = offer(column.highestPower, first, negativePower(first));
        if (newSmallest) {
            column.powerAtSmallestSe = atFirst;
        }
        const double found = -column.highestPower.valueOr();
        double leastNoncentrality = 0.0;
        if (found > m_tests.settings().alpha) {
            // Every power from 1 - 1e-9 on counts as reached, since 1 itself is reached at no
            // finite noncentrality that a root search could bracket.
            const double reach = std::min(found, 1.0 - 1.0e-9);
            leastNoncentrality = m_tests.exactMultiplier(c, mostDf, reach) * (1.0 - 1.0e-9);
        }
        for (const std::size_t i : candidates) {
            // A NaN bound passes nothing over.
            if (!(std::fabs(*effect) / points.se(i, c) < leastNoncentrality)) {
                offer(column.highestPower, i, negativePower(i));
            }
        }
    }
    if (m_highestPowerOnly) {
        return;
    }
    // The exact MDES in standard errors falls as df grows.
    const auto mdes = [&](std::size_t i) {
        const double df = m_tests.degreesOfFreedom().at(c, points.point(i));
        return m_tests.exactMultiplier(c, df) * points.se(i, c);
    };
    const double atFirst = offer(column.smallestMdes, first, mdes(first));
    if (newSmallest) {
        column.mdesAtSmallestSe = atFirst;
    }
    // Slightly lowered for the root search's own tolerance; a NaN bound passes nothing over.
    const double least = m_tests.exactMultiplier(c, mostDf) * (1.0 - 1.0e-12);
    for (const std::size_t i : candidates) {
        if (!(least * points.se(i, c) > column.smallestMdes.valueOr())) {
            offer(column.smallestMdes, i, mdes(i));
        }
    }
}

BestPoint BestPointSearch::bestOf(const Column& column, Criterion criterion, const Leader& leader,
                                  double valueAtSmallestSe) const {
    const Leader& smallest = column.smallestSe;
    const bool smallestTies =
        smallest.point && leader.point && valueAtSmallestSe == leader.value &&
        cheapness(m_budgetMode, *smallest.point) == cheapness(m_budgetMode, *leader.point);
    const Leader& chosen = smallestTies ? smallest : leader;
    if (!chosen.point) {
        return {column.column, criterion, std::nullopt, kNaN, PointTest{kNaN, kNaN, kNaN, kNaN}};
    }
    return {column.column, criterion, chosen.point, chosen.se,
            m_tests.at(column.column, *chosen.point, chosen.se)};
}

std::vector<BestPoint> BestPointSearch::best() const {
    std::vector<BestPoint> best;
    for (const Column& column : m_columns) {
        if (m_tests.effect(column.column)) {
            best.push_back(bestOf(column, Criterion::HighestPower, column.highestPower,
                                  column.powerAtSmallestSe));
        }
        if (m_highestPowerOnly) {
            continue;
        }
        best.push_back(
            bestOf(column, Criterion::SmallestMdes, column.smallestMdes, column.mdesAtSmallestSe));
        best.push_back(bestOf(column, Criterion::SmallestSe, column.smallestSe, kNaN));
    }
    return best;
}

}  // namespace tavi
