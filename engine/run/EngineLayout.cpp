#include "engine/run/EngineLayout.h"

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

// Copies the lower triangle of rows 1..order of from to the positions position(1..order) of
// to, mirrored.
template <typename Position>
void placeSymmetric(const Matrix& from, Matrix& to, int order, Position position) {
    for (int i = 1; i <= order; ++i) {
        for (int j = 1; j <= i; ++j) {
            to(position(i), position(j)) = from(i, j);
            to(position(j), position(i)) = from(i, j);
        }
    }
}

}  // namespace

void loadEngineDesign(const DesignParameters& p, EngineState& e) {
    const std::int32_t k = p.k;
    const std::int32_t k1 = p.k1;
    const std::int32_t kw = p.kw;
    e.k1 = k1;
    e.nRandom = k - k1 + 1;
    e.LenW3 = kw + 1;
    e.NumCoef = static_cast<std::int32_t>(coefficientCount(k, k1, kw));

    e.BudgetMode = p.BudgetMode;
    e.MinGroupSize = p.MinGroupSize;
    e.MaxGroupSize = p.MaxGroupSize;
    e.GroupSizeStep = p.GroupSizeStep;
    if (e.BudgetMode) {
        e.Budget = p.Budget;
        e.CostParameter = p.CostParameter;
    } else {
        e.MinGroups = p.MinGroups;
        e.MaxGroups = p.MaxGroups;
        e.GroupsStep = groupsStepFor(std::int64_t{e.MaxGroups} - e.MinGroups);
    }

    e.Sigma2 = p.ResidualVariance;
    placeSymmetric(p.Tau, clearSquare(e.Tau2, e.nRandom), e.nRandom, [](int i) { return i; });
    // The constant joins the within-groups variables after the fixed-only ones and leads the
    // between-groups variables, each with a zero row and column.
    placeSymmetric(p.WithinCov, clearSquare(e.SigmaW, k + 1), k,
                   [k1](int i) { return i <= k1 ? i : i + 1; });
    placeSymmetric(p.BetweenCov, clearSquare(e.SigmaB, kw + k1 + 1), kw + k1,
                   [](int i) { return i + 1; });
    for (int i = 1; i <= k1; ++i) {
        e.Mu1(i, 1) = p.Means1(i);
    }
    e.Mu3(1, 1) = 1.0;
    for (int i = 2; i <= e.LenW3; ++i) {
        e.Mu3(i, 1) = p.Means2(i - 1);
    }
    e.Mu2(1, 1) = 1.0;
    for (int i = 2; i <= e.nRandom; ++i) {
        e.Mu2(i, 1) = 0.0;
    }
}

}  // namespace tavi
