#include "engine/simulation/PeriodCriterion.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace tavi {

namespace {

using Eigen::Index;
using Eigen::MatrixXd;
using Eigen::VectorXd;

// The information matrix counts as singular, the fixed part as not estimable, below this
// reciprocal condition number.
constexpr double kSmallestReciprocalCondition = 1.0e-12;

double logDeterminant(const Eigen::LLT<MatrixXd>& llt) {
    return 2.0 * llt.matrixLLT().diagonal().array().log().sum();
}

}  // namespace

PeriodCriterion::PeriodCriterion(const ClusterPeriods& d) : m_sequences(d.sequences.size()) {
    for (std::size_t s = 0; s < d.sequences.size(); ++s) {
        m_sequences[s].observed = observedPeriods(d, s);
        m_sequences[s].X = fixedPartOf(d, s);
    }
}

double PeriodCriterion::evaluate(const PeriodData& data, const PeriodCorrelations& c) {
    constexpr double kUndefined = std::numeric_limits<double>::quiet_NaN();
    const auto n = static_cast<double>(data.n);
    const double unitShare = 1.0 - c.icc;
    const Index p = m_sequences.front().X.cols();
    MatrixXd information = MatrixXd::Zero(p, p);
    VectorXd weighted = VectorXd::Zero(p);
    // The criterion's parts at a variance of 1, the variance's profile following below: the
    // log-determinant of V and the sum of the outcomes' squared deviations weighted by V^-1,
    // except those of the sequences' mean means from the fixed part.
    double logDetV = 0.0;
    double squares = 0.0;
    double outcomes = 0.0;
    for (std::size_t s = 0; s < m_sequences.size(); ++s) {
        Sequence& q = m_sequences[s];
        const SequenceSums& sums = data.sequences[s];
        if (sums.clusters == 0) {
            continue;
        }
        const auto m = static_cast<Index>(q.observed.size());
        const auto clusters = static_cast<double>(sums.clusters);
        MatrixXd covariance(m, m);
        for (Index i = 0; i < m; ++i) {
            for (Index j = 0; j < m; ++j) {
                covariance(i, j) = periodMeansCovariance(c, q.observed[i], q.observed[j], n);
            }
        }
        q.means.compute(covariance);
        for (Index i = 0; i < m; ++i) {
            for (Index j = 0; j < m; ++j) {
                covariance(i, j) = unitShare * unitCorrelation(c, q.observed[i], q.observed[j]);
            }
        }
        q.units.compute(covariance);
        if (q.means.info() != Eigen::Success || q.units.info() != Eigen::Success) {
            return kUndefined;
        }
        // A cluster's outcomes, turned by an orthogonal matrix into its period means (times
        // sqrt(n), of covariance n V_means) and n - 1 contrasts of its units (each of the units'
        // covariance, mean 0): the unit-level V has their determinants.
        logDetV += clusters * (static_cast<double>(m) * std::log(n) + logDeterminant(q.means) +
                               (n - 1.0) * logDeterminant(q.units));
        const MatrixXd meansX = q.means.solve(q.X);
        information.noalias() += clusters * q.X.transpose() * meansX;
        weighted.noalias() += clusters * meansX.transpose() * sums.meanOfMeans;
        squares += q.means.solve(sums.scatterOfMeans).trace() + q.units.solve(sums.within).trace();
        outcomes += clusters * static_cast<double>(m) * n;
    }
    const double residualDf = outcomes - static_cast<double>(p);
    m_information.compute(information);
    if (!(residualDf > 0.0) || m_information.info() != Eigen::Success ||
        !(m_information.rcond() >= kSmallestReciprocalCondition)) {
        return kUndefined;
    }
    m_beta = m_information.solve(weighted);
    for (std::size_t s = 0; s < m_sequences.size(); ++s) {
        const SequenceSums& sums = data.sequences[s];
        if (sums.clusters > 0) {
            const VectorXd residual = sums.meanOfMeans - m_sequences[s].X * m_beta;
            squares += static_cast<double>(sums.clusters) *
                       residual.dot(m_sequences[s].means.solve(residual));
        }
    }
    m_variance = squares / residualDf;
    return residualDf * (std::log(2.0 * std::numbers::pi * m_variance) + 1.0) + logDetV +
           logDeterminant(m_information);
}

MatrixXd PeriodCriterion::covarianceOfBeta() const {
    const Index p = m_beta.size();
    return m_variance * m_information.solve(MatrixXd::Identity(p, p));
}

}  // namespace tavi
