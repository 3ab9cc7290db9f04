// The simulation against the analytic answer: with many groups the REML estimates spread as
// the analytic standard errors say, the model-based standard errors agree with them, the
// intervals cover at their level and the tests reject as often as the analytic power says. A
// seed gives the same results with any number of threads, and a stop ends the fits under way.

#include "engine/CovarianceComputation.h"
#include "engine/EngineState.h"
#include "engine/run/SimulationCsv.h"
#include "engine/simulation/DesignSampler.h"
#include "engine/simulation/Replications.h"
#include "engine/simulation/Simulation.h"
#include "tests/engine/RandomDesign.h"
#include "tests/files/FileTestSupport.h"

#include <cmath>
#include <gtest/gtest.h>

namespace tavi {
namespace {

// A fixed-only variable correlated with a random-slope variable, a level-2 variable, and so a
// cross-level interaction: Fixed1, Const, Group1, Random1, CrossL1_1.
std::shared_ptr<const PreparedDesign> loadDesign() {
    test::FileDesign d;
    d.k = 2;
    d.k1 = 1;
    d.kw = 1;
    d.sigma2 = 1.0;
    d.within = {{1.0, 0.3}, {0.3, 1.0}};
    d.between = {{1.0, 0.2}, {0.2, 0.5}};  // the level-2 variable, the fixed-only group mean
    d.tau = {{0.3, 0.05}, {0.05, 0.2}};
    d.means1 = {0.5};
    d.means2 = {0.3};
    return test::preparedOf(d);
}

SimulationRequest requestAt(int N, int n, std::int64_t replications, int threads) {
    SimulationRequest request;
    request.point = {N, n, 0, 0};
    request.plan = {replications, 5, threads};
    request.effects = {0.02, 0.08, std::nullopt, 0.06, 0.05};
    return request;
}

TEST(Simulation, ManyGroupsAgreeWithTheAnalyticAnswer) {
    const auto design = loadDesign();
    const std::int64_t R = 200;
    const std::atomic<bool> stop{false};
    const SimulationSummary summary = simulateDesign(*design, requestAt(400, 30, R, 2),
                                                     DegreesOfFreedom(design->design.model), stop);
    EXPECT_EQ(summary.used, R);
    const double coverageBand = 4.0 * std::sqrt(0.95 * 0.05 / R);
    for (const CoefficientSimulation& c : summary.coefficients) {
        SCOPED_TRACE(::testing::Message() << "true value " << c.analytic.trueValue);
        EXPECT_NEAR(c.empiricalSd.value, c.analytic.se, 4.0 * c.empiricalSd.mcse);
        EXPECT_NEAR(c.meanModelSe.value, c.analytic.se, 0.02 * c.analytic.se);
        EXPECT_NEAR(c.bias.value, 0.0, 4.0 * c.bias.mcse);
        EXPECT_NEAR(c.coverage.value, 0.95, coverageBand);
        if (c.analytic.hasEffect) {
            EXPECT_NEAR(c.rejections.value, c.analytic.power,
                        4.0 * std::sqrt(c.analytic.power * (1.0 - c.analytic.power) / R) + 0.01);
        }
    }
    // The effects give powers well inside (0, 1), so that the last check can fail.
    EXPECT_GT(summary.coefficients[0].analytic.power, 0.2);
    EXPECT_LT(summary.coefficients[4].analytic.power, 0.9);
}

// Forty random effects, whose fit takes minutes: a stop set while the first fit runs ends it,
// and its replication counts as not run rather than failed.
TEST(Simulation, StopDuringAFitLeavesItsReplicationNotRun) {
    std::mt19937_64 rng(3);
    test::loadIntoEngine(test::randomDesign(rng, 39, 0, 0));
    prepareRunConstants(test::engineUnderTest());
    const DesignSampler sampler(test::engineUnderTest(), 50, 50,
                                Eigen::VectorXd::Zero(test::engineUnderTest().NumCoef));
    std::atomic<bool> stop{false};
    const ReplicationResults results =
        runReplications(sampler, {1, 1, 1}, stop, [&stop](std::int64_t) { stop.store(true); });
    EXPECT_FALSE(results.status[0].has_value());
}

// Sizes drawn as the expected information assumes them, in a cluster-randomised trial: the
// estimates spread as its standard errors say, which lie above those of equal sizes by far more
// than the Monte Carlo error.
TEST(Simulation, VaryingGroupSizesAgreeWithTheExpectedInformation) {
    GroupSizeSettings sizes;
    sizes.sizeCv = 0.6;
    const auto design = test::preparedOf(test::clusterTrial(), sizes);
    const std::int64_t R = 400;
    const std::atomic<bool> stop{false};
    SimulationRequest request = requestAt(100, 10, R, 2);
    request.effects = {std::nullopt, 0.3};
    const SimulationSummary summary =
        simulateDesign(*design, request, DegreesOfFreedom(design->design.model), stop);
    EXPECT_EQ(summary.used, R);
    for (const CoefficientSimulation& s : summary.coefficients) {
        EXPECT_NEAR(s.empiricalSd.value, s.analytic.se, 4.0 * s.empiricalSd.mcse);
        EXPECT_NEAR(s.meanModelSe.value, s.analytic.se, 0.02 * s.analytic.se);
    }
    test::loadIntoEngine(test::clusterTrial());
    prepareRunConstants(test::engineUnderTest());
    computePoint(test::engineUnderTest(), 10, 100);
    const CoefficientSimulation& treatment = summary.coefficients[1];
    EXPECT_GT(treatment.analytic.se - std::sqrt(test::engineUnderTest().CovCoef(2, 2)),
              4.0 * treatment.meanModelSe.mcse);
}

class SimulationFiles : public test::WorkingDirectoryTest {};

TEST_F(SimulationFiles, TheSameSeedGivesTheSameCsvWithOneAndTwoThreads) {
    const auto design = loadDesign();
    const std::vector<Coefficient> coefficients = coefficientsOf(1, 2, 2);
    for (const int threads : {1, 2}) {
        const std::atomic<bool> stop{false};
        const SimulationSummary summary = simulateDesign(
            *design, requestAt(12, 4, 40, threads), DegreesOfFreedom(design->design.model), stop);
        TextFileWriter file("threads" + std::to_string(threads) + ".csv");
        writeSimulationCsv(file, summary, coefficients);
        file.close();
    }
    const std::string one = test::slurp("threads1.csv");
    EXPECT_EQ(test::linesOf(one).size(), 6U);
    EXPECT_EQ(one, test::slurp("threads2.csv"));
}

}  // namespace
}  // namespace tavi
