// The REML fit of a cluster design over periods: the fixed part of the design (intercept, period
// effects, treatment), the clusters' effects over the periods and the units' deviations, with
// the correlations of the design's own model estimated, by restricted maximum likelihood over
// the data set's sums, and the coefficients by generalised least squares at those estimates.
#pragma once

#include "engine/ClusterPeriods.h"
#include "engine/simulation/FitStatus.h"
#include "engine/simulation/PeriodCriterion.h"
#include "engine/simulation/PeriodData.h"

#include <Eigen/Core>
#include <atomic>

namespace tavi {

struct PeriodFit {
    // Converged; ZeroVariance with the clusters' variance estimated as 0 (below 1e-8 times the
    // units'); Failed or Stopped without estimates.
    FitStatus status = FitStatus::Failed;
    Eigen::VectorXd beta;             // the coefficients
    Eigen::VectorXd standardErrors;   // theirs, model-based: the root of diag((X' V^-1 X)^-1)
    double variance = 0.0;            // within a period, the clusters' and the units' together
    PeriodCorrelations correlations;  // the estimates, and the design's where it fixes them
    double logLikelihood = 0.0;       // the REML log-likelihood
};

// Fits data, a data set of the design whose criterion is given, with the model of the design's
// correlations planned. Estimated are the ratio of the clusters' variance to the units' (at least
// 0) and each correlation that planned does not fix at 1: cac and decay, each within [0, 1]; in
// a cohort iac within [0, 1) and the cohort's decay within [0, 1]. The criterion, with the
// variance profiled out, is minimised within these bounds by the derivative-free search, from
// planned's values. Never throws and always ends: a search that does not converge, or data whose
// fixed part cannot be estimated, give Failed; a stop (if given) set during the search Stopped.
PeriodFit fitPeriodReml(const PeriodData& data, PeriodCriterion& criterion,
                        const PeriodCorrelations& planned, const std::atomic<bool>* stop = nullptr);

}  // namespace tavi
