#include "engine/run/TestedResults.h"

#include "engine/GroupSizeSupport.h"
#include "engine/power/GroupSizeDistribution.h"

#include <algorithm>
#include <utility>

namespace tavi {

QuantityNames keptQuantities(const std::vector<Coefficient>& coefficients, TestOptions& options) {
    QuantityNames names(coefficients);
    std::erase_if(options.contrasts, [&](const auto& contrast) {
        try {
            names.addContrast(contrast.first, contrast.second);
            return false;
        } catch (const QuantityError&) {
            return true;
        }
    });
    std::erase_if(options.jointTests, [&](const auto& joint) {
        try {
            names.addJointTest(joint.first, joint.second);
            return false;
        } catch (const QuantityError&) {
            return true;
        }
    });
    const std::vector<std::string> all = names.allNames();
    std::erase_if(options.dfs, [&](const auto& df) {
        return std::find(all.begin(), all.end(), df.first) == all.end();
    });
    return names;
}

DesignResults withTested(DesignResults results, std::shared_ptr<const TestedQuantities> tested) {
    RunResults& run = results.run;
    SweepTable table(std::move(tested), run.table.budgetMode());
    // Working space too large for the stack.
    const auto e = std::make_unique<EngineState>(*results.design);
    const auto planned = std::make_unique<GroupSizeSupport>();
    const auto sizes = std::make_unique<GroupSizeSupport>();
    for (std::size_t i = 0; i < run.table.size(); ++i) {
        const SweepPoint& point = run.table.point(i);
        computePointWithSizes(*e, run.sizes, point.n, point.N, *planned, *sizes);
        table.addCurrent(*e, point.cost);
    }
    run.table = std::move(table);
    return completeResults(std::move(run), std::move(results.design), {});
}

}  // namespace tavi
