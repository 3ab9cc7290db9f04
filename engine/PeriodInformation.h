// The information matrix of the coefficients of a cluster design over periods, and its inverse,
// by generalised least squares over the clusters' period means: the means are sufficient for
// coefficients constant within a cluster-period, since the units of a cluster-period are
// exchangeable. A sequence's clusters each contribute X' V^-1 X, X the sequence's observed
// periods (intercept, period differences, treatment) and V the covariance of their means.
#pragma once

#include "engine/ClusterPeriods.h"
#include "engine/Matrix.h"

#include <cstdint>

namespace tavi {

// Working space of one point.
struct PeriodPoint {
    Matrix InfoMatrix;
    Matrix CovCoef;
    Matrix covariance;  // of the observed period means of one sequence
    Matrix precision;   // its inverse
};

// The information and covariance with K clusters in all, shared among the sequences as d says,
// and n units in each cluster-period; d must have at least one sequence, at most dimmax - 1
// periods and a share above 0. Allocates nothing.
void computePeriodPoint(const ClusterPeriods& d, PeriodPoint& p, double K, double n);

}  // namespace tavi
