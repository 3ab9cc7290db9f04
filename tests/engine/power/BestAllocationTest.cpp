#include "engine/CovarianceComputation.h"
#include "engine/power/BestAllocation.h"
#include "engine/power/BudgetLine.h"
#include "tests/engine/RandomDesign.h"

#include <cmath>
#include <gtest/gtest.h>

namespace tavi {
namespace {

using test::FileDesign;

// Under a budget of 10^6, n from 2 to 200 in steps of 7, so that the search computes the
// budget line itself.
void loadOnBudgetLine(const FileDesign& d, int costParameter) {
    test::loadIntoEngine(d);
    EngineState& e = test::engineUnderTest();
    e.BudgetMode = true;
    e.Budget = 1000000;
    e.CostParameter = costParameter;
    e.MinGroupSize = 2;
    e.GroupSizeStep = 7;
    e.MaxGroupSize = 200;
    prepareRunConstants(test::engineUnderTest());
}

// A cluster-randomised trial: a level-2 treatment with mean 0.5 and variance 0.25.
FileDesign clusterTrial() {
    FileDesign d;
    d.kw = 1;
    d.sigma2 = 0.9;
    d.tau = {{0.1}};
    d.between = {{0.25}};
    d.means2 = {0.5};
    return d;
}

TEST(BestAllocation, LevelTwoTreatmentFollowsItsClosedForms) {
    loadOnBudgetLine(clusterTrial(), 5);
    for (const auto& [N, n] : {std::pair{20, 5}, {300, 12}}) {
        computePoint(test::engineUnderTest(), n,
                     N);  // Group1 is coefficient 2: SE^2 = (tau + sigma2 / n) / (N var(w))
        EXPECT_NEAR(std::sqrt(test::engineUnderTest().CovCoef(2, 2)),
                    std::sqrt((0.1 + 0.9 / n) / (N * 0.25)), 1e-12);
    }
    const AllocationSearch search = prepareAllocationSearch(test::engineUnderTest());
    ASSERT_TRUE(search.budgetLine);
    const SweepTable& line = *search.budgetLine;
    EXPECT_EQ(line.size(), 199u) << "every n from 2 to 200";
    PointTests tests({}, DegreesOfFreedom(test::engineUnderTest()), {std::nullopt, 0.02});
    const std::vector<BestPoint> best = bestPointsOf(line, tests);
    ASSERT_EQ(best.size(), 3u);
    // The best n on a budget line is sqrt(c sigma2 / tau) = sqrt(45) = 6.7.
    EXPECT_EQ(line.point(*best[1].point).n, 7);
    EXPECT_EQ(best[2].criterion, Criterion::CheapestForPower);
    ASSERT_TRUE(best[2].point);
    const auto power = [&](std::size_t i) {
        const SweepPoint& p = line.point(i);
        return powerOfTest(0.02, line.se(i, 1), p.N - 2.0, {});
    };
    EXPECT_GE(power(*best[2].point), 0.8);
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line.point(i).cost < line.point(*best[2].point).cost) {
            EXPECT_LT(power(i), 0.8) << "n = " << line.point(i).n;
        }
    }
}

TEST(BestAllocation, RandomSlopeMeanOnTheBudgetLine) {
    FileDesign d;  // a level-1 treatment with a random slope in every group
    d.k = 1;
    d.sigma2 = 1.0;
    d.tau = {{0.1, 0.0}, {0.0, 0.05}};
    d.within = {{1.0}};
    loadOnBudgetLine(d, 10);
    const AllocationSearch search = prepareAllocationSearch(test::engineUnderTest());
    PointTests tests({}, DegreesOfFreedom(test::engineUnderTest()), {std::nullopt, std::nullopt});
    const std::vector<BestPoint> best = bestPointsOf(*search.budgetLine, tests);
    // sqrt(c sigma2 / (var(x) tau_11)) = sqrt(200) = 14.1
    EXPECT_EQ(search.budgetLine->point(*best[1].point).n, 14);
}

TEST(BestAllocation, TiesGoToTheCheaperPointAndPointsWithoutGroupsDoNotCount) {
    FileDesign d;  // the intercept alone: df N - 1
    d.tau = {{0.1}};
    test::loadIntoEngine(d);
    SweepTable table(1, false);
    const std::pair<SweepPoint, double> points[] = {
        {{40, 10}, 0.4}, {{25, 20}, 0.4}, {{20, 20}, 0.4}, {{5, 30}, 0.9}, {{0, 10}, 0.1}};
    for (const auto& [point, se] : points) {
        table.add(point, std::span(&se, 1));
    }
    for (const double effect : {1.5, 0.01}) {
        PointTests tests({}, DegreesOfFreedom(test::engineUnderTest()), {effect});
        const std::vector<BestPoint> best = bestPointsOf(table, tests);
        ASSERT_EQ(best.size(), 2u);
        EXPECT_EQ(best[0].point, 2u) << "400 units as 20 groups before 40 groups, and before 500";
        EXPECT_EQ(best[0].test.df, 19.0);
        EXPECT_EQ(best[1].point, effect == 1.5 ? std::optional<std::size_t>(2) : std::nullopt);
    }
}

TEST(BestAllocation, DegreesOfFreedomFollowTheBetweenWithinRules) {
    FileDesign d;  // k = 3 with one fixed-only variable, kw = 2; slope 2 has no variance
    d.k = 3;
    d.k1 = 1;
    d.kw = 2;
    d.tau = {{0.2, 0, 0}, {0, 0.1, 0}, {0, 0, 0}};
    d.within = d.between = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    d.means1 = {0};
    d.means2 = {0, 0};
    test::loadIntoEngine(d);
    DegreesOfFreedom df(test::engineUnderTest());
    // Fixed1 Const Group1 Group2 Random1 CrossL1_1 CrossL1_2 Random2 CrossL2_1 CrossL2_2:
    // between N - 3 = 27, within N*n - N - (1 + 2 * 3) = 263.
    const double expected[] = {263, 27, 27, 27, 27, 27, 27, 263, 263, 263};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(df.at(i, 30, 10), expected[i]) << i;
    }
    df.give(1, 5.5);
    EXPECT_EQ(df.at(1, 30, 10), 5.5);
}

}  // namespace
}  // namespace tavi
