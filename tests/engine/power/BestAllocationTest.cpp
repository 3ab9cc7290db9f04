#include "engine/CovarianceComputation.h"
#include "engine/power/AllocationAnswers.h"
#include "tests/engine/RandomDesign.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <tuple>

namespace tavi {
namespace {

using test::FileDesign;

// n from 2 to maxGroupSize in steps of 7, so that the search computes the budget line itself.
std::shared_ptr<const PreparedDesign> onBudgetLine(const FileDesign& d, int budget,
                                                   int costParameter, int maxGroupSize) {
    NestedDesign design = test::asDesign(d);
    design.sizes.BudgetMode = true;
    design.sizes.Budget = budget;
    design.sizes.GroupCost = costParameter;
    design.sizes.units = {2, maxGroupSize, 7};
    return prepareDesign(std::move(design));
}

// A cluster-randomised trial: a level-2 treatment with mean 0.5 and variance 0.25, whose
// coefficient Group1 (number 1) has SE^2 = (tau + sigma2 / n) / (N var(w)) and df N - 2.
FileDesign clusterTrial(double tau) {
    FileDesign d;
    d.kw = 1;
    d.sigma2 = 1.0 - tau;
    d.tau = {{tau}};
    d.between = {{0.25}};
    d.means2 = {0.5};
    return d;
}

double clusterTrialSe(double tau, double N, double n) {
    return std::sqrt((tau + (1.0 - tau) / n) / (N * 0.25));
}

// The answers over the budget line, or over ranges without any sweep's points to search.
AllocationAnswers answersFor(const PreparedDesign& design, PointTests& tests) {
    return answerAllocation(design, SweepTable(design.NumCoef(), design.design.sizes.BudgetMode),
                            tests);
}

SweepPoint pointOf(const AllocationAnswers& answers, int c, Criterion criterion) {
    for (const BestPoint& best : answers.best) {
        if (best.coefficient == c && best.criterion == criterion && best.point) {
            return *best.point;
        }
    }
    return {};
}

TEST(BestAllocation, SmallestSeFollowsTheClosedFormsOfTheBestGroupSize) {
    const auto trial = onBudgetLine(clusterTrial(0.1), 1000000, 5, 200);
    PointTests tests({}, DegreesOfFreedom(trial->design.model), {std::nullopt, std::nullopt});
    const AllocationAnswers answers = answersFor(*trial, tests);
    EXPECT_EQ(answers.searched.linePoints, 199u) << "every n from 2 to 200";
    // sqrt(c sigma2 / tau) = sqrt(45) = 6.7
    EXPECT_EQ(pointOf(answers, 1, Criterion::SmallestSe).n, 7);

    FileDesign slope;  // a level-1 treatment with a random slope in every group
    slope.k = 1;
    slope.tau = {{0.1, 0.0}, {0.0, 0.05}};
    slope.within = {{1.0}};
    const auto sloped = onBudgetLine(slope, 1000000, 10, 200);
    // sqrt(c sigma2 / (var(x) tau_11)) = sqrt(200) = 14.1, for Random1 (number 1)
    EXPECT_EQ(pointOf(answersFor(*sloped, tests), 1, Criterion::SmallestSe).n, 14);
}

// Regression: the smallest SE of this line lies at N = 3 (df 1), and was called the best point.
TEST(BestAllocation, HighestPowerAndSmallestMdesAreThoseOfAnExhaustiveSearchOfTheLine) {
    const double tau = 0.0001;
    const auto trial = onBudgetLine(clusterTrial(tau), 600, 10, 300);
    PointTests tests({}, DegreesOfFreedom(trial->design.model), {std::nullopt, 0.5});
    const AllocationAnswers answers = answersFor(*trial, tests);
    using Key = std::tuple<double, int, int>;  // value to minimise, cost, N
    Key highestPower{2.0, 0, 0};
    Key smallestMdes{1e300, 0, 0};
    for (int n = 2; n <= 300; ++n) {
        const int N = 600 / (n + 10);
        if (N - 2 >= 1) {
            const double se = clusterTrialSe(tau, N, n);
            const int cost = N * (n + 10);
            highestPower = std::min(highestPower, Key{-powerOfTest(0.5, se, N - 2.0, {}), cost, N});
            smallestMdes = std::min(smallestMdes, Key{exactMdesOf(se, N - 2.0, {}), cost, N});
        }
    }
    EXPECT_EQ(pointOf(answers, 1, Criterion::HighestPower).N, std::get<2>(highestPower));
    EXPECT_EQ(pointOf(answers, 1, Criterion::HighestPower).cost, std::get<1>(highestPower));
    EXPECT_EQ(pointOf(answers, 1, Criterion::SmallestMdes).N, std::get<2>(smallestMdes));
    EXPECT_EQ(pointOf(answers, 1, Criterion::SmallestMdes).cost, std::get<1>(smallestMdes));
    EXPECT_EQ(pointOf(answers, 1, Criterion::SmallestSe).N, 3);
    EXPECT_GT(std::get<2>(highestPower), 3);
}

TEST(BestAllocation, TiesGoToTheCheaperPointAndPointsWithoutGroupsDoNotCount) {
    FileDesign d;  // the intercept alone: df N - 1
    d.tau = {{0.1}};
    SweepTable table(1, false);
    const std::pair<SweepPoint, double> points[] = {
        {{40, 10}, 0.4}, {{25, 20}, 0.4}, {{20, 20}, 0.4}, {{5, 30}, 0.9}, {{0, 10}, 0.1}};
    for (const auto& [point, se] : points) {
        table.add(point, std::span(&se, 1));
    }
    // At this effect every point has power 1: the cheapest of them has the highest.
    PointTests tests({}, DegreesOfFreedom(test::asDesign(d).model), {100.0});
    BestPointSearch search(tests, {0});
    search.add(table);
    const std::vector<BestPoint> best = search.best();
    ASSERT_EQ(best.size(), 3u);
    EXPECT_EQ(best[0].point, (SweepPoint{5, 30})) << "150 units before 400";
    EXPECT_EQ(best[0].test.power, 1.0);
    EXPECT_EQ(best[1].point, (SweepPoint{40, 10})) << "the exact MDES falls with df";
    EXPECT_EQ(best[2].point, (SweepPoint{20, 20})) << "400 units as 20 groups before 40 groups";
    EXPECT_EQ(best[2].test.df, 19.0);
}

// A sweep handed on in pieces, as a long run hands on its points, gives the best points of the
// whole sweep. Points repeat with other standard errors, so that the value and cost of several
// points tie, where the point of smallest SE wins, else the earliest.
TEST(BestAllocation, PiecesOfASweepGiveTheBestPointsOfTheWhole) {
    FileDesign d;  // the intercept alone: df N - 1
    d.tau = {{0.1}};
    std::mt19937_64 rng(5);
    const SweepPoint points[] = {{40, 10}, {25, 16}, {20, 20}, {5, 30}, {2, 50}, {0, 10}};
    const double errors[] = {0.2, 0.3, 0.4, std::nan("")};
    for (int trial = 0; trial < 200; ++trial) {
        SweepTable table(1, false);
        for (int i = 0; i < 30; ++i) {
            table.add(points[rng() % 6], std::span(&errors[rng() % 4], 1));
        }
        // Power 1 at every point, or a power that varies.
        PointTests tests({}, DegreesOfFreedom(test::asDesign(d).model), {trial % 2 ? 100.0 : 0.5});
        BestPointSearch whole(tests, {0});
        whole.add(table);
        const std::size_t piece = 1 + trial % 7;
        BestPointSearch pieces(tests, {0});
        SweepTable part(1, false);
        for (std::size_t i = 0; i < table.size(); ++i) {
            const double se = table.se(i, 0);
            part.add(table.point(i), std::span(&se, 1));
            if (part.size() == piece || i + 1 == table.size()) {
                pieces.add(part);
                part.clear();
            }
        }
        const std::vector<BestPoint> expected = whole.best();
        const std::vector<BestPoint> found = pieces.best();
        ASSERT_EQ(found.size(), expected.size());
        for (std::size_t e = 0; e < found.size(); ++e) {
            EXPECT_EQ(found[e].point, expected[e].point) << "trial " << trial << ", entry " << e;
            EXPECT_EQ(found[e].se, expected[e].se) << "trial " << trial << ", entry " << e;
        }
    }
}

// The rows of a budget line longer than the cells searched at a time come coefficient after
// coefficient, each at every group size in turn.
TEST(BestAllocation, RequiredRowsOfALongLineComeCoefficientAfterCoefficient) {
    const auto trial = onBudgetLine(clusterTrial(0.1), 10000000, 5, 9001);
    PointTests tests({}, DegreesOfFreedom(trial->design.model), {0.05, 0.3});
    const AllocationAnswers answers = answersFor(*trial, tests);
    const std::size_t sizes = 9000;  // n from 2 to 9001
    ASSERT_EQ(answers.required.size(), 2 * sizes);
    std::size_t outOfTurn = 0;
    for (std::size_t i = 0; i < answers.required.size(); ++i) {
        const RequiredGroups& row = answers.required[i];
        outOfTurn += row.coefficient != static_cast<int>(i / sizes) ||
                     row.n != static_cast<std::int32_t>(2 + i % sizes);
    }
    EXPECT_EQ(outOfTurn, 0u);
}

// The required N at every group size is the first N that a linear search finds reaching the
// target, by the closed form of the SE; over ranges, the fewest units come from N in range.
TEST(BestAllocation, RequiredGroupsAreThoseOfALinearSearch) {
    const double tau = 0.1;
    NestedDesign ranges = test::asDesign(clusterTrial(tau));
    ranges.sizes.BudgetMode = false;
    ranges.sizes.units = {2, 50, 9};
    ranges.sizes.top = {20, 60, 2};
    const auto design = prepareDesign(std::move(ranges));
    for (const double givenDf : {0.0, 4.5}) {
        const TestSettings settings{0.05, givenDf > 0.0 ? 0.9 : 0.8, givenDf > 0.0};
        DegreesOfFreedom df(design->design.model);
        if (givenDf > 0.0) {
            df.give(1, givenDf);
        }
        PointTests tests(settings, df, {std::nullopt, 0.3});
        const AllocationAnswers answers = answersFor(*design, tests);
        ASSERT_EQ(answers.required.size(), 6u) << "n = 2, 11, ..., 47";
        std::tuple<int, int, int> fewest{1 << 30, 0, 0};  // N*n, N, n in N = 20..60
        for (const RequiredGroups& row : answers.required) {
            int N = 1;
            const auto power = [&](int groups) {
                const double dfThere = givenDf > 0.0 ? givenDf : groups - 2.0;
                return dfThere < 1.0 ? 0.0
                                     : powerOfTest(0.3, clusterTrialSe(tau, groups, row.n), dfThere,
                                                   settings);
            };
            while (power(N) < settings.power) {
                ++N;
            }
            ASSERT_TRUE(row.point) << row.n;
            EXPECT_EQ(row.point->N, N) << row.n;
            EXPECT_NEAR(row.power, power(N), 1e-12);
            for (int groups = 20; groups <= 60; ++groups) {
                if (power(groups) >= settings.power) {
                    fewest = std::min(fewest, {groups * row.n, groups, row.n});
                    break;
                }
            }
        }
        EXPECT_EQ(pointOf(answers, 1, Criterion::CheapestForPower),
                  (SweepPoint{std::get<1>(fewest), std::get<2>(fewest)}));
    }
    // At 10^7 groups of any size the SE is still above 1e-4 / 2.8: no number of groups will do.
    PointTests tests({}, DegreesOfFreedom(design->design.model), {std::nullopt, 1e-4});
    const AllocationAnswers answers = answersFor(*design, tests);
    EXPECT_TRUE(std::none_of(answers.required.begin(), answers.required.end(),
                             [](const RequiredGroups& row) { return row.point.has_value(); }));
    EXPECT_FALSE(answers.best.back().point);
}

}  // namespace
}  // namespace tavi
