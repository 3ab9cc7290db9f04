// The REML fit of a two-level model: the fixed part X, a random intercept and random slopes
// (the columns of Z) with an unstructured covariance matrix Tau, and independent residuals with
// variance sigma2. The variances are estimated by restricted maximum likelihood, the fixed
// coefficients by generalised least squares at those variances.
#pragma once

#include "engine/simulation/TwoLevelData.h"

#include <Eigen/Core>

namespace tavi {

enum class FitStatus {
    Converged,  // the REML estimates, with Tau positive definite
    Boundary,   // the REML estimates, with Tau singular: some variance estimated as 0
    Failed,     // no estimates: no convergence, or the fixed part cannot be estimated
};

struct RemlFit {
    FitStatus status = FitStatus::Failed;
    Eigen::VectorXd beta;            // the fixed coefficients
    Eigen::VectorXd standardErrors;  // theirs, model-based: the root of diag((X' V^-1 X)^-1)
    double sigma2 = 0.0;
    Eigen::MatrixXd tau;
    // -1/2 ((units - p) log(2 pi) + log|V| + log|X' V^-1 X| + r' V^-1 r), r the GLS residuals
    double logLikelihood = 0.0;
    int iterations = 0;
};

// Fits the model to data, which needs at least one group and more units than fixed
// coefficients. Never throws and always ends: a fit that does not converge within a fixed
// number of iterations is Failed.
//
// sigma2 and the fixed coefficients are profiled out; the remaining criterion is a function of
// the Cholesky factor L of Tau / sigma2, so that every iterate's Tau = sigma2 L L' is positive
// semidefinite, and a variance at 0 is a point inside the parameter space rather than an edge.
// It is minimised by Newton's method with the analytic gradient, a Hessian from differences of
// gradients whose eigenvalues are made positive where it is not positive definite, and halving
// of steps that do not lower the criterion enough.
RemlFit fitReml(const TwoLevelData& data);

}  // namespace tavi
