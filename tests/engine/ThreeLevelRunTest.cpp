#include "engine/run/ResultsModel.h"
#include "engine/run/ThreeLevelResults.h"
#include "engine/run/ThreeLevelRun.h"
#include "files/OutputSet.h"
#include "files/ThreeLevelFile.h"
#include "tests/engine/ThreeLevelDesigns.h"
#include "tests/files/FileTestSupport.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

namespace tavi {
namespace {

using test::linesOf;
using test::slurp;

using test::kSiteTrialText;

class ThreeLevelRun : public test::WorkingDirectoryTest {
protected:
    ThreeLevelOutcome run(const std::string& text, int threads = 0,
                          ThreeLevelObserver* observer = nullptr) {
        OutputSet outputs;
        ThreeLevelOutcome outcome =
            runThreeLevelInto(outputs, readThreeLevelText(text, "design.dat"), "design.dat",
                              "design.out", "design.cov", {observer, {}, threads});
        outputs.commit();
        return outcome;
    }

    // A file with its date line masked.
    static std::string masked(const std::string& name) {
        std::string text = slurp(name);
        const std::string label = "Date and time: ";
        const std::size_t start = text.find(label);
        const std::size_t from = start == std::string::npos ? 0 : start + label.size();
        return text.replace(from, text.find("\r\n", from) - from, "<date>");
    }

    static std::string expected(const std::string& name) {
        return slurp(std::string(TAVI_TEST_DATA_DIR) + "/" + name);
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
    ThreeLevelCollector collector({"treatment"}, true);
    ASSERT_FALSE(run(kSiteTrialText, 2, &collector).refused);
    const ResultsModel results(DesignResults{std::move(*collector.results()), nullptr, {}});
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
    const ThreeLevelOutcome outcome = run(text);
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
              "The design has 64 regression coefficients; at most 40 fit.");
}

}  // namespace
}  // namespace tavi
