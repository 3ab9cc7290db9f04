// The simulation against the analytic answer: with many groups, or many sites, the REML
// estimates spread as the analytic standard errors say, the model-based standard errors agree
// with them, the intervals cover at their level and the tests reject as often as the analytic
// power says. The sampler draws the sizes of groups and sites as the design gives them. A seed
// gives the same results with any number of threads, and a stop ends the fits under way.

#include "engine/CovarianceComputation.h"
#include "engine/EngineState.h"
#include "engine/PeriodDesign.h"
#include "engine/run/SimulationCsv.h"
#include "engine/simulation/DesignSampler.h"
#include "engine/simulation/NestedReplications.h"
#include "engine/simulation/Replications.h"
#include "engine/simulation/Simulation.h"
#include "tests/engine/PeriodDesigns.h"
#include "tests/engine/RandomDesign.h"
#include "tests/engine/ThreeLevelDesigns.h"
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

SimulationRequest requestAt(const SweepPoint& point, std::int64_t replications, int threads) {
    SimulationRequest request;
    request.point = point;
    request.plan = {replications, 5, threads};
    request.effects = {0.02, 0.08, std::nullopt, 0.06, 0.05};
    return request;
}

// The replications of the larger comparisons: under the sanitizers, whose checks make the fits
// some twenty times slower, a quarter of them. Faults in memory show in fifty fits as surely as
// in two hundred, and every bound below follows R; the release build keeps the full precision.
std::int64_t replicationsToRun(std::int64_t planned) {
#if defined(__SANITIZE_ADDRESS__)
    return planned / 4;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return planned / 4;
#endif
#endif
    return planned;
}

// Every fit used; the estimates spread as the analytic SE says, within 4 Monte Carlo errors, and
// the model's SEs agree with it within the share modelSe; no bias; intervals covering 95% and
// tests rejecting as often as the analytic power says, within 4 binomial errors.
void expectAgreement(const SimulationSummary& summary, std::int64_t R, double modelSe) {
    EXPECT_EQ(summary.used, R);
    const double coverageBand = 4.0 * std::sqrt(0.95 * 0.05 / R);
    for (const CoefficientSimulation& c : summary.coefficients) {
        SCOPED_TRACE(::testing::Message() << "true value " << c.analytic.trueValue);
        EXPECT_NEAR(c.empiricalSd.value, c.analytic.se, 4.0 * c.empiricalSd.mcse);
        EXPECT_NEAR(c.meanModelSe.value, c.analytic.se, modelSe * c.analytic.se);
        EXPECT_NEAR(c.bias.value, 0.0, 4.0 * c.bias.mcse);
        EXPECT_NEAR(c.coverage.value, 0.95, coverageBand);
        if (c.analytic.hasEffect) {
            EXPECT_NEAR(c.rejections.value, c.analytic.power,
                        4.0 * std::sqrt(c.analytic.power * (1.0 - c.analytic.power) / R) + 0.01);
        }
    }
}

TEST(Simulation, ManyGroupsAgreeWithTheAnalyticAnswer) {
    const auto design = loadDesign();
    const std::int64_t R = replicationsToRun(200);
    const std::atomic<bool> stop{false};
    const SimulationSummary summary = simulateDesign(*design, requestAt({400, 30, 0, 0}, R, 2),
                                                     DegreesOfFreedom(design->design.model), stop);
    expectAgreement(summary, R, 0.02);
    // The effects give powers well inside (0, 1), so that the last check can fail.
    EXPECT_GT(summary.coefficients[0].analytic.power, 0.2);
    EXPECT_LT(summary.coefficients[4].analytic.power, 0.9);
}

// Sites randomised to a treatment, with covariates at every level and a slope varying between
// groups and between sites, at 150 sites of 2 groups of 20 units. The model's SEs lie 1% to 2%
// above the analytic ones there, as the site covariates' own spread over 150 sites and each
// group's spread of the random-slope variable make them.
TEST(Simulation, ManySitesAgreeWithTheAnalyticAnswer) {
    const auto design = prepareDesign(test::designOfModel(test::siteTrialWithSlopes()));
    const std::int64_t R = replicationsToRun(200);
    SimulationRequest request = requestAt({150, 20, 0, 2}, R, 2);
    request.effects = {0.1, 0.2, 0.1, 0.12, std::nullopt, std::nullopt, 0.08, 0.05};
    const std::atomic<bool> stop{false};
    const SimulationSummary summary =
        simulateDesign(*design, request, DegreesOfFreedom(design->design.model), stop);
    expectAgreement(summary, R, 0.03);
    for (const int c : {3, 6}) {
        EXPECT_GT(summary.coefficients[c].analytic.power, 0.3);
        EXPECT_LT(summary.coefficients[c].analytic.power, 0.9);
    }
}

// Forty random effects, whose fit takes minutes: a stop set while the first fit runs ends it,
// and its replication counts as not run rather than failed.
TEST(Simulation, StopDuringAFitLeavesItsReplicationNotRun) {
    std::mt19937_64 rng(3);
    const NestedDesign design = test::asDesign(test::randomDesign(rng, 39, 0, 0));
    const NestedReplications replicated(design, {50, 50, 0, 0},
                                        Eigen::VectorXd::Zero(termCount(design.model)));
    std::atomic<bool> stop{false};
    const ReplicationResults results =
        runReplications(replicated, {1, 1, 1}, stop, [&stop](std::int64_t) { stop.store(true); });
    EXPECT_FALSE(results.status[0].has_value());
}

// A stepped wedge of 4 sequences over 5 periods whose clusters' correlation decays and whose
// units form a cohort, fitted with cac, decay and iac estimated: the treatment's estimates spread
// as its analytic SE says, and the same seed gives the same figures with one and two threads.
TEST(Simulation, SteppedWedgeOverPeriodsAgreesWithTheAnalyticAnswer) {
    const ClusterPeriods wedge = test::steppedWedge(4, {0.1, 0.9, 0.7, true, 0.5, 1.0});
    const auto design = prepareDesign(periodDesignOf(wedge, {40, 40, 1}, {10, 10, 1}));
    const std::int64_t R = 300;
    std::vector<SimulationSummary> summaries;
    for (const int threads : {1, 2}) {
        SimulationRequest request = requestAt({40, 10, 0, 5}, R, threads);
        request.effects = {std::nullopt, std::nullopt, std::nullopt,
                           std::nullopt, std::nullopt, 0.3};
        const std::atomic<bool> stop{false};
        summaries.push_back(
            simulateDesign(*design, request, degreesOfFreedomOf(design->design), stop));
    }
    const CoefficientSimulation& treatment = summaries[1].coefficients[5];
    EXPECT_EQ(summaries[1].used, R);
    EXPECT_NEAR(treatment.empiricalSd.value, treatment.analytic.se, 4 * treatment.empiricalSd.mcse);
    for (int c = 0; c < 6; ++c) {
        EXPECT_EQ(summaries[0].coefficients[c].bias.value, summaries[1].coefficients[c].bias.value);
        EXPECT_EQ(summaries[0].coefficients[c].meanModelSe.value,
                  summaries[1].coefficients[c].meanModelSe.value);
    }
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
    SimulationRequest request = requestAt({100, 10, 0, 0}, R, 2);
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

// Given sizes are the groups of a two-level design, whatever the point's N (they were read
// beyond their end at more groups than sizes), and those of every site of a three-level one,
// whatever its J.
TEST(DesignSampler, GivenSizesAreExactlyTheGroupsDrawn) {
    GroupSizeSettings given;
    given.sizes = {3, 1, 7};
    NestedDesign groups = test::asDesign(test::clusterTrial());
    NestedDesign sites = test::designOfModel(test::siteTrialWithSlopes());
    groups.unequal = given;
    sites.unequal = given;
    RandomStream random(1, 0);
    NestedData data;
    DesignSampler(groups, {50, 10, 0, 0}, Eigen::VectorXd::Zero(2)).draw(random, data);
    EXPECT_EQ(data.groupStart, (std::vector<Eigen::Index>{0, 3, 4, 11}));
    EXPECT_EQ(data.y.size(), 11);
    DesignSampler(sites, {4, 10, 0, 9}, Eigen::VectorXd::Zero(8)).draw(random, data);
    EXPECT_EQ(data.siteStart, (std::vector<Eigen::Index>{0, 3, 6, 9, 12}));
    for (std::size_t g = 0; g < 12; ++g) {
        EXPECT_EQ(data.groupStart[g + 1] - data.groupStart[g], given.sizes[g % 3]);
    }
}

// The numbers of groups of the sites vary around J as group sizes vary around n: whole numbers
// of at least 1 with mean J and standard deviation CV J, and a variance of about 1/6 more from
// making them whole.
TEST(DesignSampler, GroupsPerSiteVaryAroundJ) {
    NestedDesign design = test::designOfModel(test::siteTrialWithSlopes());
    design.unequal.siteSizeCv = 0.4;
    const int K = 4000;
    RandomStream random(1, 0);
    NestedData data;
    DesignSampler(design, {K, 2, 0, 5}, Eigen::VectorXd::Zero(8)).draw(random, data);
    ASSERT_EQ(data.siteStart.size(), K + 1U);
    double sum = 0.0;
    double squares = 0.0;
    for (int s = 0; s < K; ++s) {
        const auto groups = static_cast<double>(data.siteStart[s + 1] - data.siteStart[s]);
        ASSERT_GE(groups, 1.0);
        sum += groups;
        squares += groups * groups;
    }
    const double sd = std::sqrt(2.0 * 2.0 + 1.0 / 6.0);
    EXPECT_NEAR(sum / K, 5.0, 4.0 * sd / std::sqrt(K));
    EXPECT_NEAR(std::sqrt(squares / K - (sum / K) * (sum / K)), sd, 4.0 * sd / std::sqrt(2.0 * K));
}

class SimulationFiles : public test::WorkingDirectoryTest {};

TEST_F(SimulationFiles, TheSameSeedGivesTheSameCsvWithOneAndTwoThreads) {
    const auto design = loadDesign();
    const std::vector<Coefficient> coefficients = coefficientsOf(1, 2, 2);
    for (const int threads : {1, 2}) {
        const std::atomic<bool> stop{false};
        const SimulationSummary summary =
            simulateDesign(*design, requestAt({12, 4, 0, 0}, 40, threads),
                           DegreesOfFreedom(design->design.model), stop);
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
