// Correlated normal draws: the factor that turns independent standard normals into draws with a
// given covariance matrix.
#pragma once

#include <Eigen/Core>

namespace tavi {

// F with F F' = covariance. A pivoted LDL' decomposition, so that semidefinite matrices (a
// variance of 0, perfectly correlated variables) work too; negative pivots, which only a matrix
// that is no covariance matrix has, count as 0.
Eigen::MatrixXd covarianceFactor(const Eigen::MatrixXd& covariance);

}  // namespace tavi
