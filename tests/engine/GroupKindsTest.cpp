// Designs whose groups are of several kinds: arms alike in everything but the arm give the
// figures of the design whose arm is a level-2 variable with the arms' mean and variance, and
// arms with their own variances and group sizes give the information of their groups written
// out unit by unit.

#include "engine/DesignInformation.h"
#include "tests/engine/RandomDesign.h"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace tavi {
namespace {

PointCovariance computeAt(const PreparedDesign& design, PointWork& work, std::int32_t N,
                          std::int32_t n) {
    return design.information->compute(work, {N, n, 0, 0});
}

TEST(GroupKinds, ArmsAlikeGiveTheDesignWithTheArmAsAVariable) {
    std::mt19937_64 rng(31);
    test::FileDesign file = test::randomDesign(rng, 4, 2, 3);
    // The first level-2 variable is the arm, a share p of the groups treated, independent of
    // the other variables.
    const double p = 0.3;
    for (std::size_t j = 1; j < file.between.size(); ++j) {
        file.between[0][j] = file.between[j][0] = 0.0;
    }
    file.between[0][0] = p * (1.0 - p);
    file.means2[0] = p;
    const NestedDesign pooled = test::asDesign(file);
    NestedDesign arms = pooled;
    const NestedModel& m = pooled.model;
    const GroupKind treated{p, 1.0, m.Sigma2, m.Tau2, std::nullopt};
    const GroupKind control{1.0 - p, 0.0, m.Sigma2, m.Tau2, std::nullopt};
    arms.kinds = GroupKinds{m.p1, {treated, control}};
    const auto one = prepareDesign(pooled);
    const auto two = prepareDesign(arms);
    const auto oneWork = one->information->newWork();
    const auto twoWork = two->information->newWork();
    for (const auto& [N, n] : {std::pair{10, 5}, std::pair{37, 12}}) {
        const PointCovariance expected = computeAt(*one, *oneWork, N, n);
        const PointCovariance actual = computeAt(*two, *twoWork, N, n);
        ASSERT_EQ(actual.NumCoef, expected.NumCoef);
        for (int i = 1; i <= expected.NumCoef; ++i) {
            for (int j = 1; j <= expected.NumCoef; ++j) {
                EXPECT_NEAR(actual.InfoMatrix(i, j), expected.InfoMatrix(i, j),
                            1e-12 * std::abs(expected.InfoMatrix(i, i)));
            }
            const double se = std::sqrt(expected.CovCoef(i, i));
            EXPECT_NEAR(std::sqrt(actual.CovCoef(i, i)), se, 1e-12 * se);
        }
    }
}

// One kind of group as the model sees its units: n units whose level-1 variable takes +1 and -1
// in turn (0 in a group of one unit), an intercept and a slope varying between groups.
struct ExplicitKind {
    int groups;
    int units;
    double arm;
    double sigma2;
    Eigen::Matrix2d tau;
};

Eigen::MatrixXd unitLevelInformation(const std::vector<ExplicitKind>& kinds) {
    Eigen::MatrixXd information = Eigen::MatrixXd::Zero(4, 4);
    for (const ExplicitKind& kind : kinds) {
        const int n = kind.units;
        Eigen::MatrixXd X(n, 4);
        Eigen::MatrixXd Z(n, 2);
        for (int u = 0; u < n; ++u) {
            const double x = n == 1 ? 0.0 : (u % 2 == 0 ? 1.0 : -1.0);
            X.row(u) << 1.0, kind.arm, x, kind.arm * x;
            Z.row(u) << 1.0, x;
        }
        const Eigen::MatrixXd V =
            kind.sigma2 * Eigen::MatrixXd::Identity(n, n) + Z * kind.tau * Z.transpose();
        information += kind.groups * X.transpose() * V.ldlt().solve(X);
    }
    return information;
}

// Treated groups of 6 units with more variance than control groups of 4, and controls on their
// own: 2, 4 and 2 of 8 groups.
TEST(GroupKinds, ArmsWithTheirOwnVariancesAndSizesGiveTheGlsOfTheirUnits) {
    test::FileDesign file;
    file.k = 1;
    file.kw = 1;
    file.within = {{1.0}};
    file.between = {{0.25}};
    file.tau = {{0.1, 0.0}, {0.0, 0.1}};
    file.means2 = {0.5};
    NestedDesign d = test::asDesign(file);
    const std::vector<ExplicitKind> explicitKinds = {
        {2, 6, 1.0, 1.5, (Eigen::Matrix2d() << 0.2, 0.05, 0.05, 0.1).finished()},
        {4, 4, 0.0, 1.0, (Eigen::Matrix2d() << 0.1, 0.0, 0.0, 0.05).finished()},
        {2, 1, 0.0, 0.8, (Eigen::Matrix2d() << 0.3, 0.0, 0.0, 0.0).finished()}};
    GroupKinds kinds{d.model.p1, {}};
    for (const ExplicitKind& k : explicitKinds) {
        GroupKind kind{k.groups / 8.0, k.arm, k.sigma2, {}, k.units};
        for (int i = 0; i < 2; ++i) {
            for (int j = 0; j < 2; ++j) {
                kind.Tau2(i + 1, j + 1) = k.tau(i, j);
            }
        }
        kinds.kinds.push_back(kind);
    }
    d.kinds = kinds;
    const auto design = prepareDesign(d);
    const auto work = design->information->newWork();
    // The point's n is that of no kind: every kind has a size of its own.
    const PointCovariance actual = computeAt(*design, *work, 8, 3);
    const Eigen::MatrixXd expected = unitLevelInformation(explicitKinds);
    const Eigen::MatrixXd covariance = expected.inverse();
    ASSERT_EQ(actual.NumCoef, 4);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            EXPECT_NEAR(actual.InfoMatrix(i + 1, j + 1), expected(i, j), 1e-12 * expected(0, 0));
            EXPECT_NEAR(actual.CovCoef(i + 1, j + 1), covariance(i, j),
                        1e-10 * covariance.diagonal().maxCoeff());
        }
    }
}

}  // namespace
}  // namespace tavi
