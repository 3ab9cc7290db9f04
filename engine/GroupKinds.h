// The kinds of groups of a design whose groups are not all alike, such as a trial's arms: each
// kind has its share of the groups, the value its groups give the variable that tells the kinds
// apart (the arm: 1 in a treated group, 0 in a control group), and variances and a group size of
// its own. Within the groups of one kind the arm is a constant, so the information of such a
// design is the sum over the kinds of each kind's number of groups times the information of one
// of its groups, each computed from a model of its own.
#pragma once

#include "engine/Matrix.h"
#include "engine/NestedModel.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace tavi {

struct GroupKind {
    double share = 1.0;     // of the groups
    double armValue = 0.0;  // of the arm variable in its groups
    double Sigma2 = 1.0;    // level-1 residual variance
    Matrix Tau2{};          // level-2 random effects, in the model's order
    // The units of each of its groups when not the point's n: 1 for units on their own.
    std::optional<std::int32_t> groupSize;
};

struct GroupKinds {
    std::int32_t armVariable = 0;  // a level-2 variable, numbered as the model numbers them
    std::vector<GroupKind> kinds;
};

// The model of the groups of one kind of a two-level model m: its variances the kind's, and the
// arm at the kind's value, a mean with no variance and no covariance with any other variable.
// Throws std::invalid_argument when the arm is not one of m's level-2 variables.
NestedModel kindModel(const NestedModel& m, std::int32_t armVariable, const GroupKind& kind);

}  // namespace tavi
