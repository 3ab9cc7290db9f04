#include "engine/simulation/Simulation.h"

#include "engine/simulation/NestedReplications.h"

#include <memory>

namespace tavi {

SimulationSummary simulateDesign(const PreparedDesign& design, const SimulationRequest& request,
                                 const DegreesOfFreedom& df, const std::atomic<bool>& stop,
                                 const ProgressReport& progress) {
    const std::unique_ptr<PointWork> work = design.information->newWork();
    const GroupSizeSettings& sizes = design.design.unequal;
    Vector efficiency;
    const PointCovariance covariance =
        sizes.inForce() ? design.information->computeWithSizes(*work, request.point, efficiency)
                        : design.information->compute(*work, request.point);
    const std::vector<AnalyticAnswer> answers =
        analyticAnswers(request.point, covariance, df, request.test, request.effects);
    Eigen::VectorXd coefficients(covariance.NumCoef);
    for (int c = 0; c < covariance.NumCoef; ++c) {
        coefficients(c) = answers[c].trueValue;
    }
    const NestedReplications replicated(design.design, request.point, coefficients);
    return summarise(runReplications(replicated, request.plan, stop, progress), answers,
                     request.test.oneSided);
}

}  // namespace tavi
