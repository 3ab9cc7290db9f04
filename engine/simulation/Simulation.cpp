#include "engine/simulation/Simulation.h"

#include "engine/simulation/NestedReplications.h"
#include "engine/simulation/PeriodReplications.h"

#include <memory>

namespace tavi {

namespace {

// The data sets of the design at point: a cluster design over periods drawn and fitted over its
// periods, any other as a nested design.
std::unique_ptr<const ReplicatedDesign> replicatedDesign(const NestedDesign& d,
                                                         const SweepPoint& point,
                                                         const Eigen::VectorXd& coefficients) {
    if (d.periods) {
        return std::make_unique<PeriodReplications>(*d.periods, point, coefficients);
    }
    return std::make_unique<NestedReplications>(d, point, coefficients);
}

}  // namespace

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
    const std::unique_ptr<const ReplicatedDesign> replicated =
        replicatedDesign(design.design, request.point, coefficients);
    return summarise(runReplications(*replicated, request.plan, stop, progress), answers,
                     request.test.oneSided);
}

}  // namespace tavi
