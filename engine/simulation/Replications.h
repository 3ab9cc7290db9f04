// The replications of a simulation: each draws one data set from its own random stream and fits
// it by REML. They run in parallel, and since a replication's stream depends only on the seed
// and its number, the results are the same for any number of threads.
#pragma once

#include "engine/simulation/DesignSampler.h"
#include "engine/simulation/RemlFit.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace tavi {

struct SimulationPlan {
    std::int64_t replications = 1;  // at least 1
    std::uint64_t seed = 0;
    int threads = 1;  // at least 1
};

// What each replication's fit gave, by replication number.
struct ReplicationResults {
    int coefficients = 0;
    std::vector<std::optional<FitStatus>> status;  // empty for a replication not run
    std::vector<double> estimates;                 // replication by replication
    std::vector<double> standardErrors;            // likewise

    double estimate(std::int64_t r, int c) const { return estimates[r * coefficients + c]; }
    double standardError(std::int64_t r, int c) const {
        return standardErrors[r * coefficients + c];
    }
};

// Called on the calling thread, about ten times a second, with the number of replications done.
using ProgressReport = std::function<void(std::int64_t done)>;

// Runs the replications of plan on plan.threads threads. Once stop is set, no further
// replication starts, those running end where they are (their data set or fit checks the stop
// once per group), and all that did not finish stay not run.
ReplicationResults runReplications(const DesignSampler& sampler, const SimulationPlan& plan,
                                   const std::atomic<bool>& stop,
                                   const ProgressReport& progress = nullptr);

}  // namespace tavi
