// The REML criterion of a cluster design over periods, -2 log L, computed from a data set's
// sums per sequence (PeriodData) and equal to the one over every unit: a cluster's period means
// have the covariance that periodMeansCovariance gives, and its units' deviations from them
// that of the units' own parts. The variance within a period, clusters' and units' together,
// is profiled out; the correlations are the criterion's parameters.
#pragma once

#include "engine/ClusterPeriods.h"
#include "engine/simulation/PeriodData.h"

#include <Eigen/Cholesky>
#include <Eigen/Core>
#include <cstdint>
#include <vector>

namespace tavi {

class PeriodCriterion {
public:
    // The criterion of data sets of d, whose sequences give the observed periods and the fixed
    // part; the working space of one thread.
    explicit PeriodCriterion(const ClusterPeriods& d);

    // -1/2 ((N - p) log(2 pi) + log|V| + log|X' V^-1 X| + r' V^-1 r) over the N outcomes of data,
    // V their covariance, at the correlations c (icc the clusters' share of the variance within
    // a period, below 1; c.cohort as the design's) and the variance within a period that
    // maximises it, as -2 times that. NaN where the fixed part cannot be estimated or the
    // outcomes are not more than its p coefficients. Leaves the estimates at c behind.
    double evaluate(const PeriodData& data, const PeriodCorrelations& c);

    // At the last evaluation: the generalised least-squares estimates of the coefficients, the
    // variance within a period, and the covariance of the estimates.
    const Eigen::VectorXd& beta() const { return m_beta; }
    double variance() const { return m_variance; }
    Eigen::MatrixXd covarianceOfBeta() const;

private:
    // A sequence's observed periods, its fixed part, and at the last evaluation the factors of
    // its period means' covariance and of its units' correlation, both relative to the variance.
    struct Sequence {
        std::vector<std::int32_t> observed;
        Eigen::MatrixXd X;
        Eigen::LLT<Eigen::MatrixXd> means;
        Eigen::LLT<Eigen::MatrixXd> units;
    };

    std::vector<Sequence> m_sequences;
    Eigen::LLT<Eigen::MatrixXd> m_information;
    Eigen::VectorXd m_beta;
    double m_variance = 0.0;
};

}  // namespace tavi
