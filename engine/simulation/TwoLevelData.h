// One data set of a two-level design, as the REML fit takes it: the units of each group in
// consecutive rows.
#pragma once

#include <Eigen/Core>
#include <vector>

namespace tavi {

struct TwoLevelData {
    Eigen::MatrixXd X;  // units x fixed coefficients, in coefficient order
    Eigen::MatrixXd Z;  // units x random effects: a column of ones, then the random-slope values
    Eigen::VectorXd y;  // the outcome
    // Row of the first unit of each group, followed by the number of units.
    std::vector<Eigen::Index> groupStart;
};

}  // namespace tavi
