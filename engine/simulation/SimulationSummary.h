// The simulation beside the analytic answer, coefficient by coefficient: the spread of the
// estimates against the analytic standard error, the model-based standard errors, the bias, the
// coverage of the intervals and the rejection rate against the analytic power, each with its
// Monte Carlo standard error.
#pragma once

#include "engine/DesignInformation.h"
#include "engine/power/DegreesOfFreedom.h"
#include "engine/power/TestPower.h"
#include "engine/simulation/Replications.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace tavi {

// What the analytic computation says about one coefficient at the simulated point. NaN marks
// what is not available: the SE where the report shows its marker, and the critical values and
// power where df is below 1 or there is no SE; the power also without an effect.
struct AnalyticAnswer {
    double trueValue = 0.0;  // the effect, 0 without one
    bool hasEffect = false;
    double se = 0.0;
    double df = 0.0;
    double power = 0.0;
    double intervalCritical = 0.0;  // t(1 - alpha/2, df), for the two-sided 1 - alpha interval
    double testCritical = 0.0;      // the test's: t(1 - alpha/2, df), one-sided t(1 - alpha, df)
};

// The answers at point, whose covariance is e; effects per coefficient.
std::vector<AnalyticAnswer> analyticAnswers(const SweepPoint& point, const PointCovariance& e,
                                            const DegreesOfFreedom& df,
                                            const TestSettings& settings,
                                            const std::vector<std::optional<double>>& effects);

// A simulated figure and its Monte Carlo standard error; NaN when not available.
struct Figure {
    double value = std::numeric_limits<double>::quiet_NaN();
    double mcse = std::numeric_limits<double>::quiet_NaN();
};

struct CoefficientSimulation {
    AnalyticAnswer analytic;
    Figure empiricalSd;  // standard deviation of the estimates
    Figure meanModelSe;  // mean of the fits' standard errors
    Figure bias;         // mean estimate less the true value
    Figure coverage;     // share of intervals estimate -+ intervalCritical * SE holding the truth
    Figure rejections;   // share of tests rejecting 0; only with an effect
};

struct SimulationSummary {
    std::int64_t requested = 0;  // replications asked for
    std::int64_t run = 0;        // replications done (fewer when stopped early)
    std::int64_t used = 0;       // fits with estimates, boundary fits included
    std::int64_t failed = 0;     // fits without estimates
    // Fits on the boundary: with a variance of the random effects estimated as 0, and with none
    // at 0 but the random effects estimated as perfectly correlated.
    std::int64_t zeroVariance = 0;
    std::int64_t perfectCorrelation = 0;
    std::vector<CoefficientSimulation> coefficients;
};

// Summarises the replications that were run. oneSided: tests in the direction of the effect.
SimulationSummary summarise(const ReplicationResults& results,
                            const std::vector<AnalyticAnswer>& answers, bool oneSided);

}  // namespace tavi
