// Keeps the points of a three-level run as it sweeps, with its coefficients and their degrees
// of freedom, for the tests of the coefficients.
#pragma once

#include "engine/run/RunResults.h"
#include "engine/run/ThreeLevelRun.h"

#include <optional>
#include <string>
#include <vector>

namespace tavi {

class ThreeLevelCollector : public ThreeLevelObserver {
public:
    // names: the variables' names in the model's order.
    ThreeLevelCollector(std::vector<std::string> names, bool budgetMode)
        : m_names(std::move(names)), m_budgetMode(budgetMode) {}

    void sweepStarts(const ThreeLevelDesign& design, std::int64_t points) override;
    void pointDone(const ThreeLevelPoint& point, std::int64_t cost) override;

    // Empty until the sweep has started: a refused design has no results.
    std::optional<RunResults>& results() { return m_results; }

private:
    std::vector<std::string> m_names;
    bool m_budgetMode;
    std::optional<RunResults> m_results;
};

}  // namespace tavi
