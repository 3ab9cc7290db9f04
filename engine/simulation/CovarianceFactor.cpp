#include "engine/simulation/CovarianceFactor.h"

#include <Eigen/Cholesky>

namespace tavi {

Eigen::MatrixXd covarianceFactor(const Eigen::MatrixXd& covariance) {
    if (covariance.size() == 0) {
        return covariance;
    }
    const Eigen::LDLT<Eigen::MatrixXd> ldlt(covariance);
    const Eigen::VectorXd root = ldlt.vectorD().cwiseMax(0.0).cwiseSqrt();
    const Eigen::MatrixXd lower = ldlt.matrixL();
    return ldlt.transpositionsP().transpose() * (lower * root.asDiagonal());
}

}  // namespace tavi
