// How a REML fit of a simulated data set ended, and how a stop leaves a fit from inside its loops.
#pragma once

namespace tavi {

enum class FitStatus {
    Converged,  // the REML estimates, inside the parameter space
    // The REML estimates on the boundary of the parameter space. A nested fit's Tau2 or Tau3
    // singular: with a variance estimated as 0, or with none at 0 and the random effects of a
    // level perfectly correlated (a correlation of +-1, or with three or more random effects one
    // an exact combination of the others). A fit over periods with the clusters' variance at 0.
    ZeroVariance,
    PerfectCorrelation,
    Failed,   // no estimates: no convergence, or the fixed part cannot be estimated
    Stopped,  // no estimates: the stop was set while the fit ran
};

// Thrown when the stop is set: leaves the fit from inside its loops, among them the differences
// of gradients, which take one gradient per parameter.
struct FitStopped {};

}  // namespace tavi
