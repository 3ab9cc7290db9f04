// Simulated data sets of a cluster design over periods at one point, drawn unit by unit and kept
// as the sums the REML fit takes (PeriodData): every cluster's effects over the periods, and in
// every cluster-period it observes n units, new ones in cross-sections, the same n in a cohort.
#pragma once

#include "engine/ClusterPeriods.h"
#include "engine/simulation/PeriodData.h"
#include "engine/simulation/RandomStream.h"

#include <Eigen/Core>
#include <atomic>
#include <cstdint>
#include <vector>

namespace tavi {

class PeriodSampler {
public:
    // Working space of one thread's draws.
    struct Draws {
        Eigen::VectorXd normals;
        Eigen::VectorXd clusterEffects;
        Eigen::VectorXd unitEffects;
        Eigen::MatrixXd units;
    };

    // The design d at K clusters in all, of which each sequence has its share (rounded to a
    // whole number, which it should be), and n >= 1 units in every cluster-period; coefficients
    // holds the true values in the design's order.
    PeriodSampler(const ClusterPeriods& d, std::int32_t K, std::int32_t n,
                  const Eigen::VectorXd& coefficients);

    // Draws one data set into data, sequence by sequence and cluster by cluster. A cluster's
    // effects over all periods are normal with covariance icc R_C, R_C the clusters'
    // correlations between periods. In cross-sections each unit of an observed cluster-period
    // has a deviation of its own, normal with variance 1 - icc; in a cohort each of the
    // cluster's n units has deviations over all periods, normal with covariance (1 - icc) R_I,
    // R_I the units' correlations, of which the observed periods are used. A unit's outcome is
    // its period's fixed part, its cluster's effect and its own deviation. Returns false, with
    // the data set incomplete, when stop (if given) is set before the last cluster.
    bool draw(RandomStream& random, PeriodData& data, Draws& w,
              const std::atomic<bool>* stop = nullptr) const;

private:
    struct Sequence {
        Eigen::Index clusters;
        std::vector<std::int32_t> observed;
        Eigen::VectorXd fixedMeans;  // of the observed periods
    };

    void drawCluster(RandomStream& random, const Sequence& q, Draws& w) const;

    std::vector<Sequence> m_sequences;
    bool m_cohort;
    Eigen::Index m_n;
    Eigen::MatrixXd m_clusterFactor;  // F F' = icc R_C over all periods
    Eigen::MatrixXd m_unitFactor;     // in a cohort F F' = (1 - icc) R_I over all periods
    double m_unitSd;                  // sqrt(1 - icc)
};

}  // namespace tavi
