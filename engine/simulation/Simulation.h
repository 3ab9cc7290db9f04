// A planned design checked by simulation at one sample-size point: data sets drawn from the
// design with the given effects, each fitted by REML and tested, summarised beside the analytic
// standard errors and power of the same point.
#pragma once

#include "engine/DesignInformation.h"
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
    SweepPoint point;  // at least one top-level unit, J and n at least 1
    SimulationPlan plan;
    TestSettings test;
    std::vector<std::optional<double>> effects;  // per coefficient; the others are 0
};

// Simulates the prepared design at the request's point, with the sizes of its groups as the
// design says, for both the analytic answer and the data sets.
SimulationSummary simulateDesign(const PreparedDesign& design, const SimulationRequest& request,
                                 const DegreesOfFreedom& df, const std::atomic<bool>& stop,
                                 const ProgressReport& progress = nullptr);

}  // namespace tavi
