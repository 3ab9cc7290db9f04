#include "engine/power/BestAllocation.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

namespace tavi {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The order in which points count as cheaper.
auto cheapness(const SweepTable& table, std::size_t i) {
    const SweepPoint& p = table.point(i);
    const std::int64_t size = table.budgetMode() ? p.cost : unitsOf(p);
    return std::make_tuple(size, p.N);
}

// The point with the smallest value offered so far; among equal values, the cheaper one.
class Leader {
public:
    explicit Leader(const SweepTable& table) : m_table(table) {}

    void offer(std::size_t i, double value) {
        if (std::isnan(value)) {
            return;
        }
        if (!m_index || value < m_value ||
            (value == m_value && cheapness(m_table, i) < cheapness(m_table, *m_index))) {
            m_index = i;
            m_value = value;
        }
    }

    std::optional<std::size_t> index() const { return m_index; }
    // +infinity before any point.
    double value() const { return m_value; }

private:
    const SweepTable& m_table;
    std::optional<std::size_t> m_index;
    double m_value = std::numeric_limits<double>::infinity();
};

// Where coefficient c can be tested, with the smallest standard error there and the largest df.
struct Candidates {
    std::vector<std::size_t> points;
    std::optional<std::size_t> smallestSe;
    double mostDf = 0.0;
};

Candidates candidatesOf(const SweepTable& table, const PointTests& tests, int c) {
    Candidates candidates;
    Leader smallestSe(table);
    for (std::size_t i = 0; i < table.size(); ++i) {
        const SweepPoint& p = table.point(i);
        if (tests.testable(c, p, table.se(i, c))) {
            candidates.points.push_back(i);
            smallestSe.offer(i, table.se(i, c));
            candidates.mostDf = std::max(candidates.mostDf, tests.degreesOfFreedom().at(c, p));
        }
    }
    candidates.smallestSe = smallestSe.index();
    return candidates;
}

// The power rises with the noncentrality's magnitude and, at a given noncentrality, with df. No
// point does better than its noncentrality would at the largest df, so points whose
// noncentrality falls short there of the power found at the smallest SE are passed over
// without computing their own.
std::optional<std::size_t> highestPower(const SweepTable& table, PointTests& tests, int c,
                                        const Candidates& candidates) {
    Leader leader(table);
    const auto offer = [&](std::size_t i) { leader.offer(i, -tests.at(table, i, c, false).power); };
    offer(*candidates.smallestSe);
    const double found = -leader.value();
    double leastNoncentrality = 0.0;
    if (found > tests.settings().alpha) {
        // Every power from 1 - 1e-9 on counts as reached, since 1 itself is reached at no
        // finite noncentrality that a root search could bracket.
        const double reach = std::min(found, 1.0 - 1.0e-9);
        leastNoncentrality = tests.exactMultiplier(c, candidates.mostDf, reach) * (1.0 - 1.0e-9);
    }
    const double effect = std::fabs(*tests.effect(c));
    for (const std::size_t i : candidates.points) {
        // A NaN bound passes nothing over.
        if (!(effect / table.se(i, c) < leastNoncentrality)) {
            offer(i);
        }
    }
    return leader.index();
}

// The exact MDES in standard errors falls as df grows, so at any point it is at least the
// largest df's times the standard error: points where that alone exceeds the smallest MDES
// found need no root search of their own.
std::optional<std::size_t> smallestMdes(const SweepTable& table, PointTests& tests, int c,
                                        const Candidates& candidates) {
    Leader leader(table);
    const auto offer = [&](std::size_t i) {
        const SweepPoint& p = table.point(i);
        const double df = tests.degreesOfFreedom().at(c, p);
        leader.offer(i, tests.exactMultiplier(c, df) * table.se(i, c));
    };
    offer(*candidates.smallestSe);
    // Slightly lowered for the root search's own tolerance; a NaN bound passes nothing over.
    const double least = tests.exactMultiplier(c, candidates.mostDf) * (1.0 - 1.0e-12);
    for (const std::size_t i : candidates.points) {
        if (!(least * table.se(i, c) > leader.value())) {
            offer(i);
        }
    }
    return leader.index();
}

BestPoint bestAt(const SweepTable& table, PointTests& tests, int c, Criterion criterion,
                 std::optional<std::size_t> i) {
    if (!i) {
        return {c, criterion, std::nullopt, kNaN, PointTest{kNaN, kNaN, kNaN, kNaN}};
    }
    return {c, criterion, table.point(*i), table.se(*i, c), tests.at(table, *i, c)};
}

BestPoint highestPowerAmong(const SweepTable& table, PointTests& tests, int c,
                            const Candidates& candidates) {
    return bestAt(table, tests, c, Criterion::HighestPower,
                  candidates.smallestSe ? highestPower(table, tests, c, candidates) : std::nullopt);
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

}  // namespace

const char* criterionName(Criterion criterion) {
    switch (criterion) {
        case Criterion::HighestPower:
            return "highest_power";
        case Criterion::SmallestMdes:
            return "smallest_mdes";
        case Criterion::SmallestSe:
            break;
        case Criterion::CheapestForPower:
            return "cheapest_for_power";
    }
    return "smallest_se";
}

const char* criterionText(Criterion criterion) {
    switch (criterion) {
        case Criterion::HighestPower:
            return "highest power";
        case Criterion::SmallestMdes:
            break;
        case Criterion::SmallestSe:
            return "smallest SE";
        case Criterion::CheapestForPower:
            return "cheapest for power";
    }
    return "smallest MDES";
}

std::vector<BestPoint> bestPointsFor(const SweepTable& table, PointTests& tests, int coefficient) {
    const Candidates candidates = candidatesOf(table, tests, coefficient);
    const bool any = candidates.smallestSe.has_value();
    std::vector<BestPoint> best;
    if (tests.effect(coefficient)) {
        best.push_back(highestPowerAmong(table, tests, coefficient, candidates));
    }
    best.push_back(
        bestAt(table, tests, coefficient, Criterion::SmallestMdes,
               any ? smallestMdes(table, tests, coefficient, candidates) : std::nullopt));
    best.push_back(bestAt(table, tests, coefficient, Criterion::SmallestSe, candidates.smallestSe));
    return best;
}

BestPoint highestPowerPoint(const SweepTable& table, PointTests& tests, int coefficient) {
    return highestPowerAmong(table, tests, coefficient, candidatesOf(table, tests, coefficient));
}

std::vector<std::optional<std::size_t>> smallestSePoints(const SweepTable& table) {
    std::vector<std::optional<std::size_t>> smallest;
    smallest.reserve(static_cast<std::size_t>(table.coefficients()));
    for (int c = 0; c < table.coefficients(); ++c) {
        Leader leader(table);
        for (std::size_t i = 0; i < table.size(); ++i) {
            if (table.point(i).N >= 1) {
                leader.offer(i, table.se(i, c));
            }
        }
        smallest.push_back(leader.index());
    }
    return smallest;
}

std::optional<std::size_t> cheapestPointReaching(const SweepTable& table, PointTests& tests,
                                                 int coefficient) {
    // From the cheapest point on and only until one reaches the target.
    const std::vector<std::size_t> byCost = inCostOrder(table);
    const auto cheapest = std::find_if(byCost.begin(), byCost.end(), [&](std::size_t i) {
        return tests.reachesTarget(table, i, coefficient);
    });
    return cheapest == byCost.end() ? std::nullopt : std::optional<std::size_t>(*cheapest);
}

}  // namespace tavi
