// A planned design checked by simulation at one sample-size point: data sets drawn from the
// design with the given effects, each fitted by REML and tested, summarised beside the analytic
// standard errors and power of the same point.
#pragma once

#include "engine/power/DegreesOfFreedom.h"
#include "engine/power/TestPower.h"
#include "engine/simulation/Replications.h"
#include "engine/simulation/SimulationSummary.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

namespace tavi {

struct SimulationRequest {
    std::int32_t N = 1;  // groups, at least 1; with given sizes their number
    std::int32_t n = 1;  // units per group, at least 1; with given sizes their mean
    SimulationPlan plan;
    TestSettings test;
    std::vector<std::optional<double>> effects;  // per coefficient; the others are 0
    GroupSizeSettings sizes;  // how the groups' sizes differ from n, for both the analytic
                              // answer and the data sets
};

// Simulates design, whose run constants are prepared, at the request's point.
SimulationSummary simulateDesign(const EngineState& design, const SimulationRequest& request,
                                 const DegreesOfFreedom& df, const std::atomic<bool>& stop,
                                 const ProgressReport& progress = nullptr);

}  // namespace tavi
