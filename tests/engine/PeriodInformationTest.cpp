#include "engine/DesignInformation.h"
#include "engine/PeriodInformation.h"

#include <Eigen/Dense>
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <string>

namespace tavi {
namespace {

using Cells = std::vector<PeriodCell>;
constexpr PeriodCell C = PeriodCell::Control;
constexpr PeriodCell X = PeriodCell::Treated;
constexpr PeriodCell O = PeriodCell::Unobserved;

// X'V^-1X of one cluster from its units, written out one by one: n units in every observed
// period, each unit's outcome the sum of the cluster-period effect (variance icc, correlating
// cac * decay^|t - s| between periods), in a cohort the unit's own effect (variance (1 - icc)
// iac, correlating cohortDecay^|t - s|) and an independent residual.
Eigen::MatrixXd unitLevelInformation(const ClusterPeriods& d, const Cells& cells, int n) {
    const PeriodCorrelations& c = d.correlations;
    std::vector<int> period;  // of each unit's outcome
    std::vector<int> unit;
    for (int t = 1; t <= d.periods(); ++t) {
        for (int i = 0; i < n && cells[t - 1] != O; ++i) {
            period.push_back(t);
            unit.push_back(i);
        }
    }
    const int rows = static_cast<int>(period.size());
    Eigen::MatrixXd V(rows, rows);
    Eigen::MatrixXd design = Eigen::MatrixXd::Zero(rows, d.coefficientCount());
    for (int a = 0; a < rows; ++a) {
        design(a, 0) = 1.0;
        if (period[a] >= 2) {
            design(a, period[a] - 1) = 1.0;
        }
        design(a, d.periods()) = cells[period[a] - 1] == X ? 1.0 : 0.0;
        for (int b = 0; b < rows; ++b) {
            const double apart = std::abs(period[a] - period[b]);
            const double unitShare = c.cohort ? c.iac : 0.0;
            double v = c.icc * (apart == 0 ? 1.0 : c.cac * std::pow(c.decay, apart));
            if (unit[a] == unit[b] && (apart == 0 || c.cohort)) {
                v +=
                    (1.0 - c.icc) * (apart == 0 ? 1.0 : unitShare * std::pow(c.cohortDecay, apart));
            }
            V(a, b) = v;
        }
    }
    return design.transpose() * V.ldlt().solve(design);
}

// Every kind of design (incomplete windows, cohorts, decays, unequal shares) against the
// information summed over the clusters' units.
TEST(PeriodInformation, EqualsTheGlsOfEveryUnit) {
    ClusterPeriods d;
    d.sequences = {{C, C, X, X, O}, {O, C, C, X, X}, {C, X, X, X, X}, {C, C, C, C, X}};
    d.clusterShares = {1.0, 2.0, 1.0, 3.0};
    const PeriodCorrelations kinds[] = {{0.05, 1.0, 1.0, false, 0.0, 1.0},
                                        {0.1, 0.7, 0.8, false, 0.0, 1.0},
                                        {0.2, 0.9, 0.6, true, 0.5, 0.9},
                                        {0.0, 1.0, 1.0, true, 0.3, 1.0}};
    for (const PeriodCorrelations& c : kinds) {
        d.correlations = c;
        const int n = 3;
        Eigen::MatrixXd expected = Eigen::MatrixXd::Zero(6, 6);
        for (std::size_t s = 0; s < d.sequences.size(); ++s) {
            expected += 2.0 * d.clusterShares[s] * unitLevelInformation(d, d.sequences[s], n);
        }
        PeriodPoint p;
        computePeriodPoint(d, p, 2.0 * 7.0, n);  // twice each share
        for (int a = 1; a <= 6; ++a) {
            for (int b = 1; b <= 6; ++b) {
                EXPECT_NEAR(p.InfoMatrix(a, b), expected(a - 1, b - 1),
                            1e-10 * expected.cwiseAbs().maxCoeff())
                    << "icc " << c.icc << ", (" << a << ", " << b << ")";
            }
        }
    }
}

// The closed form of the treatment's variance in a complete design with a random cluster
// intercept: I clusters, T periods, treatment indicators x_it, sigma2 the variance of a
// cluster-period mean about its cluster's, tau2 the cluster's; U = sum x, W = sum over periods
// of the squared column sums, V = sum over clusters of the squared row sums.
TEST(PeriodInformation, CompleteDesignsHaveTheClosedFormOfARandomIntercept) {
    std::mt19937 random(7);
    int compared = 0;
    for (int trial = 0; trial < 20; ++trial) {
        const int T = 2 + static_cast<int>(random() % 6);
        ClusterPeriods d;
        const int S = 2 + static_cast<int>(random() % 4);
        for (int s = 0; s < S; ++s) {
            Cells cells;
            for (int t = 0; t < T; ++t) {
                cells.push_back(random() % 2 == 0 ? C : X);
            }
            d.sequences.push_back(cells);
            d.clusterShares.push_back(1.0 + static_cast<double>(random() % 3));
        }
        d.correlations.icc = 0.01 + 0.3 * std::uniform_real_distribution<>()(random);
        const int n = 1 + static_cast<int>(random() % 50);
        const double N = 3;
        double I = 0, U = 0, W = 0, V = 0;
        std::vector<double> columns(T, 0.0);
        for (int s = 0; s < S; ++s) {
            const double clusters = N * d.clusterShares[s];
            double row = 0;
            for (int t = 0; t < T; ++t) {
                const double x = d.sequences[s][t] == X ? 1.0 : 0.0;
                row += x;
                columns[t] += clusters * x;
            }
            I += clusters;
            U += clusters * row;
            V += clusters * row * row;
        }
        for (const double column : columns) {
            W += column * column;
        }
        const double tau2 = d.correlations.icc;
        const double sigma2 = (1.0 - tau2) / n;
        const double denominator =
            (I * U - W) * sigma2 + (U * U + I * T * U - T * W - I * V) * tau2;
        if (std::fabs(denominator) < 1e-6) {
            continue;  // the treatment is confounded with the periods or the clusters
        }
        PeriodPoint p;
        computePeriodPoint(d, p, I, n);
        const double variance = I * sigma2 * (sigma2 + T * tau2) / denominator;
        EXPECT_NEAR(p.CovCoef(T + 1, T + 1) / variance, 1.0, 1e-10) << "trial " << trial;
        ++compared;
    }
    EXPECT_GE(compared, 15);
}

// A complete design with a cluster effect the same in every period is a two-level design whose
// groups are the clusters, of T n units: its level-1 variables are the period indicators and
// the treatment, with the within-cluster covariance averaged over the clusters and the
// covariance of the cluster means between them.
TEST(PeriodInformation, CompleteDesignsAreTheTwoLevelDesignOfTheirMoments) {
    ClusterPeriods d;
    d.sequences = {{C, X, X, X}, {C, C, X, X}, {C, C, C, X}, {X, C, X, C}};
    d.clusterShares = {1.0, 2.0, 3.0, 2.0};
    d.correlations.icc = 0.07;
    const int T = d.periods();
    const double shareSum = 8.0;
    NestedDesign nested;
    nested.model.levels = 2;
    for (int v = 1; v <= T; ++v) {
        std::string name = "v";
        name += std::to_string(v);
        nested.variables.push_back({name, 1, SlopeVariation::None});
    }
    setModelVariables(nested);
    NestedModel& m = nested.model;
    m.Sigma2 = 1.0 - d.correlations.icc;
    m.Tau2(1, 1) = d.correlations.icc;
    // The variables in the order period2, ..., periodT, treatment at each period of a sequence.
    const auto value = [&](const Cells& cells, int t, int v) {
        return v < T ? (t == v + 1 ? 1.0 : 0.0) : (cells[t - 1] == X ? 1.0 : 0.0);
    };
    for (std::size_t s = 0; s < d.sequences.size(); ++s) {
        const double weight = d.clusterShares[s] / shareSum;
        for (int a = 1; a <= T; ++a) {
            double meanA = 0.0;
            for (int t = 1; t <= T; ++t) {
                meanA += value(d.sequences[s], t, a) / T;
            }
            m.Means(a) += weight * meanA;
            for (int b = 1; b <= T; ++b) {
                double meanB = 0.0;
                double product = 0.0;
                for (int t = 1; t <= T; ++t) {
                    meanB += value(d.sequences[s], t, b) / T;
                    product += value(d.sequences[s], t, a) * value(d.sequences[s], t, b) / T;
                }
                m.WithinCov(a, b) += weight * (product - meanA * meanB);
                m.BetweenCov(a, b) += weight * meanA * meanB;
            }
        }
    }
    for (int a = 1; a <= T; ++a) {
        for (int b = 1; b <= T; ++b) {
            m.BetweenCov(a, b) -= m.Means(a) * m.Means(b);
        }
    }
    const auto design = prepareDesign(nested);
    const auto work = design->information->newWork();
    for (const int n : {1, 7, 40}) {
        const PointCovariance twoLevel = design->information->compute(*work, {24, T * n});
        PeriodPoint p;
        computePeriodPoint(d, p, 24, n);
        // The two-level order: the fixed level-1 variables, then the intercept.
        EXPECT_NEAR(p.CovCoef(T + 1, T + 1) / twoLevel.CovCoef(T, T), 1.0, 1e-12) << "n " << n;
        EXPECT_NEAR(p.CovCoef(2, 2) / twoLevel.CovCoef(1, 1), 1.0, 1e-12) << "n " << n;
    }
}

}  // namespace
}  // namespace tavi
