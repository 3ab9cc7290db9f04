#include "engine/simulation/Simulation.h"

#include "engine/CovarianceComputation.h"
#include "engine/EngineState.h"
#include "engine/simulation/DesignSampler.h"

namespace tavi {

SimulationSummary SimulateDesign(const SimulationRequest& request, const DegreesOfFreedom& df,
                                 const std::atomic<bool>& stop, const ProgressReport& progress) {
    ComputePoint(request.n, request.N);
    const EngineState& e = TaviCalcs;
    const std::vector<AnalyticAnswer> answers =
        AnalyticAnswers(e, df, request.test, request.effects);
    Eigen::VectorXd coefficients(e.NumCoef);
    for (int c = 0; c < e.NumCoef; ++c) {
        coefficients(c) = answers[c].trueValue;
    }
    const DesignSampler sampler(e, request.N, request.n, coefficients);
    return Summarise(RunReplications(sampler, request.plan, stop, progress), answers,
                     request.test.oneSided);
}

}  // namespace tavi
