// A cluster design over periods: clusters that follow sequences of control and treated periods
// (a stepped wedge, parallel arms over several periods, a crossover), measured in every period
// they are observed either in cross-sections of new units or in a cohort of the same units.
//
// The outcome's total variance within a period is 1: the cluster's share icc, the units' 1 - icc.
// Between two periods t and s of a cluster, its effects correlate cac * decay^|t - s| (block
// exchangeable with decay 1, exponential decay with cac 1) and, in a cohort, a unit's effects
// iac * cohortDecay^|t - s|.
#pragma once

#include "engine/Matrix.h"

#include <cstdint>
#include <vector>

namespace tavi {

enum class PeriodCell : std::uint8_t { Control, Treated, Unobserved };

struct PeriodCorrelations {
    double icc = 0.0;  // within a period, [0, 1)
    double cac = 1.0;  // the cluster autocorrelation, [0, 1]
    double decay = 1.0;
    bool cohort = false;
    double iac = 0.0;  // the individual autocorrelation of a cohort, [0, 1]
    double cohortDecay = 1.0;
};

struct ClusterPeriods {
    // One row of periods per sequence, all of the same length.
    std::vector<std::vector<PeriodCell>> sequences;
    // Each sequence's share of the clusters, relative to the others' (1 each for equal shares).
    std::vector<double> clusterShares;
    PeriodCorrelations correlations;

    std::int32_t periods() const {
        return sequences.empty() ? 0 : static_cast<std::int32_t>(sequences.front().size());
    }
    // The intercept, a difference from period 1 for each later period, and the treatment.
    std::int32_t coefficientCount() const { return periods() + 1; }
};

// The clusters of sequence s (0-based) among K clusters in all.
double clustersOfSequence(const ClusterPeriods& periods, std::size_t s, double K);

// The correlation of a cluster's effects between periods t and s (1-based).
double clusterCorrelation(const PeriodCorrelations& c, std::int32_t t, std::int32_t s);

// The correlation of a unit's deviations between periods t and s (1-based): in a cohort those of
// one unit, in cross-sections those of different units, 0 between periods.
double unitCorrelation(const PeriodCorrelations& c, std::int32_t t, std::int32_t s);

// The covariance of a cluster's period means between periods t and s (1-based) with n units in
// each cluster-period.
double periodMeansCovariance(const PeriodCorrelations& c, std::int32_t t, std::int32_t s, double n);

// The coefficients (1-based) that a period's mean has 1 in: the intercept, the period's
// difference from period 1, and the treatment when treated.
struct PeriodColumns {
    std::int32_t count = 0;
    std::int32_t columns[3]{};
};

PeriodColumns periodColumns(const ClusterPeriods& periods, std::int32_t period, PeriodCell cell);

}  // namespace tavi
