// The summary of a simulation that tavi-calc shows on standard output: where and how often it
// simulated, how the fits went, and a table with each coefficient's analytic and simulated
// figures, the latter with their Monte Carlo standard errors.
#pragma once

#include "engine/Coefficients.h"
#include "engine/SampleSizes.h"
#include "engine/power/TestPower.h"
#include "engine/simulation/SimulationSummary.h"

#include <cstdint>
#include <iosfwd>
#include <vector>

namespace tavi {

struct SimulationSetting {
    SweepPoint point;
    std::uint64_t seed;
    TestSettings test;
};

void writeSimulationReport(std::ostream& out, const SimulationSetting& setting,
                           const SimulationSummary& summary,
                           const std::vector<Coefficient>& coefficients);

}  // namespace tavi
