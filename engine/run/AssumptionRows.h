// The fields of a design read from a file, built from its levels (or, over periods, from its
// correlations): each a value of the design in a planner's words with the rule its text must
// follow, how to read it from the design and how to set it.
#pragma once

#include "engine/NestedDesign.h"
#include "engine/run/Assumptions.h"

#include <functional>
#include <string>
#include <vector>

namespace tavi {

struct AssumptionRow {
    AssumptionField field;
    double least;       // the smallest value allowed
    bool above;         // the value must lie above least, not only reach it
    double most;        // a value must lie below this
    bool mostIncluded;  // or may reach it
    bool whole;         // a whole number
    bool derived;       // follows from other rows, shown with fewer digits
    std::function<double(const NestedDesign&)> get;
    std::function<void(NestedDesign&, double)> set;
    // For the largest value of a range, which follows the row of its smallest: what to tell the
    // user when it lies below the smallest. Empty for other rows.
    std::string disorder;
    // A choice of words, typed as one of them, whose value is the index of the word; empty for
    // a number.
    std::vector<std::string> words;
    // Whether the row has a part in d, as a cohort's correlations only with a cohort; empty for
    // a row that always has.
    std::function<bool(const NestedDesign&)> applies;
};

// The rows of d, a held design, in the order the panel shows them: the variances with the
// intraclass correlations they imply, the variances of the random slopes, and the sample sizes;
// over periods the correlations of the clusters and of a cohort, and the sample sizes.
std::vector<AssumptionRow> assumptionRows(const NestedDesign& d);

// Whether row has a part in d.
bool rowApplies(const AssumptionRow& row, const NestedDesign& d);

// The text that row shows for value.
std::string rowText(const AssumptionRow& row, double value);

// Why text cannot be row's value in d, or empty when value holds it: it must follow the row's
// rule and leave the residual variance above 0.
std::string rowProblem(const AssumptionRow& row, const std::string& text, const NestedDesign& d,
                       double& value);

}  // namespace tavi
