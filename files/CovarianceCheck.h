// Whether the covariance matrices of a design can be covariance matrices at all. A symmetric
// matrix that is not positive semidefinite gives standard errors that mean nothing, so the
// program warns about it, but still computes with it.
#pragma once

#include "engine/Matrix.h"
#include "engine/NestedDesign.h"

#include <string>
#include <string_view>
#include <vector>

namespace tavi {

struct CovarianceCheck {
    bool valid;
    double smallestEigenvalue;  // 0 for an empty matrix, NaN when a value is not finite
};

// Checks the symmetric matrix given by the lower triangle and diagonal of m(1..order,
// 1..order); the entries above the diagonal are not read. It is valid when no variance on the
// diagonal is below 0 and no eigenvalue is below -1e-10 times the largest absolute diagonal
// value, the room that the eigenvalue computation's rounding needs for a singular matrix.
// Expects 0 <= order <= dimmax.
CovarianceCheck checkCovarianceMatrix(const Matrix& m, int order);

enum class CovarianceMatrixKind { Within, Between, RandomEffects };

// The warning for the matrix of the given kind, naming it and its smallest eigenvalue; an empty
// text when it is a valid covariance matrix. Expects 0 <= order <= dimmax.
std::string covarianceWarning(CovarianceMatrixKind kind, const Matrix& m, int order);
// The same for a matrix named name ("level-3 random-effects covariance matrix").
std::string covarianceWarning(std::string_view name, const Matrix& m, int order);

// The warnings about the matrices of d, a held design, one line each: with two levels its
// within-groups, between-groups and random-effects matrices, with three levels its level-2 and
// level-3 random effects', within-groups, between-groups and between-sites matrices.
std::vector<std::string> covarianceFindings(const NestedDesign& d);

}  // namespace tavi
