#include "engine/run/TestedResults.h"

#include <algorithm>
#include <memory>
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
    const PreparedDesign& design = *run.design;
    SweepTable table(std::move(tested), run.table.budgetMode(), run.table.levels());
    const std::unique_ptr<PointWork> work = design.information->newWork();
    Vector efficiency;
    for (std::size_t i = 0; i < run.table.size(); ++i) {
        const SweepPoint& point = run.table.point(i);
        table.add(point, run.sizes().inForce()
                             ? design.information->computeWithSizes(*work, point, efficiency)
                             : design.information->compute(*work, point));
    }
    run.table = std::move(table);
    return completeResults(std::move(run), {});
}

}  // namespace tavi
