// The REML criterion over a data set's sums per sequence against REML over its every unit,
// written out with the units' full covariance matrix: a cohort with decays in an incomplete
// window, and cross-sections.

#include "engine/simulation/PeriodCriterion.h"

#include <Eigen/Dense>
#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <random>

namespace tavi {
namespace {

constexpr PeriodCell C = PeriodCell::Control;
constexpr PeriodCell X = PeriodCell::Treated;
constexpr PeriodCell O = PeriodCell::Unobserved;

TEST(PeriodCriterion, EqualsTheRemlOfEveryUnit) {
    ClusterPeriods d;
    d.sequences = {{C, X, X, O}, {C, C, X, X}, {O, C, C, X}};
    const int n = 3;
    const Eigen::Index N = 2 * (3 + 4 + 3) * n;
    std::mt19937_64 random(11);
    std::normal_distribution<double> normal;
    // Two clusters a sequence; each outcome's fixed part (intercept, period2 to period4,
    // treatment), and its cluster, unit and period.
    Eigen::MatrixXd design = Eigen::MatrixXd::Zero(N, 5);
    Eigen::VectorXd y(N);
    std::vector<std::array<int, 3>> where;
    PeriodData data{n, std::vector<SequenceSums>(3)};
    for (int s = 0; s < 3; ++s) {
        const int first = s == 2 ? 2 : 1;
        const int m = s == 1 ? 4 : 3;
        data.sequences[s].clear(m);
        for (int k = 2 * s; k < 2 * s + 2; ++k) {
            Eigen::MatrixXd units(n, m);
            for (int i = 0; i < n; ++i) {
                for (int t = first; t < first + m; ++t) {
                    const auto a = static_cast<Eigen::Index>(where.size());
                    where.push_back({k, i, t});
                    y(a) = units(i, t - first) = normal(random);
                    design(a, 0) = design(a, t - 1) = 1.0;
                    design(a, 4) = d.sequences[s][t - 1] == X ? 1.0 : 0.0;
                }
            }
            data.sequences[s].addCluster(units);
        }
    }
    const PeriodCorrelations kinds[] = {{0.1, 0.8, 0.7, true, 0.4, 0.9},
                                        {0.3, 1.0, 0.5, true, 0.7, 1.0},
                                        {0.05, 0.6, 0.9, false, 0.0, 1.0}};
    for (const PeriodCorrelations& c : kinds) {
        // The units' covariance with a variance of 1 within a period.
        Eigen::MatrixXd V = Eigen::MatrixXd::Zero(N, N);
        for (Eigen::Index a = 0; a < N; ++a) {
            const auto [k, i, t] = where[a];
            for (Eigen::Index b = 0; b < N; ++b) {
                const int apart = std::abs(t - where[b][2]);
                if (k == where[b][0]) {
                    V(a, b) = c.icc * (apart == 0 ? 1.0 : c.cac * std::pow(c.decay, apart));
                }
                if (k == where[b][0] && i == where[b][1] && (apart == 0 || c.cohort)) {
                    V(a, b) +=
                        (1 - c.icc) * (apart == 0 ? 1.0 : c.iac * std::pow(c.cohortDecay, apart));
                }
            }
        }
        const Eigen::LDLT<Eigen::MatrixXd> v(V);
        const Eigen::MatrixXd information = design.transpose() * v.solve(design);
        const Eigen::VectorXd beta = information.ldlt().solve(design.transpose() * v.solve(y));
        const Eigen::VectorXd r = y - design * beta;
        const double variance = r.dot(v.solve(r)) / static_cast<double>(N - 5);
        const double expected =
            static_cast<double>(N - 5) * (std::log(2 * std::numbers::pi * variance) + 1) +
            v.vectorD().array().log().sum() + std::log(information.determinant());
        PeriodCriterion criterion(d);
        EXPECT_NEAR(criterion.evaluate(data, c) / expected, 1.0, 1e-10) << "icc " << c.icc;
        EXPECT_LT((criterion.beta() - beta).norm(), 1e-10);
        const Eigen::MatrixXd covariance = variance * information.inverse();
        EXPECT_LT((criterion.covarianceOfBeta() - covariance).norm(), 1e-10 * covariance.norm());
    }
}

}  // namespace
}  // namespace tavi
