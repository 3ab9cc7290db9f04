// What the results window shows of a run, computed without any window: the coefficients'
// titles (for a three-level run their names), each one's smallest standard error, and, for the
// coefficient chosen under the test settings, a plot of its standard error, MDES or power over the
// sample sizes.
#pragma once

#include "engine/power/PointTests.h"
#include "engine/run/RunResults.h"

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

    const SweepTable& table() const { return m_run.table; }
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
    // units; NaN when every group has n units.
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

    static constexpr std::size_t kMaxPlotLines = 8;

private:
    PointTests& tests();
    // The lines of the plot with value(i) at point i, NaN where it has none.
    void addLines(Plot& plot, const std::function<double(std::size_t)>& value) const;

    RunResults m_run;
    std::vector<std::string> m_titles;
    std::vector<std::optional<std::size_t>> m_smallestSe;
    TestSettings m_settings;
    int m_coefficient = 0;
    std::vector<std::optional<double>> m_effects;
    // The tests under the current settings and effect, kept while they stay the same.
    std::optional<PointTests> m_tests;
};

}  // namespace tavi
