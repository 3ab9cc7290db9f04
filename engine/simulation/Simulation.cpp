#include "engine/simulation/Simulation.h"

#include "engine/CovarianceComputation.h"
#include "engine/EngineState.h"
#include "engine/power/GroupSizeDistribution.h"
#include "engine/simulation/DesignSampler.h"

#include <memory>

namespace tavi {

SimulationSummary simulateDesign(const EngineState& design, const SimulationRequest& request,
                                 const DegreesOfFreedom& df, const std::atomic<bool>& stop,
                                 const ProgressReport& progress) {
    const auto point = std::make_unique<EngineState>(design);
    const EngineState& e = *point;
    const auto planned = std::make_unique<GroupSizeSupport>();
    const auto sizes = std::make_unique<GroupSizeSupport>();
    // Given sizes are one design of their own, whatever point was asked for.
    const SweepPoint at = request.sizes.sizes.empty() ? SweepPoint{request.N, request.n, 0}
                                                      : givenSizesPoint(request.sizes, design);
    computePointWithSizes(*point, request.sizes, at.n, at.N, *planned, *sizes);
    const std::vector<AnalyticAnswer> answers =
        analyticAnswers(e, df, request.test, request.effects);
    Eigen::VectorXd coefficients(e.NumCoef);
    for (int c = 0; c < e.NumCoef; ++c) {
        coefficients(c) = answers[c].trueValue;
    }
    const DesignSampler sampler(e, at.N, at.n, coefficients, request.sizes);
    return summarise(runReplications(sampler, request.plan, stop, progress), answers,
                     request.test.oneSided);
}

}  // namespace tavi
