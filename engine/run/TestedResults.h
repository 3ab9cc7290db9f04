// The contrasts and joint tests that a user adds in the results window, brought to a design's
// results: every point and the search over the group sizes computed again for them.
#pragma once

#include "engine/power/QuantityNames.h"
#include "engine/run/DesignResults.h"
#include "engine/run/TestOptions.h"

#include <memory>
#include <vector>

namespace tavi {

// The coefficients with the contrasts and joint tests of options that they allow. Those they do
// not allow (a coefficient an edit took away), and the df of names they lack, are dropped from
// options.
QuantityNames keptQuantities(const std::vector<Coefficient>& coefficients, TestOptions& options);

// results with a table of tested's quantities and joint tests, tested made for its coefficients.
DesignResults withTested(DesignResults results, std::shared_ptr<const TestedQuantities> tested);

}  // namespace tavi
