// The summary of a simulation as CSV, for further processing: one row per coefficient with
// the analytic and the simulated figures. What is not available is an empty field.
#pragma once

#include "engine/Coefficients.h"
#include "engine/simulation/SimulationSummary.h"
#include "files/TextFileWriter.h"

#include <vector>

namespace tavi {

// coefficient,true_value,analytic_se,empirical_sd,mean_model_se,bias,coverage,analytic_power,
// empirical_power,replications,failed_fits; the power fields empty for a coefficient without
// an effect, replications the number of fits used.
void writeSimulationCsv(TextFileWriter& out, const SimulationSummary& summary,
                        const std::vector<Coefficient>& coefficients);

}  // namespace tavi
