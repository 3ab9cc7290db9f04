// The nested design of a cluster design over periods: the variables period2, ..., periodT and
// treatment at the level of the cluster-periods, whose coefficients follow the intercept in
// that order, and the sample sizes of its sweep.
#pragma once

#include "engine/ClusterPeriods.h"
#include "engine/NestedDesign.h"
#include "engine/SampleSizes.h"

#include <cstdint>

namespace tavi {

// The fewest clusters in all that give every sequence a whole number of them: the sum of the
// shares over their greatest common divisor when the shares are whole numbers, else 1.
std::int32_t clustersPerRound(const ClusterPeriods& periods);

// The design of periods, which must hold at least one sequence of at most dimmax - 1 periods and
// shares of which some is above 0, sweeping the clusters of all sequences K over clusters and
// the units of a cluster-period over units. The model's variances are those of the exchangeable
// design: 1 - icc within cluster-periods, icc (1 - cac) between the periods of a cluster and
// icc cac between clusters.
NestedDesign periodDesignOf(ClusterPeriods periods, const CountRange& clusters,
                            const CountRange& units);

}  // namespace tavi
