// One data set of a nested design, as the REML fit takes it: units in groups and, with three
// levels, groups in sites; the units of each group in consecutive rows, the groups of each site
// one after another.
#pragma once

#include <Eigen/Core>
#include <vector>

namespace tavi {

struct NestedData {
    Eigen::MatrixXd X;  // units x fixed coefficients, in coefficient order
    // Units x random effects at level 2 (between groups) and at level 3 (between sites): each a
    // column of ones, then the values of the variables whose slopes vary there. Without sites Z3
    // has no columns.
    Eigen::MatrixXd Z2;
    Eigen::MatrixXd Z3;
    Eigen::VectorXd y;  // the outcome
    // Row of the first unit of each group, followed by the number of units.
    std::vector<Eigen::Index> groupStart;
    // The first group of each site, followed by the number of groups; empty without sites.
    std::vector<Eigen::Index> siteStart;
};

}  // namespace tavi
