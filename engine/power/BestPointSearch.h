// The best points of columns of a sweep's points (BestAllocation), sought as the points arrive
// in sweep order, a table of them at a time. Each column keeps only its leaders, so memory does
// not grow with the sweep, and the points found are those of a search over all the points at
// once, ties included: among points of equal value and cost the smallest-SE point, else the
// earliest.
#pragma once

#include "engine/power/BestAllocation.h"
#include "engine/power/PointTests.h"
#include "engine/power/SweepTable.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace tavi {

class BestPointSearch {
public:
    // For the columns listed of the tables that add() is given, tested by tests (which must
    // outlive the search): with an effect a column's highest-power point, then its points of
    // smallest exact MDES and of smallest SE; with highestPowerOnly the first alone.
    BestPointSearch(PointTests& tests, const std::vector<int>& columns,
                    bool highestPowerOnly = false);

    // The next points of the sweep, in order.
    void add(const SweepTable& points);

    // Column by column as listed, what it found.
    std::vector<BestPoint> best() const;

private:
    // The point with the smallest value offered so far: among equal values the cheaper one,
    // then the one earlier in the sweep.
    struct Leader {
        std::optional<SweepPoint> point;
        double se = 0.0;
        double value = 0.0;
        std::size_t index = 0;

        // Whether the point became the leader.
        bool offer(bool budgetMode, std::size_t i, const SweepPoint& p, double pointSe,
                   double pointValue);
        // +infinity before any point.
        double valueOr() const;
    };

    struct Column {
        int column;
        Leader smallestSe;
        Leader highestPower;
        Leader smallestMdes;
        // The smallest-SE point's values by the other two criteria: it wins their ties.
        double powerAtSmallestSe;
        double mdesAtSmallestSe;
    };

    void addTo(Column& column, const SweepTable& points);
    BestPoint bestOf(const Column& column, Criterion criterion, const Leader& leader,
                     double valueAtSmallestSe) const;

    PointTests& m_tests;
    bool m_highestPowerOnly;
    bool m_budgetMode = false;
    std::vector<Column> m_columns;
    std::size_t m_seen = 0;  // the points of the tables before
};

}  // namespace tavi
