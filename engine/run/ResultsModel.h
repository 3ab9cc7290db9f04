// What the results window shows of a design of any levels, computed without any window: the
// coefficients to choose from, each one's smallest standard error,
// the answers of tavi-calc's summary for the chosen coefficient under the test settings, and
// plots of its standard error, MDES or power over the sample sizes, of its power against the
// effect or the intraclass correlations at a point, and of the groups (or sites) it needs at
// each group size.
#pragma once

#include "engine/DesignInformation.h"
#include "engine/power/AllocationAnswers.h"
#include "engine/power/JointTests.h"
#include "engine/power/PointTests.h"
#include "engine/power/QuantityNames.h"
#include "engine/run/DesignResults.h"
#include "engine/run/TestOptions.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavi {

enum class PlotQuantity { StandardError, Mdes, Power, PowerByEffect, PowerByIcc, RequiredGroups };

struct PlotPoint {
    double x;
    double y;
};

struct PlotLine {
    std::string name;               // "n = 10" for a group size; empty for a line over n
    std::vector<PlotPoint> points;  // in order of x; points without a value are left out
    // Where the line's group size lies among the sweep's, from 0 (the smallest) to 1 (the
    // largest), so that a group size has one colour in every view; empty for a line over n.
    std::optional<double> shade;
};

struct Plot {
    std::string title;
    std::string xTitle;
    std::string yTitle;
    bool wholeX = true;  // x counts groups or units; otherwise it is a real
    std::vector<PlotLine> lines;
    std::optional<PlotPoint> mark;  // the best point, or the point of the current value
    std::string markLabel;
    std::optional<double> target;  // on the power plots: the target power
    std::string note;              // what the plot leaves out, or empty
};

// An entry of the coefficient chooser: what it is for people, and the name tavi-calc takes.
struct Choice {
    std::string label;
    std::string name;
};

class ResultsModel {
public:
    // Chooses a first coefficient: a level-2 variable's, a slope's, a fixed effect's or the
    // intercept, the first there is in this order.
    explicit ResultsModel(DesignResults results);

    // The results of the design as edited; the test settings, the effects given and the chosen
    // coefficient and point stay, as far as the new design has them.
    void replaceResults(DesignResults results);

    const SweepTable& table() const { return m_results.run.table; }
    // The design the results are of.
    const NestedDesign& design() const { return m_results.run.design->design; }
    const std::vector<Coefficient>& coefficients() const { return m_results.run.coefficients; }
    // The coefficients, the contrasts, then the joint tests: their titles and the names
    // tavi-calc takes. Entry c < table().coefficients() is a column of the table.
    const std::vector<std::string>& titles() const { return m_titles; }
    const std::string& name(int c) const { return m_names[c]; }
    // The chooser's entries, in the order above.
    std::vector<Choice> choices() const;
    // Whether the entry chosen is a joint test, shown by its power alone.
    bool jointChosen() const { return m_coefficient >= table().coefficients(); }

    // Adds the contrasts and joint tests of options as `tavi-calc --contrast` and `--joint` take
    // them, with the effects and df named there, and computes every point again for them; edits
    // of the design keep them as far as its coefficients allow. Throws TestOptionError, naming
    // the option and the name, and then changes nothing.
    void applyTestOptions(const TestOptions& options);
    // The same for a line typed by the user: "NAME=EXPR" a contrast, "NAME=A,B,..." a joint test.
    void addTested(std::string_view line);
    // The point of coefficient c's smallest standard error in the table, ties going to the
    // cheaper point; empty when c has no standard error anywhere.
    std::optional<std::size_t> smallestSe(int c) const { return m_smallestSe[c]; }
    // Over ranges, the step of N (or K) between the table's points.
    std::int32_t groupsStep() const;

    // The sizes of the groups that the results assume, for the panel of assumptions (a run
    // given them in its RunControl computes with them); none in force when every group has n
    // units. In words, empty when none is in force.
    const GroupSizeSettings& groupSizes() const { return m_results.run.sizes(); }
    std::string groupSizesText() const;
    // Coefficient c's relative efficiency at point i against groups of equal size with the same
    // units; NaN when every group has n units, and for a contrast.
    double efficiency(std::size_t i, int c) const;

    const TestSettings& settings() const { return m_settings; }
    int coefficient() const { return m_coefficient; }
    // The chosen entry's effect; NaN for a joint test, whose members' effects it takes.
    double effect() const;

    void setSettings(const TestSettings& settings);
    // Makes c the chosen coefficient, with the effect last given for it or, the first time, its
    // MDES at its smallest standard error rounded to two digits.
    void choose(int c);
    // Chooses the coefficient tavi-calc names so; false when there is none.
    bool choose(const std::string& name);
    void setEffect(double effect);

    // tavi-calc's answers for the chosen coefficient with its effect: highest_power,
    // smallest_mdes, smallest_se, cheapest_for_power, and the groups required at every group
    // size searched.
    const AllocationAnswers& answers();
    const BestPoint& best(Criterion criterion);
    // The answers in a few lines for people.
    std::vector<std::string> answerLines();

    // The chosen coefficient's tests at point i of the table.
    PointTest testAt(std::size_t i);

    // The point at which the power against the effect and the intraclass correlation are
    // shown: the one chosen, else the best (of highest power); empty when there is none.
    std::optional<SweepPoint> chosenPoint();
    void choosePoint(std::optional<SweepPoint> point);

    // The chosen coefficient's view: against n under a budget (a line per J with three
    // levels), against N or K with a line per n (and J) over ranges (at most kMaxPlotLines of
    // them, always with the marked point's), or at the chosen point.
    Plot plot(PlotQuantity quantity);

    // The table of tests that `tavi-calc --power-csv` writes with these settings and the chosen
    // coefficient's effect. Throws FileError when the file cannot be written.
    void writePowerCsv(const std::string& fileName);

    static constexpr std::size_t kMaxPlotLines = 8;
    // Points of the curves against the effect and the intraclass correlation.
    static constexpr int kCurvePoints = 61;

private:
    // Derives what the model keeps of the results, with the names of what they test.
    void resultsChanged(const QuantityNames& names);
    // Computes the results again for the contrasts and joint tests of names, when it has any.
    void retest(const QuantityNames& names);
    // Gives entry c, the first time, its MDES at its smallest standard error rounded to two
    // digits as its effect.
    void giveEffect(int c);
    PointTests& tests();
    JointTests& jointTests();
    void forgetTests();
    double shadeOf(std::int32_t n) const;
    // The chosen coefficient's standard error at point, of the design or, when given, of a
    // variation of it; NaN where it has none.
    double standardErrorAt(const SweepPoint& point, const NestedDesign* varied = nullptr);
    Plot sweepPlot(PlotQuantity quantity);
    Plot effectPlot();
    Plot iccPlot();
    Plot requiredPlot();
    // The lines of the plot with value(i) at point i, NaN where it has none; the marked
    // point's line is always shown.
    void addLines(Plot& plot, const std::function<double(std::size_t)>& value,
                  const std::optional<SweepPoint>& marked) const;

    DesignResults m_results;
    std::vector<std::string> m_titles;
    std::vector<std::string> m_names;
    TestOptions m_added;  // the contrasts, joint tests and df added, without the effects
    TestedDegreesOfFreedom m_df;
    std::vector<std::optional<std::size_t>> m_smallestSe;
    TestSettings m_settings;
    int m_coefficient = 0;
    std::map<std::string, double> m_effects;  // by coefficient name
    std::optional<SweepPoint> m_chosenPoint;
    // The tests and answers under the current settings and effect, kept while they stay.
    std::optional<PointTests> m_tests;
    std::optional<AllocationAnswers> m_answers;
    // The joint tests, with the table of their noncentralities, kept likewise.
    std::optional<JointTests> m_joint;
    std::optional<SweepTable> m_jointTable;
    // A work of its own for points computed after the run.
    std::unique_ptr<PointWork> m_work;
};

}  // namespace tavi
