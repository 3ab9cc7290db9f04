// One data set of a cluster design over periods, reduced to what its REML fit needs. The fixed
// part is the same for every unit of a cluster-period, so a cluster tells it through its period
// means alone, and the variances through those means and its units' deviations from them: per
// sequence, whose clusters share their periods and fixed part, the mean and the scatter of the
// clusters' period means and the sum of the units' cross-products about them.
#pragma once

#include "engine/ClusterPeriods.h"

#include <Eigen/Core>
#include <cstdint>
#include <vector>

namespace tavi {

// The clusters of one sequence over its m observed periods.
struct SequenceSums {
    Eigen::Index clusters = 0;
    Eigen::VectorXd meanOfMeans;     // the mean over the clusters of their period means
    Eigen::MatrixXd scatterOfMeans;  // the sum of (ybar_c - mean)(ybar_c - mean)' over them
    // The sum over the clusters and their units of (y_ci - ybar_c)(y_ci - ybar_c)', y_ci unit i's
    // outcomes. In a cohort these are one unit's outcomes in the m periods. In cross-sections
    // every cluster-period has units of its own, paired in a row only for the bookkeeping: the
    // diagonal, each period's sum of squares within the cluster, is all that means anything.
    Eigen::MatrixXd within;

    // No clusters, over m observed periods.
    void clear(Eigen::Index m);

    // Adds a cluster whose n units' outcomes are the rows of units (n x m, n >= 1), in the order
    // of the observed periods. Centres units on their period means, in place.
    void addCluster(Eigen::MatrixXd& units);
};

struct PeriodData {
    Eigen::Index n = 0;  // the units of a cluster-period
    std::vector<SequenceSums> sequences;
};

// The periods (1-based) that sequence s of d observes, in order.
std::vector<std::int32_t> observedPeriods(const ClusterPeriods& d, std::size_t s);

// The fixed part of sequence s of d: a row per observed period, a column per coefficient, 1
// where the period's mean has the coefficient.
Eigen::MatrixXd fixedPartOf(const ClusterPeriods& d, std::size_t s);

}  // namespace tavi
