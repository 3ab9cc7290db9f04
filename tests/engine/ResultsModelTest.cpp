#include "engine/run/CalculationRun.h"
#include "engine/run/ResultsModel.h"
#include "tests/engine/RunFixture.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>

namespace tavi {
namespace {

using ResultsModelTest = test::RunFixture;

// Range mode over n = 2, 3, ..., 21 and N = 10..12, with k = 2, k1 = 1, kw = 1.
DesignParameters twentyGroupSizes() {
    DesignParameters p = test::designWithCounts(2, 1, 1);
    p.BudgetMode = false;
    p.MinGroupSize = 2;
    p.GroupSizeStep = 1;
    p.MaxGroupSize = 21;
    p.MinGroups = 10;
    p.MaxGroups = 12;
    return p;
}

// A run told the sizes of the groups hands them, with each point's relative efficiencies, to the
// results and their model, for the window's assumptions; the degrees of freedom take the groups
// expected to be left.
TEST_F(ResultsModelTest, KeepsTheGroupSizesOfTheRun) {
    WriteParameterFile(twentyGroupSizes(), "ax.dat", "tavi.out", "tavi.cov");
    RunControl control;
    control.sizes.sizeCv = 0.5;
    control.sizes.groupDropout = 0.25;
    SweepCollector collector;
    control.observer = &collector;
    ASSERT_FALSE(calculateInMemory("ax.dat", control).refused);
    // 12 groups of which a quarter are lost leave 9: the intercept's df are 9 - kw - 1.
    EXPECT_EQ(collector.results()->df.at(1, 12, 21), 7.0);
    const ResultsModel model(std::move(*collector.results()));
    EXPECT_EQ(model.groupSizes().sizeCv, 0.5);
    EXPECT_EQ(model.groupSizesText(),
              "group sizes varying around n with CV 0.5, each group lost with probability 0.25");
    ASSERT_EQ(model.table().size(), 60u);
    EXPECT_LT(model.efficiency(59, 1), 1.0);
    EXPECT_GT(model.efficiency(59, 1), 0.5);
}

TEST_F(ResultsModelTest, InMemoryRunKeepsTheSameStandardErrorsAndWritesNoFile) {
    SweepCollector written;
    WriteParameterFile(twentyGroupSizes(), "ax.dat", "tavi.out", "tavi.cov");
    ASSERT_FALSE(RunCalculation("ax.dat", "tavi.out", "tavi.cov", {.observer = &written}).refused);
    std::filesystem::remove("tavi.out");
    std::filesystem::remove("tavi.cov");
    SweepCollector inMemory;
    ASSERT_FALSE(calculateInMemory("ax.dat", {.observer = &inMemory}).refused);
    EXPECT_FALSE(std::filesystem::exists("tavi.out") || std::filesystem::exists("tavi.cov"));
    const SweepTable& a = written.results()->table;
    const SweepTable& b = inMemory.results()->table;
    ASSERT_EQ(a.size(), 60u);
    ASSERT_EQ(b.size(), a.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        for (int c = 0; c < a.coefficients(); ++c) {
            EXPECT_EQ(a.se(i, c), b.se(i, c));
        }
    }
}

TEST_F(ResultsModelTest, RefusedDesignHasNoResults) {
    WriteParameterFile(test::designWithCounts(5, 0, 6), "ax.dat", "tavi.out", "tavi.cov");
    SweepCollector collector;
    EXPECT_TRUE(calculateInMemory("ax.dat", {.observer = &collector}).refused);
    EXPECT_FALSE(collector.results());
}

TEST_F(ResultsModelTest, TitlesSayWhatEachCoefficientIs) {
    std::vector<std::string> titles;
    for (const Coefficient& c : coefficientsOf(1, 3, 3)) {
        titles.push_back(coefficientTitle(c, 1));
    }
    EXPECT_EQ(titles, (std::vector<std::string>{
                          "Fixed 1: x1, fixed effect only", "Const: intercept",
                          "Group 1: level-2 variable 1", "Group 2: level-2 variable 2",
                          "Random 1: slope of x2", "Cross-L 1,1: slope of x2 x w1",
                          "Cross-L 1,2: slope of x2 x w2", "Random 2: slope of x3",
                          "Cross-L 2,1: slope of x3 x w1", "Cross-L 2,2: slope of x3 x w2"}));
}

TEST_F(ResultsModelTest, ManyGroupSizesShowAFewLinesWithTheSmallestSe) {
    SweepCollector collector;
    WriteParameterFile(twentyGroupSizes(), "ax.dat", "tavi.out", "tavi.cov");
    ASSERT_FALSE(calculateInMemory("ax.dat", {.observer = &collector}).refused);
    ResultsModel model(std::move(*collector.results()));
    const SweepTable& table = model.table();
    for (int c = 0; c < table.coefficients(); ++c) {
        model.choose(c);
        const Plot plot = model.plot(PlotQuantity::StandardError);
        std::size_t smallest = 0;
        for (std::size_t i = 0; i < table.size(); ++i) {
            smallest = table.se(i, c) < table.se(smallest, c) ? i : smallest;
        }
        ASSERT_TRUE(plot.mark);
        EXPECT_EQ(table.se(plot.mark->point, c), table.se(smallest, c));
        EXPECT_EQ(plot.lines.size(), ResultsModel::kMaxPlotLines);
        EXPECT_FALSE(plot.note.empty());
        const std::string markedLine = "n = " + std::to_string(table.point(smallest).n);
        EXPECT_TRUE(std::any_of(plot.lines.begin(), plot.lines.end(),
                                [&](const PlotLine& line) { return line.name == markedLine; }));
        for (const PlotLine& line : plot.lines) {
            EXPECT_EQ(line.points.size(), 3u) << line.name;
        }
    }
}

// Contrasts and joint tests given after a run of groups of varying sizes: the points computed
// again with those sizes give a contrast of one coefficient that coefficient's standard errors,
// the effects and df given reach the tests, and options that cannot be used change nothing.
TEST_F(ResultsModelTest, ContrastsAndJointTestsAddedLaterJoinTheColumns) {
    SweepCollector collector;
    WriteParameterFile(twentyGroupSizes(), "ax.dat", "tavi.out", "tavi.cov");
    RunControl control{.observer = &collector};
    control.sizes.sizeCv = 0.5;
    ASSERT_FALSE(calculateInMemory("ax.dat", control).refused);
    ResultsModel model(std::move(*collector.results()));
    const int coefficients = model.table().coefficients();
    const double lastSe = model.table().se(model.table().size() - 1, 2);
    EXPECT_THROW(model.addTested({{"pick", "Group1"}}, {{"j", "Group1,pick"}}), QuantityError);
    EXPECT_THROW(model.applyTestOptions({{{"pick", "Group1"}}, {}, {}, {{"no", 3.0}}}),
                 TestOptionError);
    EXPECT_EQ(model.table().coefficients(), coefficients) << "nothing changed";
    model.applyTestOptions({.contrasts = {{"pick", "Group1"}},
                            .jointTests = {{"j", "Group1,Random1"}},
                            .effects = {{"Group1", 0.4}},
                            .dfs = {{"j", 5.0}}});
    ASSERT_EQ(model.table().coefficients(), coefficients + 1);
    EXPECT_EQ(model.table().se(model.table().size() - 1, coefficients), lastSe);
    EXPECT_EQ(model.titles().back(), "Contrast pick: Group1");
    EXPECT_EQ(model.jointTitles(), std::vector<std::string>{"j: Group1, Random1"});
    for (std::size_t i = 0; i < model.table().size(); ++i) {
        EXPECT_EQ(model.table().se(i, coefficients), model.table().se(i, 2));
        EXPECT_EQ(model.jointTest(0, i).df, 5.0);
        EXPECT_GT(model.jointTest(0, i).power, 0.05);
    }
    model.choose(coefficients);
    EXPECT_EQ(model.effect(), 0.4) << "the effect of its coefficient";
    const Plot plot = model.jointPlot(0);
    EXPECT_EQ(plot.lines.size(), ResultsModel::kMaxPlotLines);
    EXPECT_TRUE(plot.mark);
}

}  // namespace
}  // namespace tavi
