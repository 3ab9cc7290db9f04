// The replications of a simulation: each draws one data set from its own random stream and fits
// it by REML. They run in parallel, and since a replication's stream depends only on the seed
// and its number, the results are the same for any number of threads. What a data set is and how
// it is fitted is the design's: one interface over the nested designs and the cluster designs
// over periods, so that the threads, the stop and the progress are written once.
#pragma once

#include "engine/simulation/FitStatus.h"
#include "engine/simulation/RandomStream.h"

#include <Eigen/Core>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tavi {

// One thread's working space for replications: its data set and its fit.
class ReplicationWork {
public:
    virtual ~ReplicationWork() = default;

    // Draws the data set of random's stream and fits it. Unless the fit failed or was stopped,
    // leaves the estimates of the coefficients and their model-based standard errors in
    // estimates and standardErrors. Returns Stopped when stop was set before the draw and the
    // fit ended.
    virtual FitStatus replicate(RandomStream& random, const std::atomic<bool>& stop,
                                Eigen::VectorXd& estimates, Eigen::VectorXd& standardErrors) = 0;
};

// A design at one sample-size point with the true values of its coefficients: what the
// replications draw and fit. Only read once made, so that one serves every thread.
class ReplicatedDesign {
public:
    virtual ~ReplicatedDesign() = default;

    virtual int coefficients() const = 0;
    // Working space for the replications of one thread.
    virtual std::unique_ptr<ReplicationWork> newWork() const = 0;
};

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
// as it goes), and all that did not finish stay not run.
ReplicationResults runReplications(const ReplicatedDesign& design, const SimulationPlan& plan,
                                   const std::atomic<bool>& stop,
                                   const ProgressReport& progress = nullptr);

}  // namespace tavi
