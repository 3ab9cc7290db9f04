#include "engine/run/CalculationRun.h"
#include "engine/run/DesignResults.h"
#include "engine/run/ResultsModel.h"
#include "engine/templates/DesignTemplates.h"
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
    GroupSizeSettings sizes;
    sizes.sizeCv = 0.5;
    sizes.groupDropout = 0.25;
    DesignComputation computed = computeDesign(test::readingOf(twentyGroupSizes(), sizes), {});
    ASSERT_TRUE(computed.results);
    // 12 groups of which a quarter are lost leave 9: the intercept's df are 9 - kw - 1.
    EXPECT_EQ(computed.results->run.df.at(1, 12, 21), 7.0);
    const ResultsModel model(std::move(*computed.results));
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
    ASSERT_FALSE(calculateInMemory(ReadDesign("ax.dat"), {.observer = &inMemory}).refused);
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
    EXPECT_TRUE(calculateInMemory(ReadDesign("ax.dat"), {.observer = &collector}).refused);
    EXPECT_FALSE(collector.results());
}

TEST_F(ResultsModelTest, TitlesSayWhatEachCoefficientIs) {
    std::vector<std::string> titles;
    const NestedModel m = test::readingOf(test::designWithCounts(3, 1, 2)).design.model;
    for (const Coefficient& c : coefficientsOf(m, {})) {
        titles.push_back(coefficientTitle(m, c));
    }
    EXPECT_EQ(titles, (std::vector<std::string>{
                          "Fixed 1: x1, fixed effect only", "Const: intercept",
                          "Group 1: level-2 variable 1", "Group 2: level-2 variable 2",
                          "Random 1: slope of x2", "Cross-L 1,1: slope of x2 x w1",
                          "Cross-L 1,2: slope of x2 x w2", "Random 2: slope of x3",
                          "Cross-L 2,1: slope of x3 x w1", "Cross-L 2,2: slope of x3 x w2"}));
}

TEST_F(ResultsModelTest, ManyGroupSizesShowAFewLinesWithTheSmallestSe) {
    ResultsModel model(*computeDesign(test::readingOf(twentyGroupSizes()), {}).results);
    const SweepTable& table = model.table();
    for (int c = 0; c < table.coefficients(); ++c) {
        model.choose(c);
        const Plot plot = model.plot(PlotQuantity::StandardError);
        std::size_t smallest = 0;
        for (std::size_t i = 0; i < table.size(); ++i) {
            smallest = table.se(i, c) < table.se(smallest, c) ? i : smallest;
        }
        ASSERT_TRUE(plot.mark);
        EXPECT_EQ(plot.mark->y, table.se(smallest, c));
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

// The curve against the intraclass correlation shares tau00 + sigma2 anew at the chosen point:
// its last point, at twice the design's correlation, is the power of the design computed with
// those variances from the start.
TEST_F(ResultsModelTest, PowerAgainstTheIccIsTheDesignComputedWithThatIcc) {
    DesignParameters p = twentyGroupSizes();
    p.Tau(1, 1) = 0.2;
    p.ResidualVariance = 0.8;
    ResultsModel model(*computeDesign(test::readingOf(p), {}).results);
    ASSERT_TRUE(model.choose("Group1"));
    model.setEffect(0.4);
    const Plot plot = model.plot(PlotQuantity::PowerByIcc);
    ASSERT_EQ(plot.lines.size(), 1u);
    ASSERT_EQ(plot.lines[0].points.size(), std::size_t(ResultsModel::kCurvePoints));
    EXPECT_DOUBLE_EQ(plot.lines[0].points.back().x, 0.4);
    EXPECT_DOUBLE_EQ(plot.mark->x, 0.2);

    p.Tau(1, 1) = 0.4;
    p.ResidualVariance = 0.6;
    ResultsModel doubled(*computeDesign(test::readingOf(p), {}).results);
    ASSERT_TRUE(doubled.choose("Group1"));
    doubled.setEffect(0.4);
    const SweepPoint at = *model.chosenPoint();
    doubled.choosePoint(at);
    const Plot atDoubled = doubled.plot(PlotQuantity::PowerByEffect);
    EXPECT_NEAR(plot.lines[0].points.back().y, atDoubled.mark->y, 1e-12);
}
// Over periods the curve against the intraclass correlation varies the design's icc, its other
// correlations kept: its last point, at twice the icc, is the power of the design made so.
TEST_F(ResultsModelTest, PowerAgainstTheIccOverPeriodsIsTheDesignMadeWithThatIcc) {
    const auto stepsWithIcc = [](const char* icc) {
        const TemplateDesign made = makeDesign(
            *findTemplate("stepped-wedge"),
            {{"sequences", "3"}, {"clusters", "4"}, {"n", "20"}, {"icc", icc}, {"cac", "0.7"}});
        ResultsModel model(*computeDesign({made.design, std::nullopt}, {}).results);
        model.choose(std::string("treatment"));
        model.setEffect(0.3);
        return model;
    };
    ResultsModel model = stepsWithIcc("0.05");
    const Plot plot = model.plot(PlotQuantity::PowerByIcc);
    ASSERT_EQ(plot.lines.size(), 1u);
    EXPECT_DOUBLE_EQ(plot.lines[0].points.back().x, 0.1);
    const Plot atDoubled = stepsWithIcc("0.1").plot(PlotQuantity::PowerByEffect);
    EXPECT_NEAR(plot.lines[0].points.back().y, atDoubled.mark->y, 1e-12);
    EXPECT_LT(plot.lines[0].points.back().y, plot.mark->y);
}

// Contrasts and joint tests of a run with groups of varying sizes: the points computed again
// with those sizes give a contrast of one coefficient that coefficient's standard errors; a joint
// test is chosen and planned like a coefficient; one that cannot be used changes nothing.
TEST_F(ResultsModelTest, ContrastsAndJointTestsJoinTheChooser) {
    GroupSizeSettings sizes;
    sizes.sizeCv = 0.5;
    ResultsModel model(*computeDesign(test::readingOf(twentyGroupSizes(), sizes), {}).results);
    model.applyTestOptions({.contrasts = {{"pick", "Group1"}},
                            .jointTests = {{"j", "Group1,Random1"}},
                            .effects = {{"Group1", 0.3}, {"Random1", 0.2}},
                            .dfs = {}});
    const std::size_t entries = model.choices().size();
    EXPECT_EQ(model.choices()[entries - 2].name, "pick");
    for (std::size_t i = 0; i < model.table().size(); ++i) {
        EXPECT_EQ(model.table().se(i, 5), model.table().se(i, 2));
    }
    ASSERT_TRUE(model.choose("pick"));
    EXPECT_EQ(model.effect(), 0.3);
    ASSERT_TRUE(model.choose("j"));
    EXPECT_TRUE(model.jointChosen());
    const PointTest test = model.testAt(0);
    EXPECT_GT(test.power, 0.05);
    EXPECT_LT(test.power, 1.0);
    EXPECT_TRUE(model.best(Criterion::HighestPower).point);
    EXPECT_FALSE(model.plot(PlotQuantity::Power).lines.empty());

    EXPECT_THROW(model.applyTestOptions({{{"ok", "Group1"}, {"bad", "Group1+x"}}, {}, {}, {}}),
                 TestOptionError);
    EXPECT_THROW(model.addTested("dup=pick,Group1"), TestOptionError);
    EXPECT_EQ(model.choices().size(), entries);
    EXPECT_EQ(model.name(model.coefficient()), "j");
}
}  // namespace
}  // namespace tavi
