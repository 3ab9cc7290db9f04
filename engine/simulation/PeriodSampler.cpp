#include "engine/simulation/PeriodSampler.h"

#include "engine/simulation/CovarianceFactor.h"

#include <cmath>

namespace tavi {

namespace {

using Eigen::Index;
using Eigen::MatrixXd;

using PeriodCorrelation = double (*)(const PeriodCorrelations&, std::int32_t, std::int32_t);

// F with F F' = scale times the correlations between periods 1 to T that correlation gives.
MatrixXd factorOver(const PeriodCorrelations& c, std::int32_t T, double scale,
                    PeriodCorrelation correlation) {
    MatrixXd covariance(T, T);
    for (std::int32_t t = 1; t <= T; ++t) {
        for (std::int32_t s = 1; s <= T; ++s) {
            covariance(t - 1, s - 1) = scale * correlation(c, t, s);
        }
    }
    return covarianceFactor(covariance);
}

// count standard normal draws into normals.
void drawNormals(RandomStream& random, Index count, Eigen::VectorXd& normals) {
    normals.resize(count);
    for (Index j = 0; j < count; ++j) {
        normals(j) = random.normal();
    }
}

}  // namespace

PeriodSampler::PeriodSampler(const ClusterPeriods& d, std::int32_t K, std::int32_t n,
                             const Eigen::VectorXd& coefficients)
    : m_cohort(d.correlations.cohort), m_n(n) {
    for (std::size_t s = 0; s < d.sequences.size(); ++s) {
        m_sequences.push_back({static_cast<Index>(std::llround(clustersOfSequence(d, s, K))),
                               observedPeriods(d, s), fixedPartOf(d, s) * coefficients});
    }
    const PeriodCorrelations& c = d.correlations;
    m_clusterFactor = factorOver(c, d.periods(), c.icc, clusterCorrelation);
    if (m_cohort) {
        m_unitFactor = factorOver(c, d.periods(), 1.0 - c.icc, unitCorrelation);
    }
    m_unitSd = std::sqrt(1.0 - c.icc);
}

void PeriodSampler::drawCluster(RandomStream& random, const Sequence& q, Draws& w) const {
    drawNormals(random, m_clusterFactor.cols(), w.normals);
    w.clusterEffects.noalias() = m_clusterFactor * w.normals;
    const auto m = static_cast<Index>(q.observed.size());
    w.units.resize(m_n, m);
    if (m_cohort) {
        for (Index i = 0; i < m_n; ++i) {
            drawNormals(random, m_unitFactor.cols(), w.normals);
            w.unitEffects.noalias() = m_unitFactor * w.normals;
            for (Index j = 0; j < m; ++j) {
                const Index t = q.observed[j] - 1;
                w.units(i, j) = q.fixedMeans(j) + w.clusterEffects(t) + w.unitEffects(t);
            }
        }
        return;
    }
    for (Index j = 0; j < m; ++j) {
        const double mean = q.fixedMeans(j) + w.clusterEffects(q.observed[j] - 1);
        for (Index i = 0; i < m_n; ++i) {
            w.units(i, j) = mean + m_unitSd * random.normal();
        }
    }
}

bool PeriodSampler::draw(RandomStream& random, PeriodData& data, Draws& w,
                         const std::atomic<bool>* stop) const {
    data.n = m_n;
    data.sequences.resize(m_sequences.size());
    for (std::size_t s = 0; s < m_sequences.size(); ++s) {
        const Sequence& q = m_sequences[s];
        SequenceSums& sums = data.sequences[s];
        sums.clear(static_cast<Index>(q.observed.size()));
        for (Index k = 0; k < q.clusters; ++k) {
            if (stop != nullptr && stop->load(std::memory_order_relaxed)) {
                return false;
            }
            drawCluster(random, q, w);
            sums.addCluster(w.units);
        }
    }
    return true;
}

}  // namespace tavi
