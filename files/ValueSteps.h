// The value steps of the entry sequence as data: for each vector, matrix and single value of a
// design, in the order the user enters them, what the explanation area says, the grid's
// headings, shape and row and column names, and the field of the record it fills. The main
// window walks this table.
#pragma once

#include "files/DesignParameters.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tavi {

// The lines of the main window's explanation area, numbered 0 to 9.
inline constexpr int kExplanationLines = 10;

// The smallest residual variance a design may have; a value entered that is not above 0 becomes
// this.
inline constexpr double kSmallestResidualVariance = 0.000001;

enum class DesignValue { Means1, Means2, WithinCov, BetweenCov, ResidualVariance, Tau };

// How the grid shows a value: a column, a symmetric matrix (only its lower triangle is entered)
// or one cell.
enum class ValueShape { Vector, Matrix, Single };

struct ValueStep {
    DesignValue value;
    ValueShape shape;
    int order;  // rows of the grid
    std::array<std::string, kExplanationLines> explanation;
    std::string heading;
    std::string heading2;
    // What each row and column of the grid holds, in the order the explanation gives: the
    // level-1 variables x1.. (those with a fixed effect only first), the level-2 variables
    // w1.., the group means of the level-1 variables, the intercept and the random slopes.
    std::vector<std::string> rowNames;
    std::vector<std::string> columnNames;
};

// The steps for the counts k, k1 and kw, which must fit the capacity. A quantity of order 0 has
// no step.
std::vector<ValueStep> valueStepsFor(std::int32_t k, std::int32_t k1, std::int32_t kw);

// The residual variance that a design keeps for an entered value: the value itself when it is
// above 0, the smallest residual variance otherwise.
double keptResidualVariance(double entered);

// Copies the lower triangle of rows 1..order of m into its upper triangle.
void mirrorLowerTriangle(Matrix& m, int order);

}  // namespace tavi
