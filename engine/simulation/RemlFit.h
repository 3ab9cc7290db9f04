// The REML fit of a nested model: the fixed part X, random effects between groups (the columns
// of Z2: an intercept and random slopes) and, with sites, between sites (those of Z3), each level
// with an unstructured covariance matrix, and independent residuals with variance sigma2. The
// variances are estimated by restricted maximum likelihood, the fixed coefficients by generalised
// least squares at those variances.
#pragma once

#include "engine/simulation/FitStatus.h"
#include "engine/simulation/NestedData.h"

#include <Eigen/Core>
#include <atomic>

namespace tavi {

struct RemlFit {
    FitStatus status = FitStatus::Failed;
    Eigen::VectorXd beta;            // the fixed coefficients
    Eigen::VectorXd standardErrors;  // theirs, model-based: the root of diag((X' V^-1 X)^-1)
    double sigma2 = 0.0;
    Eigen::MatrixXd tau2;  // between groups
    Eigen::MatrixXd tau3;  // between sites; empty without sites
    // -1/2 ((units - p) log(2 pi) + log|V| + log|X' V^-1 X| + r' V^-1 r), r the GLS residuals
    double logLikelihood = 0.0;
    int iterations = 0;
};

// Fits the model to data, which needs at least one group (with sites, one site), more units than
// fixed coefficients and a level-2 intercept. Never throws and always ends: a fit that does not
// converge within a fixed number of iterations is Failed, and one during which stop (when given)
// is set ends soon as Stopped.
//
// sigma2 and the fixed coefficients are profiled out; the remaining criterion is a function of
// the Cholesky factors L2 of Tau2 / sigma2 and L3 of Tau3 / sigma2, so that every iterate's
// Tau = sigma2 L L' is positive semidefinite, and a variance at 0 is a point inside the parameter
// space rather than an edge. It is minimised by Newton's method with the analytic gradient, a
// Hessian from differences of gradients whose eigenvalues are made positive where it is not
// positive definite, and halving of steps that do not lower the criterion enough. Where Newton's
// method does not converge (the criterion is flat along a curve where a variance is 0, or its
// minimum lies where a factor's diagonal is 0), a derivative-free search with the diagonals of
// L2 and L3 bounded by 0 takes over from Newton's last point.
//
// A Tau counts as singular when a diagonal element of its L, a random effect's standard
// deviation given those before it relative to sigma, is below 1e-4; a variance then counts as 0
// when it is below 1e-8 sigma2.
RemlFit fitReml(const NestedData& data, const std::atomic<bool>* stop = nullptr);

}  // namespace tavi
