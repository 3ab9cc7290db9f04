// What the results window shows of a run, computed without any window: the titles of the
// coefficients and contrasts, each one's smallest standard error, and, for the one chosen under
// the test settings, a plot of its standard error, MDES or power over the sample sizes; and the
// power of each joint test.
#pragma once

#include "engine/power/JointTests.h"
#include "engine/power/PointTests.h"
#include "engine/power/QuantityNames.h"
#include "engine/run/RunResults.h"
#include "engine/run/TestOptions.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavi {

enum class PlotQuantity { StandardError, Mdes, Power };

struct PlotPoint {
    double x;
    double y;
    std::size_t point;  // index into the table
};

struct PlotLine {
    std::string name;               // "n = 10" over ranges; empty for the line of a budget
    std::vector<PlotPoint> points;  // in order of x; points without a value are left out
};

struct Plot {
    std::string title;
    std::string xTitle;
    std::string yTitle;
    std::vector<PlotLine> lines;
    std::optional<PlotPoint> mark;  // the best point, or the cheapest reaching the target power
    std::string markLabel;
    std::optional<double> target;  // on the power plot: the target power
    std::string note;              // what the plot leaves out, or empty
};

class ResultsModel {
public:
    // Chooses a first coefficient: a level-2 variable's, a slope's, a fixed effect's or the
    // intercept, the first there is in this order.
    explicit ResultsModel(RunResults run);

    // The columns are the coefficients, then the contrasts, which are chosen, plotted and
    // written like coefficients.
    const SweepTable& table() const { return m_run.table; }
    // "Group 1: level-2 variable 1", ..., then "Contrast T2vsT1: Group2-Group1".
    const std::vector<std::string>& titles() const { return m_titles; }
    // The point of coefficient c's smallest standard error, ties going to the cheaper point;
    // empty when c has no standard error anywhere.
    std::optional<std::size_t> smallestSe(int c) const { return m_smallestSe[c]; }

    // The sizes of the groups that the results assume, for the panel of assumptions (a run
    // given them in its RunControl computes with them); none in force when every group has n
    // units. In words, empty when none is in force.
    const GroupSizeSettings& groupSizes() const { return m_run.sizes; }
    std::string groupSizesText() const;
    // Coefficient c's relative efficiency at point i against groups of equal size with the same
    // units; NaN when every group has n units, and for a contrast.
    double efficiency(std::size_t i, int c) const;

    const TestSettings& settings() const { return m_settings; }
    int coefficient() const { return m_coefficient; }
    double effect() const { return *m_effects[m_coefficient]; }

    void setSettings(const TestSettings& settings);
    // Makes c the chosen coefficient, with the effect last given for it or, the first time, its
    // MDES at its smallest standard error rounded to two digits.
    void choose(int c);
    void setEffect(double effect);

    // The chosen coefficient's quantity: against n under a budget, against N with a line per n
    // over ranges (at most kMaxPlotLines of them, always with the marked point's).
    Plot plot(PlotQuantity quantity);

    // The table of tests that `tavi-calc --power-csv` writes with these settings and the chosen
    // coefficient's effect. Throws FileError when the file cannot be written.
    void writePowerCsv(const std::string& fileName);

    // Adds contrasts and joint tests as `tavi-calc --contrast` and `--joint` take them
    // ("T2vsT1", "Group2-Group1"; "omnibus", "Group1,Group2"), the contrasts first, and computes
    // every point again for them. Throws QuantityError, naming the one that cannot be used, and
    // then changes nothing.
    void addTested(const NamedTexts& contrasts, const NamedTexts& jointTests);

    // What `tavi --results` takes on its command line, as tavi-calc takes it: adds the contrasts
    // and joint tests of options as addTested does, then gives the quantities the effects and
    // the quantities and joint tests the df that options name (a contrast without an effect
    // gets the one that follows from its coefficients'). Throws TestOptionError, naming the
    // option and the name, and then changes nothing.
    void applyTestOptions(const TestOptions& options);

    // "omnibus: Group1, Group2", one per joint test.
    const std::vector<std::string>& jointTitles() const { return m_jointTitles; }
    // Joint test j's F test at point i of the table, with its members' effects as last given,
    // or the first time their MDES at their smallest standard error: df is the denominator df,
    // mdesExact the detectable scale.
    PointTest jointTest(int j, std::size_t i);
    // Joint test j's power against n under a budget, against N with a line per n over ranges,
    // with the cheapest point reaching the target power marked.
    Plot jointPlot(int j);

    static constexpr std::size_t kMaxPlotLines = 8;

private:
    PointTests& tests();
    JointTests& jointTests();
    // The effect of tested quantity q: the one last given, else its MDES at its smallest
    // standard error rounded to two digits, which it keeps.
    double effectOf(int q);
    // A point to mark and what it is.
    struct Mark {
        std::optional<std::size_t> point;
        const char* name;
    };
    // The mark and the lines of plot for column c of t under tests, whose value at point i
    // value(i) gives; fallback is marked unless a point reaches the target power.
    void drawPlot(Plot& plot, const SweepTable& t, PointTests& pointTests, int c,
                  PlotQuantity quantity, const Mark& fallback,
                  const std::function<double(std::size_t)>& value) const;
    // The lines of the plot with value(i) at point i of t, NaN where it has none.
    void addLines(Plot& plot, const SweepTable& t,
                  const std::function<double(std::size_t)>& value) const;
    // Titles and smallest standard errors of the table's columns and joint tests.
    void describeColumns();
    // Takes the quantities and joint tests of names, every point computed again for them.
    void useNames(QuantityNames names);

    RunResults m_run;
    QuantityNames m_names;
    TestedDegreesOfFreedom m_df;
    NamedValues m_givenDfs;  // by name, instead of the rules'
    std::vector<std::string> m_titles;
    std::vector<std::string> m_jointTitles;
    std::vector<std::optional<std::size_t>> m_smallestSe;
    TestSettings m_settings;
    int m_coefficient = 0;
    std::vector<std::optional<double>> m_effects;
    // The tests under the current settings and effect, kept while they stay the same.
    std::optional<PointTests> m_tests;
    // The joint tests under the current settings and effects, with the table of their
    // noncentralities, kept likewise.
    std::optional<JointTests> m_jointTests;
    std::optional<SweepTable> m_jointTable;
};

}  // namespace tavi
