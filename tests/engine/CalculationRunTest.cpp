#include "engine/EngineState.h"
#include "engine/run/CalculationRun.h"
#include "engine/run/ResultsModel.h"
#include "files/FileError.h"
#include "files/ThreeLevelFile.h"
#include "tests/engine/RandomDesign.h"
#include "tests/engine/RunFixture.h"
#include "tests/engine/ThreeLevelDesigns.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <tuple>

namespace tavi {
namespace {

using test::designWithCounts;
using test::kSiteTrialText;
using test::linesOf;
using test::slurp;

using CalculationRun = test::RunFixture;
using Points = std::vector<std::pair<long, long>>;

std::string expected(const std::string& name) {
    return slurp(std::string(TAVI_TEST_DATA_DIR) + "/" + name);
}

// Three level-1 variables (one fixed only, two with random slopes) and one level-2 variable:
// every kind of coefficient appears.
const char* const kFullDesign =
    "     3      1      1\r\n"
    "    10      5     20\r\n"
    "  1000      5\r\n"
    "        1.0000000000\r\n"
    "      0.1000000 \r\n"
    "      0.0100000       0.0500000 \r\n"
    "      0.0100000       0.0000000       0.0400000 \r\n"
    "      1.0000000 \r\n"
    "      0.3000000       1.0000000 \r\n"
    "      0.2000000       0.1000000       1.0000000 \r\n"
    "      0.5000000 \r\n"
    "      0.1000000       0.3000000 \r\n"
    "      2.0000000 \r\n"
    "      1.0000000 \r\n"
    "\r\n"
    "Results written to files tavi.out and tavi.cov.\r\n";

// Points computed side by side are written in sweep order: the files are the same for any
// number of threads, more threads than cores included.
TEST_F(CalculationRun, BudgetModeFilesByteForByte) {
    for (const int threads : {1, 2, 3, 8}) {
        EXPECT_FALSE(runText(kFullDesign, threads).refused);
        EXPECT_EQ(report(), expected("budget.out")) << threads << " threads";
        EXPECT_EQ(covFile(), expected("budget.cov")) << threads << " threads";
    }
}

TEST_F(CalculationRun, RangeModeFilesByteForByte) {
    DesignParameters p = designWithCounts(1, 0, 0);
    p.BudgetMode = false;
    p.MinGroupSize = 5;
    p.MaxGroupSize = 10;
    p.MinGroups = 10;
    p.MaxGroups = 12;
    p.Tau(1, 1) = 0.2;
    p.Tau(2, 1) = 0.05;
    p.Tau(2, 2) = 0.1;
    for (const int threads : {1, 2, 3, 8}) {
        EXPECT_FALSE(run(p, threads).refused);
        EXPECT_EQ(report(), expected("range.out")) << threads << " threads";
        EXPECT_EQ(covFile(), expected("range.cov")) << threads << " threads";
    }
}

TEST_F(CalculationRun, RandomDesignsGiveTheSameFilesOnAnyNumberOfThreads) {
    std::mt19937_64 rng(19);
    for (int trial = 0; trial < 6; ++trial) {
        std::uniform_int_distribution<int> count(0, 3);
        const int k = count(rng);
        DesignParameters p = test::asRecord(
            test::randomDesign(rng, k, std::uniform_int_distribution<int>(0, k)(rng), count(rng)));
        p.BudgetMode = trial % 2 == 0;
        p.Budget = 3000;
        p.MinGroupSize = 2;
        p.GroupSizeStep = 1 + trial;
        p.MaxGroupSize = 90;
        p.MinGroups = 3;
        p.MaxGroups = 40;
        run(p, 1);
        const std::string oneReport = report();
        const std::string oneCov = covFile();
        for (const int threads : {2, 3}) {
            run(p, threads);
            EXPECT_EQ(report(), oneReport) << "trial " << trial << ", " << threads << " threads";
            EXPECT_EQ(covFile(), oneCov) << "trial " << trial << ", " << threads << " threads";
        }
    }
}

TEST_F(CalculationRun, GroupsStepFollowsTheWidthOfTheRange) {
    const std::pair<int, int> stepByMaximum[] = {{30, 1}, {31, 2},  {60, 2},
                                                 {61, 5}, {110, 5}, {111, 10}};
    for (const auto& [maxGroups, step] : stepByMaximum) {
        DesignParameters p = designWithCounts(0, 0, 0);
        p.BudgetMode = false;
        p.MinGroupSize = 10;
        p.MaxGroupSize = 10;
        p.MinGroups = 10;
        p.MaxGroups = maxGroups;
        run(p);
        Points expectedPoints;
        for (long N = 10; N <= maxGroups; N += step) {
            expectedPoints.emplace_back(N, 10);
        }
        EXPECT_EQ(points(), expectedPoints) << "MaxGroups " << maxGroups;
    }
}

TEST_F(CalculationRun, RangeModeRunsAllGroupCountsOfEachSizeInTurn) {
    DesignParameters p = designWithCounts(0, 0, 0);
    p.BudgetMode = false;
    p.MinGroupSize = 5;
    p.GroupSizeStep = 3;
    p.MaxGroupSize = 11;
    p.MinGroups = 20;
    p.MaxGroups = 21;
    run(p);
    EXPECT_EQ(points(), (Points{{20, 5}, {21, 5}, {20, 8}, {21, 8}, {20, 11}, {21, 11}}));

    p.MinGroups = 30;  // above MaxGroups: still one point per group size
    run(p);
    EXPECT_EQ(points(), (Points{{30, 5}, {30, 8}, {30, 11}}));
}

TEST_F(CalculationRun, GroupSizesStopAtTheLargestOnTheSequence) {
    DesignParameters p = designWithCounts(0, 0, 0);
    p.MinGroupSize = 5;
    p.GroupSizeStep = 5;
    for (int maximum : {50, 52}) {
        p.MaxGroupSize = maximum;
        run(p);
        const Points rows = points();
        ASSERT_EQ(rows.size(), 10u);
        EXPECT_EQ(rows.front().second, 5);
        EXPECT_EQ(rows.back().second, 50);
    }
}

TEST_F(CalculationRun, EmptySweepEndsWithTheHeader) {
    DesignParameters p = designWithCounts(0, 0, 0);
    p.MinGroupSize = 20;
    p.MaxGroupSize = 10;
    EXPECT_FALSE(run(p).refused);
    EXPECT_TRUE(report().ends_with(" Const  \r\n"));
    EXPECT_EQ(covFile(), "<date>\r\n\r\n");
}

TEST_F(CalculationRun, BudgetModeRowsStayWithinTheBudget) {
    DesignParameters p = designWithCounts(0, 0, 0);
    p.Budget = 1000;
    p.CostParameter = 5;
    p.MinGroupSize = 10;
    p.GroupSizeStep = 35;
    p.MaxGroupSize = 45;
    run(p);
    const std::vector<std::string> rows = tableRows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_TRUE(rows[0].starts_with("    660    66    10     990  ")) << rows[0];
    EXPECT_TRUE(rows[1].starts_with("    900    20    45    1000  ")) << rows[1];
}

TEST_F(CalculationRun, NoAffordableGroupGivesTheInverseOfZero) {
    DesignParameters p = designWithCounts(0, 0, 0);
    p.Budget = 10;
    p.MinGroupSize = 10;
    p.MaxGroupSize = 10;
    run(p);
    EXPECT_EQ(tableRows(), std::vector<std::string>{"      0     0    10       0   1.00000"});

    // Two coefficients: the zero matrix inverts to 1.0e20 on the diagonal, fields too wide for
    // their columns that a blank keeps apart.
    p.kw = 1;
    deriveMatrixOrders(p);
    run(p);
    EXPECT_EQ(tableRows(), std::vector<std::string>{
                               "      0     0    10       0  10000000000.00000 10000000000.00000"});
}

TEST_F(CalculationRun, CapacityIsFortyCoefficients) {
    EXPECT_FALSE(run(designWithCounts(10, 4, 4)).refused);   // 4 + 7 * 5 = 39
    EXPECT_FALSE(run(designWithCounts(39, 39, 0)).refused);  // 39 + 1 = 40

    const RunOutcome outcome = run(designWithCounts(10, 3, 4));  // 3 + 8 * 5 = 43
    EXPECT_TRUE(outcome.refused);
    EXPECT_NE(outcome.reason.find("43"), std::string::npos);
    const std::string text = report();
    EXPECT_TRUE(
        text.ends_with("(entire covariance matrices).\r\n"
                       "\r\n"
                       "\r\n"
                       "Constant dimmax is too small;\r\n"
                       "Must be at least k1 + (k-k1+1)*(kw+1) = 43\r\n"
                       "but is now only 40.\r\n"
                       "Program stops. SorrY! \r\n"
                       "Ask for a compilation with larger dimmax.\r\n"))
        << text;
    EXPECT_EQ(covFile(), "<date>\r\n\r\n");
}

TEST_F(CalculationRun, EstablishesTheEngineLayout) {
    const RunOutcome run = runText(
        "3 1 1\r\n10 5 10\r\n100 5\r\n1\r\n1\r\n0 1\r\n0 0 1\r\n"
        "11\r\n21 22\r\n31 32 33\r\n"
        "111\r\n121 122\r\n"
        "7\r\n8\r\n");
    const EngineState& e = *run.design->information->engineState();
    EXPECT_EQ(e.nRandom, 3);
    EXPECT_EQ(e.LenW3, 2);
    EXPECT_EQ(e.NumCoef, 7);
    const double w[4][4] = {{11, 0, 21, 31}, {0, 0, 0, 0}, {21, 0, 22, 32}, {31, 0, 32, 33}};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            EXPECT_EQ(e.SigmaW(i + 1, j + 1), w[i][j]) << i << ", " << j;
        }
    }
    const double b[3][3] = {{0, 0, 0}, {0, 111, 121}, {0, 121, 122}};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            EXPECT_EQ(e.SigmaB(i + 1, j + 1), b[i][j]) << i << ", " << j;
        }
    }
    EXPECT_EQ(e.Mu1(1, 1), 7.0);
    EXPECT_EQ(e.Mu3(1, 1), 1.0);
    EXPECT_EQ(e.Mu3(2, 1), 8.0);
    EXPECT_EQ(e.Mu2(1, 1), 1.0);
    EXPECT_EQ(e.Mu2(2, 1), 0.0);
    EXPECT_EQ(e.Mu2(3, 1), 0.0);
}

TEST_F(CalculationRun, ASecondSmallerRunShowsNothingOfTheFirst) {
    DesignParameters small = designWithCounts(2, 1, 0);
    small.Means1(1) = 1.5;
    run(small);
    const std::string aloneReport = report();
    const std::string aloneCov = covFile();

    DesignParameters large = designWithCounts(6, 2, 3);
    for (int i = 1; i <= dimmax; ++i) {
        for (int j = 1; j <= dimmax; ++j) {
            large.WithinCov(i, j) = large.BetweenCov(i, j) = large.Tau(i, j) = 0.3 + (i == j);
        }
        large.Means1(i) = 2.0;
        large.Means2(i) = 3.0;
    }
    run(large);
    run(small);
    EXPECT_EQ(report(), aloneReport);
    EXPECT_EQ(covFile(), aloneCov);
}

TEST_F(CalculationRun, LineBreaksMatterOnlyInTheCovarianceRows) {
    runText(
        "1 0 0\r\n10 5 10\r\n100 5\r\n1\r\n0.1 0.01 0.05\r\n"
        "2 9 9 9\r\n");
    const std::string oneLine = report();
    const RunOutcome run = runText(
        "1 0 0\r\n10 5 10\r\n100 5\r\n1\r\n0.1\r\n0.01\r\n0.05\r\n"
        "2\r\n");
    EXPECT_EQ(report(), oneLine);
    EXPECT_EQ(run.design->information->engineState()->SigmaW(2, 2), 2.0);
    EXPECT_EQ(run.design->information->engineState()->Tau2(2, 1), 0.01);
}

TEST_F(CalculationRun, RefusesImpossibleCounts) {
    const char* const files[] = {
        "3 5 0\r\n10 5 10\r\n100 5\r\n",   // k1 > k
        "3 -1 0\r\n10 5 10\r\n100 5\r\n",  // k1 < 0
        "3 1 -2\r\n10 5 10\r\n100 5\r\n",  // kw < 0
        "-2147483648 -2147483648 0\r\n",  "2147483647 -2147483648 2147483647\r\n",
    };
    for (const char* text : files) {
        const RunOutcome outcome = runText(text);
        EXPECT_TRUE(outcome.refused) << text;
        const std::vector<std::string> lines = linesOf(report());
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(lines.back(), "Program stops.") << text;
        EXPECT_EQ(covFile(), "<date>\r\n\r\n");
    }
    runText("3 5 0\r\n");
    EXPECT_NE(report().find("k = 3, k1 = 5, kw = 0"), std::string::npos);

    // Possible counts whose coefficients overflow 32 bits are simply too many.
    EXPECT_TRUE(runText("2147483647 0 2147483647\r\n10 5 10\r\n").refused);
    EXPECT_NE(report().find("(kw+1) = 4611686018427387904\r\n"), std::string::npos);
}

TEST_F(CalculationRun, RefusesSettingsThatCannotBeSwept) {
    const std::pair<const char*, const char*> cases[] = {
        {"1 1 0\r\n0 5 10\r\n100 5\r\n1\r\n", "smallest group size"},
        {"1 1 0\r\n10 0 10\r\n100 5\r\n1\r\n", "step size"},
        {"1 1 0\r\n10 5 10\r\n100 -10\r\n1\r\n", "relative cost"},
        {"1 1 0\r\n10 5 10\r\n100 5\r\n0\r\n", "residual variance"},
    };
    // Tau, the within and between variances of the one variable and its mean.
    const std::string rest = "1\r\n1\r\n1\r\n0\r\n\r\n";
    for (const auto& [text, problem] : cases) {
        const RunOutcome outcome = runText(text + rest);
        EXPECT_TRUE(outcome.refused) << text;
        EXPECT_NE(outcome.reason.find(problem), std::string::npos) << outcome.reason;
        const std::string written = report();
        EXPECT_NE(written.find(problem), std::string::npos);
        EXPECT_TRUE(written.ends_with("Program stops.\r\n"));
        EXPECT_EQ(written.find("Sample sizes"), std::string::npos) << "no table";
        EXPECT_EQ(covFile(), "<date>\r\n\r\n");
    }
    // Without fixed-only variables the residual variance divides nothing.
    EXPECT_FALSE(runText("1 0 0\r\n10 5 10\r\n100 5\r\n0\r\n1 0 1\r\n1\r\n").refused);
    EXPECT_EQ(points().size(), 1u);
}

TEST_F(CalculationRun, SweepsNearTheThirtyTwoBitLimitsEnd) {
    DesignParameters p = designWithCounts(0, 0, 0);
    p.MinGroupSize = INT_MAX - 1;
    p.GroupSizeStep = INT_MAX;
    p.MaxGroupSize = INT_MAX;
    p.Budget = INT_MAX;
    p.CostParameter = 0;
    run(p);
    EXPECT_EQ(points(), (Points{{1, INT_MAX - 1}}));
    // Fields too narrow for their numbers grow and touch their neighbours.
    EXPECT_EQ(tableRows(),
              std::vector<std::string>{"2147483646     121474836462147483646   1.00000"});

    p.MinGroupSize = INT_MAX - 1;
    p.GroupSizeStep = 1;
    p.CostParameter = INT_MAX;
    run(p);
    EXPECT_EQ(points(), (Points{{0, INT_MAX - 1}, {0, INT_MAX}}));

    p.BudgetMode = false;
    p.MinGroupSize = 2;
    p.MaxGroupSize = 2;
    p.MinGroups = INT_MAX - 47;
    p.MaxGroups = INT_MAX;
    run(p);
    const Points rows = points();
    ASSERT_EQ(rows.size(), 24u);
    EXPECT_EQ(rows.back(), (std::pair<long, long>{INT_MAX - 1, 2}));
    EXPECT_TRUE(tableRows().back().starts_with("42949672922147483646     2  "));
}

// Counts the points the run announces and the points it computes.
class PointCounter : public SweepObserver {
public:
    void sweepStarts(const std::shared_ptr<const PreparedDesign>&, std::int64_t points) override {
        announced = points;
    }
    void pointDone(const ComputedPoint&) override { ++done; }

    std::int64_t announced = -1;
    std::int64_t done = 0;
};

TEST_F(CalculationRun, AnnouncesExactlyThePointsItComputes) {
    std::mt19937_64 rng(6);
    std::uniform_int_distribution<int> small(-3, 40);
    std::uniform_int_distribution<int> step(1, 9);
    for (int trial = 0; trial < 200; ++trial) {
        DesignParameters p = designWithCounts(0, 0, 0);
        p.BudgetMode = trial % 2 == 0;
        p.MinGroupSize = std::max(1, small(rng));
        p.GroupSizeStep = step(rng);
        p.MaxGroupSize = small(rng);
        p.MinGroups = small(rng);
        p.MaxGroups = small(rng) * (trial % 3 == 0 ? 5 : 1);
        WriteParameterFile(p, "ax.dat", "tavi.out", "tavi.cov");
        PointCounter counter;
        RunCalculation("ax.dat", "tavi.out", "tavi.cov", {.observer = &counter});
        // A refused run announces nothing and computes nothing.
        ASSERT_EQ(std::max<std::int64_t>(counter.announced, 0), counter.done) << "trial " << trial;
    }
}

TEST_F(CalculationRun, FileFailuresReachTheCaller) {
    try {
        RunCalculation("missing.dat", "tavi.out", "tavi.cov");
        ADD_FAILURE() << "ran without a parameter file";
    } catch (const FileError& error) {
        EXPECT_STREQ(error.what(), "File not found");
        EXPECT_EQ(error.fileName(), "missing.dat");
    }
    try {
        runText("1 0 0\r\n10 5 10\r\n100 five\r\n");
        ADD_FAILURE() << "read a malformed number";
    } catch (const FileError& error) {
        EXPECT_STREQ(error.what(), "Invalid numeric input in line 3");
    }
    std::ofstream("ax.dat", std::ios::binary) << kFullDesign;
    EXPECT_THROW(RunCalculation("ax.dat", "no-dir/tavi.out", "tavi.cov"), FileError);
    EXPECT_FALSE(std::filesystem::exists("tavi.out")) << "a failed run leaves no report";
}

// The first `numbers` numbers of a parameter file's text, each followed by its line break.
std::string firstNumbers(const std::string& text, int numbers) {
    std::istringstream in(text);
    std::string kept;
    for (std::string token; numbers > 0 && in >> token; --numbers) {
        kept += token + "\r\n";
    }
    return kept;
}

TEST_F(CalculationRun, RefusesAFileThatEndsBeforeItsCountsAreSatisfied) {
    // kFullDesign holds 3 counts, 3 group sizes, budget and cost, the residual variance, 6 Tau,
    // 6 within and 3 between values, and one mean of each kind.
    const std::pair<int, const char*> cuts[] = {
        {0, "before the numbers of variables"},
        {2, "within the numbers of variables"},
        {4, "within the group sizes"},
        {6, "before the budget and the cost of a group"},
        {8, "before the residual variance"},
        {10, "within the random-effects covariance matrix"},
        {15, "before the within-groups covariance matrix"},
        {17, "within the within-groups covariance matrix"},
        {21, "before the between-groups covariance matrix"},
        {24, "before the means of the level-1 variables with a fixed effect only"},
        {25, "before the means of the level-2 variables"},
    };
    std::string rangeMode = kFullDesign;
    rangeMode.replace(rangeMode.find("  5     20"), 3, " -5");
    const auto refusal = [this](const std::string& text) -> std::string {
        try {
            runText(text);
        } catch (const FileError& error) {
            EXPECT_EQ(error.fileName(), "ax.dat");
            return error.what();
        }
        return "ran";
    };
    for (const auto& [numbers, block] : cuts) {
        EXPECT_EQ(refusal(firstNumbers(kFullDesign, numbers)), "File ends " + std::string(block));
    }
    EXPECT_EQ(refusal(firstNumbers(rangeMode, 7)),
              "File ends within the smallest and largest numbers of groups");
    EXPECT_EQ(refusal(firstNumbers(kFullDesign, 26)), "ran") << "every number is there";
    EXPECT_EQ(refusal(firstNumbers(rangeMode, 26)), "ran");

    // The results window's calculation reads the file as the run does.
    PointCounter counter;
    std::ofstream("ax.dat", std::ios::binary) << firstNumbers(kFullDesign, 25);
    EXPECT_THROW(calculateInMemory(ReadDesign("ax.dat"), {.observer = &counter}), FileError);
}

TEST_F(CalculationRun, AFailedRunKeepsTheOldReport) {
    std::ofstream("ax.dat", std::ios::binary) << kFullDesign;
    ASSERT_FALSE(RunCalculation("ax.dat", "tavi.out", "tavi.cov").refused);
    const std::string before = slurp("tavi.out");
    std::filesystem::permissions("tavi.cov", std::filesystem::perms::owner_read);
    EXPECT_THROW(RunCalculation("ax.dat", "tavi.out", "tavi.cov"), FileError);
    EXPECT_EQ(slurp("tavi.out"), before);
    std::ofstream("ax.dat", std::ios::binary) << "1 0 0\r\n10 5 10\r\n100 five\r\n";
    std::filesystem::permissions("tavi.cov", std::filesystem::perms::owner_all);
    EXPECT_THROW(RunCalculation("ax.dat", "tavi.out", "tavi.cov"), FileError);
    EXPECT_EQ(slurp("tavi.out"), before);
}

class ThreeLevelRun : public test::WorkingDirectoryTest {
protected:
    RunOutcome run(const std::string& text, int threads = 0, SweepObserver* observer = nullptr) {
        return calculateDesign(readThreeLevelText(text, "design.dat"), "design.dat", "design.out",
                               "design.cov", {observer, {}, threads});
    }

    // A file with its date line masked.
    static std::string masked(const std::string& name) {
        std::string text = slurp(name);
        const std::string label = "Date and time: ";
        const std::size_t start = text.find(label);
        const std::size_t from = start == std::string::npos ? 0 : start + label.size();
        return text.replace(from, text.find("\r\n", from) - from, "<date>");
    }
};

TEST_F(ThreeLevelRun, ReportAndCovarianceFileByteForByteOnAnyNumberOfThreads) {
    for (const int threads : {1, 2, 3}) {
        EXPECT_FALSE(run(kSiteTrialText, threads).refused);
        EXPECT_EQ(masked("design.out"), expected("three-level.out")) << threads << " threads";
        EXPECT_EQ(masked("design.cov"), expected("three-level.cov")) << threads << " threads";
    }
}

TEST_F(ThreeLevelRun, ListsTheSiteTrialUnderABudgetWithItsClosedForm) {
    SweepCollector collector;
    ASSERT_FALSE(run(kSiteTrialText, 2, &collector).refused);
    const ResultsModel results(completeResults(std::move(*collector.results()), {}));
    EXPECT_EQ(results.titles(), (std::vector<std::string>{"intercept", "treatment"}));
    const SweepTable& table = results.table();
    // (J, n, K): as many sites as 3000 pays for at 20 + J (5 + n) each.
    const std::vector<std::tuple<int, int, int>> points = {
        {2, 10, 60}, {4, 10, 37}, {2, 20, 42}, {4, 20, 25}};
    ASSERT_EQ(table.size(), points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        const auto [J, n, K] = points[i];
        EXPECT_EQ(table.point(i), (SweepPoint{K, n, K * (20 + J * (5 + n)), J}));
        const double perSite = 0.05 + 0.1 / J + 0.85 / (J * n);
        EXPECT_NEAR(table.se(i, 1), std::sqrt(perSite / (K * 0.25)), 1e-12);
        // The intercept is the control sites' mean: 1 / (1 - P) times a site's variance.
        EXPECT_NEAR(table.se(i, 0), std::sqrt(perSite / (K * 0.5)), 1e-12);
    }
    EXPECT_EQ(results.smallestSe(1), 0U);
}

TEST_F(ThreeLevelRun, SweepsKFastestThenJThenN) {
    std::string text = kSiteTrialText;
    text.replace(text.find("budget 3000 20 5"), 16, "sites 10 14 2");
    ASSERT_FALSE(run(text).refused);
    std::vector<std::tuple<int, int, int>> points;
    for (const std::string& line : linesOf(slurp("design.cov"))) {
        int K = 0;
        int J = 0;
        int n = 0;
        if (std::sscanf(line.c_str(), "K = %d ; J = %d ; n = %d", &K, &J, &n) == 3) {
            points.emplace_back(K, J, n);
        }
    }
    const std::vector<std::tuple<int, int, int>> expected = {
        {10, 2, 10}, {12, 2, 10}, {14, 2, 10}, {10, 4, 10}, {12, 4, 10}, {14, 4, 10},
        {10, 2, 20}, {12, 2, 20}, {14, 2, 20}, {10, 4, 20}, {12, 4, 20}, {14, 4, 20}};
    EXPECT_EQ(points, expected);
}

TEST_F(ThreeLevelRun, RefusesWhatItCannotComputeAndSaysWhy) {
    std::string text = kSiteTrialText;
    text.replace(text.find("groups 2 4 2"), 12, "groups 4 2 0");
    text.replace(text.find("residual-variance 0.85"), 22, "residual-variance 0");
    const RunOutcome outcome = run(text);
    EXPECT_TRUE(outcome.refused);
    EXPECT_EQ(outcome.reason, "The residual variance must be above 0.");
    const std::string report = slurp("design.out");
    EXPECT_NE(
        report.find("The design cannot be computed:\r\n"
                    "The residual variance must be above 0.\r\n"
                    "The step of number of groups per site J must be at least 1; it is 0.\r\n"
                    "The largest number of groups per site J (2) is below the smallest (4).\r\n"
                    "Program stops.\r\n"),
        std::string::npos)
        << report;

    std::string large = "TAVI three-level design\n";
    std::string level3;
    for (int i = 0; i < 7; ++i) {
        large += "level-1 x" + std::to_string(i) + " random-3\n";
        level3 += "level-3 v" + std::to_string(i) + "\n";
    }
    EXPECT_EQ(run(large + level3).reason,
              "the design has 64 regression coefficients, more than 40");
}

}  // namespace
}  // namespace tavi
