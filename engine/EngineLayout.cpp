#include "engine/EngineLayout.h"

#include <vector>

namespace tavi {

namespace {

Matrix& clearSquare(Matrix& m, int order) {
    for (int i = 1; i <= order; ++i) {
        for (int j = 1; j <= order; ++j) {
            m(i, j) = 0.0;
        }
    }
    return m;
}

// Copies the lower triangle of from's rows and columns rows(1..) to the positions
// positions(1..) of to, mirrored.
void placeSymmetric(const Matrix& from, Matrix& to, const std::vector<int>& rows,
                    const std::vector<int>& positions) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        for (std::size_t j = 0; j <= i; ++j) {
            const double value = from(rows[i], rows[j]);
            to(positions[i], positions[j]) = value;
            to(positions[j], positions[i]) = value;
        }
    }
}

}  // namespace

void loadEngineDesign(const NestedDesign& d, EngineState& e) {
    const NestedModel& m = d.model;
    // The level-1 variables by their places in the model's matrices: the fixed-only ones and
    // those with a random slope, each in order.
    std::vector<int> fixedWithin;
    std::vector<int> randomWithin;
    std::vector<int> fixedBetween;
    std::vector<int> fixedMeans;
    for (std::int32_t x = 0; x < m.p1; ++x) {
        if (variesAtLevel2(m.slope1[x])) {
            randomWithin.push_back(withinIndex(m, x));
        } else {
            fixedWithin.push_back(withinIndex(m, x));
            fixedBetween.push_back(betweenGroupsIndex(m, x));
            fixedMeans.push_back(topIndex(m, x));
        }
    }
    std::vector<int> level2Between;
    std::vector<int> level2Means;
    for (std::int32_t w = m.p1; w < m.p1 + m.p2; ++w) {
        level2Between.push_back(betweenGroupsIndex(m, w));
        level2Means.push_back(topIndex(m, w));
    }
    const auto k1 = static_cast<std::int32_t>(fixedWithin.size());
    const auto kw = static_cast<std::int32_t>(level2Between.size());
    e.k1 = k1;
    e.nRandom = static_cast<std::int32_t>(randomWithin.size()) + 1;
    e.LenW3 = kw + 1;
    e.NumCoef = k1 + e.nRandom * e.LenW3;

    const SampleSizes& s = d.sizes;
    e.BudgetMode = s.BudgetMode;
    e.Budget = s.Budget;
    e.CostParameter = s.GroupCost;
    e.MinGroupSize = s.units.least;
    e.MaxGroupSize = s.units.most;
    e.GroupSizeStep = s.units.step;
    e.MinGroups = s.top.least;
    e.MaxGroups = s.top.most;
    e.GroupsStep = s.top.step;

    e.Sigma2 = m.Sigma2;
    std::vector<int> effects;
    for (int i = 1; i <= e.nRandom; ++i) {
        effects.push_back(i);
    }
    placeSymmetric(m.Tau2, clearSquare(e.Tau2, e.nRandom), effects, effects);
    // The constant joins the within-groups variables after the fixed-only ones and leads the
    // between-groups variables, each with a zero row and column.
    std::vector<int> within = fixedWithin;
    within.insert(within.end(), randomWithin.begin(), randomWithin.end());
    std::vector<int> withinPositions;
    for (int i = 1; i <= static_cast<int>(within.size()); ++i) {
        withinPositions.push_back(i <= k1 ? i : i + 1);
    }
    placeSymmetric(m.WithinCov, clearSquare(e.SigmaW, e.k1 + e.nRandom), within, withinPositions);
    std::vector<int> between = level2Between;
    between.insert(between.end(), fixedBetween.begin(), fixedBetween.end());
    std::vector<int> betweenPositions;
    for (int i = 1; i <= static_cast<int>(between.size()); ++i) {
        betweenPositions.push_back(i + 1);
    }
    placeSymmetric(m.BetweenCov, clearSquare(e.SigmaB, e.LenW3 + k1), between, betweenPositions);
    for (int i = 1; i <= k1; ++i) {
        e.Mu1(i, 1) = m.Means(fixedMeans[i - 1]);
    }
    e.Mu3(1, 1) = 1.0;
    for (int i = 2; i <= e.LenW3; ++i) {
        e.Mu3(i, 1) = m.Means(level2Means[i - 2]);
    }
    e.Mu2(1, 1) = 1.0;
    for (int i = 2; i <= e.nRandom; ++i) {
        e.Mu2(i, 1) = 0.0;
    }
}

}  // namespace tavi
