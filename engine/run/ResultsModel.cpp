#include "engine/run/ResultsModel.h"

#include "engine/CovarianceComputation.h"
#include "engine/power/TestPower.h"
#include "engine/run/PowerCsv.h"
#include "engine/run/RelativeEfficiency.h"
#include "engine/run/TestedResults.h"
#include "files/NumberText.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <map>
#include <numeric>
#include <span>

namespace tavi {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// The intraclass correlations shown stay below 1, where the level-1 variance would vanish.
constexpr double kLargestIcc = 0.99;
// Without an intraclass correlation to double, its curve runs up to this.
constexpr double kIccRangeFromZero = 0.1;

int firstChosen(const std::vector<Coefficient>& coefficients) {
    for (const CoefficientKind kind :
         {CoefficientKind::Group, CoefficientKind::Random, CoefficientKind::Fixed}) {
        for (std::size_t c = 0; c < coefficients.size(); ++c) {
            if (coefficients[c].kind == kind) {
                return static_cast<int>(c);
            }
        }
    }
    return 0;
}

const char* quantityName(PlotQuantity quantity) {
    switch (quantity) {
        case PlotQuantity::Mdes:
            return "MDES";
        case PlotQuantity::Power:
            return "power";
        default:
            break;
    }
    return "SE";
}

Criterion criterionOf(PlotQuantity quantity) {
    switch (quantity) {
        case PlotQuantity::Mdes:
            return Criterion::SmallestMdes;
        case PlotQuantity::Power:
            return Criterion::HighestPower;
        default:
            break;
    }
    return Criterion::SmallestSe;
}

// How the plots name the sample sizes of a design of some kind.
struct SizeWords {
    const char* topTitle;    // the axis of the top-level units
    const char* tops;        // the top-level units, as "groups"
    const char* unitsTitle;  // the axis of n
    const char* sizes;       // values of n, as "group sizes"
    const char* cells;       // the points at which the required numbers are sought
};

constexpr SizeWords kGroupWords{"Number of groups N", "groups",
                                "Group size n (level-1 units per group)", "group sizes",
                                "group sizes"};
constexpr SizeWords kSiteWords{"Number of sites K", "sites", kGroupWords.unitsTitle,
                               kGroupWords.sizes, "cells"};
constexpr SizeWords kClusterWords{"Number of clusters K", "clusters",
                                  "Cluster-period size n (units per cluster and period)",
                                  "cluster-period sizes", "cluster-period sizes"};

const SizeWords& sizeWordsOf(const NestedDesign& d) {
    return d.periods ? kClusterWords : d.levels() == 3 ? kSiteWords : kGroupWords;
}

// A curve of the power against an intraclass correlation: the design's value, the largest
// shown, and how a design takes another value.
struct IccCurve {
    std::string name;
    double icc;
    double highest;
    std::function<void(NestedDesign&, double)> vary;
};

// Twice the design's value, or from 0 up to kIccRangeFromZero, but no more than most.
double highestIcc(double icc, double most) {
    return icc > 0.0 ? std::min(2.0 * icc, most) : std::min(kIccRangeFromZero, most);
}

// Over periods the curve of icc, the other correlations kept; else a curve per level above the
// units of its intercept's variance as a share of the total, which is kept with the other
// level's variance. None when there is no variance to share.
std::vector<IccCurve> iccCurves(const NestedDesign& d) {
    if (d.periods) {
        const double icc = d.periods->correlations.icc;
        return {{"icc", icc, highestIcc(icc, kLargestIcc),
                 [](NestedDesign& varied, double x) { varied.periods->correlations.icc = x; }}};
    }
    const NestedModel& m = d.model;
    const bool sites = m.levels == 3;
    const double total = m.Tau2(1, 1) + (sites ? m.Tau3(1, 1) : 0.0) + m.Sigma2;
    std::vector<IccCurve> curves;
    for (int level = 2; level <= m.levels && total > 0.0; ++level) {
        Matrix NestedModel::*tau = level == 2 ? &NestedModel::Tau2 : &NestedModel::Tau3;
        const double other = level == 2 ? (sites ? m.Tau3(1, 1) : 0.0) : m.Tau2(1, 1);
        const double icc = (m.*tau)(1, 1) / total;
        curves.push_back({"icc" + std::to_string(level), icc,
                          highestIcc(icc, kLargestIcc - other / total),
                          [tau, total, sites](NestedDesign& varied, double x) {
                              NestedModel& v = varied.model;
                              (v.*tau)(1, 1) = x * total;
                              v.Sigma2 = total - v.Tau2(1, 1) - (sites ? v.Tau3(1, 1) : 0.0);
                          }});
    }
    return curves;
}

// Whether the design's top level is sites holding groups, whose numbers the plots tell apart: a
// design over periods has clusters, with the same J, its periods, at every point.
bool hasSites(const NestedDesign& d) {
    return d.levels() == 3 && !d.periods;
}

}  // namespace

ResultsModel::ResultsModel(DesignResults results)
    : m_results(std::move(results)), m_df{m_results.run.df, m_results.run.df} {
    resultsChanged(QuantityNames(coefficients(), table().tested().get()));
    choose(firstChosen(coefficients()));
}

void ResultsModel::replaceResults(DesignResults results) {
    const std::string chosen = m_names[m_coefficient];
    m_results = std::move(results);
    retest(keptQuantities(coefficients(), m_added));
    if (!choose(chosen)) {
        choose(firstChosen(coefficients()));
    }
}

void ResultsModel::applyTestOptions(const TestOptions& options) {
    TestOptions added = m_added;
    added.contrasts.insert(added.contrasts.end(), options.contrasts.begin(),
                           options.contrasts.end());
    added.jointTests.insert(added.jointTests.end(), options.jointTests.begin(),
                            options.jointTests.end());
    added.dfs.insert(added.dfs.end(), options.dfs.begin(), options.dfs.end());
    QuantityNames names(coefficients());
    addTestedOf(added, names);
    const std::vector<std::string> quantities = names.quantityNames();
    const std::vector<std::optional<double>> effects =
        names.tested()->withImpliedEffects(valuesByName(options.effects, "--effect", quantities));
    valuesByName(added.dfs, "--df", names.allNames());

    const std::string chosen = m_names[m_coefficient];
    m_added = std::move(added);
    retest(names);
    for (std::size_t q = 0; q < effects.size(); ++q) {
        if (effects[q]) {
            m_effects[quantities[q]] = *effects[q];
        }
    }
    choose(chosen);
}

void ResultsModel::addTested(std::string_view line) {
    // A joint test lists its members; a contrast's terms have no commas.
    TestOptions options;
    readTestOption(line.find(',') == std::string_view::npos ? "--contrast" : "--joint", line,
                   options);
    applyTestOptions(options);
}

void ResultsModel::retest(const QuantityNames& names) {
    const std::shared_ptr<const TestedQuantities> tested = names.tested();
    if (!tested->contrasts().empty() || !tested->jointTests().empty()) {
        m_results = withTested(std::move(m_results), tested);
    }
    resultsChanged(names);
}

void ResultsModel::resultsChanged(const QuantityNames& names) {
    m_smallestSe = smallestSePoints(table());
    m_names = names.allNames();
    m_df = table().tested()->degreesOfFreedom(m_results.run.df,
                                              valuesByName(m_added.dfs, "--df", m_names));
    m_titles.clear();
    for (const Coefficient& coefficient : coefficients()) {
        m_titles.push_back(coefficientTitle(design().model, coefficient));
    }
    const TestedQuantities& tested = *table().tested();
    for (int k = 0; k < static_cast<int>(tested.contrasts().size()); ++k) {
        m_titles.push_back(names.contrastTitle(k));
    }
    for (int j = 0; j < static_cast<int>(tested.jointTests().size()); ++j) {
        m_titles.push_back("Joint test " + names.jointTestTitle(j));
    }
    m_work.reset();
    forgetTests();
}

std::int32_t ResultsModel::groupsStep() const {
    return design().sizes.top.step;
}

std::vector<Choice> ResultsModel::choices() const {
    std::vector<Choice> entries;
    for (std::size_t c = 0; c < m_names.size(); ++c) {
        entries.push_back({m_titles[c], m_names[c]});
    }
    return entries;
}

double ResultsModel::effect() const {
    return jointChosen() ? kNaN : m_effects.at(m_names[m_coefficient]);
}

void ResultsModel::forgetTests() {
    m_answers.reset();
    m_tests.reset();
    m_joint.reset();
    m_jointTable.reset();
}

std::string ResultsModel::groupSizesText() const {
    return describeGroupSizes(groupSizes());
}

double ResultsModel::efficiency(std::size_t i, int c) const {
    const bool kept = !m_results.run.efficiency.empty() && c < std::ssize(coefficients());
    return kept ? m_results.run.efficiencyAt(i, c) : kNaN;
}

void ResultsModel::setSettings(const TestSettings& settings) {
    m_settings = settings;
    forgetTests();
}

void ResultsModel::choose(int c) {
    m_coefficient = c;
    forgetTests();
    if (!jointChosen()) {
        giveEffect(c);
        return;
    }
    for (const int member : table().tested()->jointTests()[c - table().coefficients()].members) {
        giveEffect(member);
    }
}

void ResultsModel::giveEffect(int c) {
    const std::string& name = m_names[c];
    if (!m_effects.contains(name)) {
        // The tests of c alone, whatever is chosen.
        PointTests alone(m_settings, m_df.quantities,
                         std::vector<std::optional<double>>(std::size_t(table().coefficients())));
        const std::optional<std::size_t> smallest = m_smallestSe[c];
        const double mdes = smallest ? alone.at(table(), *smallest, c, false).mdes : kNaN;
        m_effects[name] = std::isfinite(mdes) ? roundedNumber(mdes, 2) : 0.0;
    }
}

bool ResultsModel::choose(const std::string& name) {
    for (std::size_t c = 0; c < m_names.size(); ++c) {
        if (m_names[c] == name) {
            choose(static_cast<int>(c));
            return true;
        }
    }
    return false;
}

void ResultsModel::setEffect(double effect) {
    m_effects[m_names[m_coefficient]] = effect;
    forgetTests();
}

PointTests& ResultsModel::tests() {
    if (!m_tests) {
        // Only the chosen coefficient has an effect, as with one --effect of tavi-calc.
        std::vector<std::optional<double>> effects(std::size_t(table().coefficients()));
        const auto given = m_effects.find(m_names[m_coefficient]);
        if (!jointChosen() && given != m_effects.end()) {
            effects[m_coefficient] = given->second;
        }
        m_tests.emplace(m_settings, m_df.quantities, std::move(effects));
    }
    return *m_tests;
}

JointTests& ResultsModel::jointTests() {
    if (!m_joint) {
        std::vector<std::optional<double>> effects;
        for (int q = 0; q < table().coefficients(); ++q) {
            const auto given = m_effects.find(m_names[q]);
            effects.push_back(given != m_effects.end() ? std::optional(given->second)
                                                       : std::nullopt);
        }
        m_joint.emplace(m_settings, m_df.jointTests, table().tested(), effects);
        m_jointTable = m_joint->unitEffectTable(table());
    }
    return *m_joint;
}

const AllocationAnswers& ResultsModel::answers() {
    if (!m_answers) {
        const int chosen[] = {m_coefficient};
        const std::span<const int> tested = jointChosen() ? std::span<const int>() : chosen;
        m_answers =
            answerAllocation(allocationSettingsOf(design()), table(), tests(), m_results.search,
                             tested, jointChosen() ? &jointTests() : nullptr);
    }
    return *m_answers;
}

const BestPoint& ResultsModel::best(Criterion criterion) {
    if (jointChosen()) {
        // Its highest_power, then its cheapest_for_power.
        const std::size_t j = std::size_t(m_coefficient - table().coefficients());
        return answers().joint.best[2 * j + (criterion == Criterion::CheapestForPower ? 1 : 0)];
    }
    const std::vector<BestPoint>& best = answers().best;
    return *std::find_if(best.begin(), best.end(),
                         [&](const BestPoint& entry) { return entry.criterion == criterion; });
}

std::vector<std::string> ResultsModel::answerLines() {
    const SampleSizes& sizes = design().sizes;
    const bool sites = design().levels() == 3;
    const std::string top = sites ? "K" : "N";
    const std::string power = exactNumber(m_settings.power);
    const auto withCost = [&](const SweepPoint& p) {
        return pointText(p) + (sizes.BudgetMode ? ", cost " + std::to_string(p.cost) : "");
    };
    std::vector<std::string> lines;
    const BestPoint& best = this->best(Criterion::HighestPower);
    if (!best.point) {
        lines.push_back("No point allows a test of " + m_names[m_coefficient] + ".");
    } else if (jointChosen()) {
        const int j = m_coefficient - table().coefficients();
        lines.push_back("Best allocation (highest power): " + withCost(*best.point) + "; power " +
                        briefNumber(best.test.power) + " of the F test with df " +
                        briefNumber(jointTests().numeratorDf(j)) + " and " +
                        briefNumber(best.test.df) + "; detectable scale " +
                        briefNumber(best.test.mdesExact) + " of the members' effects.");
    } else {
        lines.push_back("Best allocation (highest power): " + withCost(*best.point) + "; power " +
                        briefNumber(best.test.power) + " for effect " + briefNumber(effect()) +
                        ", MDES " + briefNumber(best.test.mdes) + ", SE " + briefNumber(best.se) +
                        ", df " + briefNumber(best.test.df) + ".");
    }
    const BestPoint& cheapest = this->best(Criterion::CheapestForPower);
    const std::string topRange = "every " + top + " from " + std::to_string(sizes.top.least) +
                                 " to " + std::to_string(std::max(sizes.top.least, sizes.top.most));
    if (!cheapest.point) {
        lines.push_back(
            sizes.BudgetMode
                ? "No budget reaches power " + power + " with at most " +
                      std::to_string(kMaxRequiredGroups) + " " + sizeWordsOf(design()).tops + "."
                : "Power " + power + " is reached at no " + top + " (" + topRange + ").");
    } else if (sizes.BudgetMode) {
        lines.push_back("Smallest budget reaching power " + power + ": " +
                        std::to_string(cheapest.point->cost) + " at " + pointText(*cheapest.point) +
                        " (the budget given is " + std::to_string(sizes.Budget) + ").");
    } else {
        lines.push_back("Fewest units reaching power " + power + ": " +
                        std::to_string(unitsOf(*cheapest.point)) + " at " +
                        pointText(*cheapest.point) + " (" + topRange + ").");
    }
    if (sizes.BudgetMode) {
        const std::string cells = sites ? "every J and n of their ranges"
                                        : "every group size from " +
                                              std::to_string(sizes.units.least) + " to " +
                                              std::to_string(sizes.units.most);
        lines.push_back(answers().searched.linePoints
                            ? "The best points are sought at " + cells + ", the table's or not."
                            : "The best points are sought among the table's points.");
    } else {
        lines.push_back("The table steps " + top + " by " + std::to_string(sizes.top.step) +
                        "; the best points are sought among its points, the fewest units "
                        "among every " +
                        top + " in the range.");
    }
    if (groupSizes().inForce()) {
        lines.push_back("Unequal group sizes: " + groupSizesText() + ".");
    }
    return lines;
}

PointTest ResultsModel::testAt(std::size_t i) {
    if (jointChosen()) {
        const int j = m_coefficient - table().coefficients();
        PointTest test = jointTests().tests().at(*m_jointTable, i, j);
        // The table shows the detectable scale as the MDES of a joint test.
        test.mdes = test.mdesExact;
        return test;
    }
    return tests().at(table(), i, m_coefficient, false);
}

std::optional<SweepPoint> ResultsModel::chosenPoint() {
    return m_chosenPoint ? m_chosenPoint : best(Criterion::HighestPower).point;
}

void ResultsModel::choosePoint(std::optional<SweepPoint> point) {
    m_chosenPoint = point;
}

void ResultsModel::writePowerCsv(const std::string& fileName) {
    const std::vector<std::string> names(m_names.begin(), m_names.begin() + table().coefficients());
    writePowerCsvFile(fileName, table(), tests(), names);
}

double ResultsModel::shadeOf(std::int32_t n) const {
    const std::int32_t least = design().sizes.units.least;
    const std::int32_t most = design().sizes.units.most;
    if (most <= least) {
        return 0.5;
    }
    return std::clamp(double(n - least) / double(most - least), 0.0, 1.0);
}

double ResultsModel::standardErrorAt(const SweepPoint& point, const NestedDesign* varied) {
    if (point.N < 1) {
        return kNaN;
    }
    std::shared_ptr<const PreparedDesign> prepared = m_results.run.design;
    std::unique_ptr<PointWork> variedWork;
    if (varied != nullptr) {
        prepared = prepareDesign(*varied);
        variedWork = prepared->information->newWork();
    } else if (!m_work) {
        m_work = prepared->information->newWork();
    }
    PointWork& work = varied != nullptr ? *variedWork : *m_work;
    Vector efficiency;
    const PointCovariance covariance =
        groupSizes().inForce() ? prepared->information->computeWithSizes(work, point, efficiency)
                               : prepared->information->compute(work, point);
    if (m_coefficient >= std::ssize(coefficients())) {
        return std::sqrt(table().tested()->variance(covariance, m_coefficient));
    }
    return usableStandardError(covariance, m_coefficient + 1);
}

Plot ResultsModel::plot(PlotQuantity quantity) {
    if (jointChosen() && quantity != PlotQuantity::RequiredGroups) {
        Plot plot = sweepPlot(PlotQuantity::Power);
        if (quantity != PlotQuantity::Power) {
            plot.note = "A joint test is shown by its power and the groups it needs.";
        }
        return plot;
    }
    switch (quantity) {
        case PlotQuantity::PowerByEffect:
            return effectPlot();
        case PlotQuantity::PowerByIcc:
            return iccPlot();
        case PlotQuantity::RequiredGroups:
            return requiredPlot();
        default:
            break;
    }
    return sweepPlot(quantity);
}

Plot ResultsModel::sweepPlot(PlotQuantity quantity) {
    const SweepTable& t = table();
    const int c = m_coefficient;
    const auto value = [&](std::size_t i) {
        if (quantity == PlotQuantity::StandardError) {
            return t.se(i, c);
        }
        const PointTest test = testAt(i);
        return quantity == PlotQuantity::Mdes ? test.mdes : test.power;
    };

    Plot plot;
    const std::string& title = m_titles[c];
    const std::string sided = m_settings.oneSided ? "one-sided" : "two-sided";
    const std::string alpha = "α = " + significantNumber(m_settings.alpha, 3);
    switch (quantity) {
        case PlotQuantity::Mdes:
            plot.title = "Minimum detectable effect of " + title + " (" + alpha + ", power " +
                         significantNumber(m_settings.power, 3) + ", " + sided + ")";
            plot.yTitle = "MDES";
            break;
        case PlotQuantity::Power:
            plot.title = jointChosen()
                             ? "Power of " + title + " (" + alpha + ", F test)"
                             : "Power for " + title + " = " + significantNumber(effect(), 4) +
                                   " (" + alpha + ", " + sided + ")";
            plot.yTitle = "Power";
            plot.target = m_settings.power;
            break;
        default:
            plot.title = "Standard error of " + title;
            plot.yTitle = "SE";
            break;
    }
    const SizeWords& words = sizeWordsOf(design());
    plot.xTitle = t.budgetMode() ? words.unitsTitle : words.topTitle;

    const Criterion criterion = criterionOf(quantity);
    const BestPoint& marked = best(criterion);
    if (marked.point) {
        const SweepPoint& p = *marked.point;
        const double y = quantity == PlotQuantity::StandardError ? marked.se
                         : quantity == PlotQuantity::Mdes        ? marked.test.mdes
                                                                 : marked.test.power;
        plot.mark = PlotPoint{double(t.budgetMode() ? p.n : p.N), y};
        plot.markLabel = std::string("Best by ") + criterionText(criterion) + ": " + pointText(p) +
                         ", " + quantityName(quantity) + " " + significantNumber(y, 4);
        const SampleSizes& sizes = design().sizes;
        const bool offGroups =
            t.levels() == 3 && (p.J - sizes.groups.least) % sizes.groups.step != 0;
        if (t.budgetMode() && ((p.n - sizes.units.least) % sizes.units.step != 0 || offGroups)) {
            plot.markLabel += " (between the table's group sizes)";
        }
        if (quantity == PlotQuantity::Power && !(y >= m_settings.power)) {
            plot.markLabel += " (target not reached)";
        }
    }
    addLines(plot, value, marked.point);
    return plot;
}

Plot ResultsModel::effectPlot() {
    const int c = m_coefficient;
    Plot plot;
    plot.wholeX = false;
    plot.target = m_settings.power;
    plot.xTitle = "Effect (absolute, outcome units per unit of the variable)";
    plot.yTitle = "Power";
    const std::optional<SweepPoint> point = chosenPoint();
    plot.title = "Power for " + m_titles[c] + " against the effect";
    if (!point) {
        plot.note = "No point allows a test of " + m_names[c] + ".";
        return plot;
    }
    plot.title += " at " + pointText(*point);
    const double se = standardErrorAt(*point);
    const double df = m_df.quantities.at(c, *point);
    const double mdes = mdesOf(se, df, m_settings);
    if (!std::isfinite(mdes)) {
        plot.note = "No test of " + m_names[c] + " is possible at " + pointText(*point) + ".";
        return plot;
    }
    const double size = std::fabs(effect());
    const double widest = std::max(2.5 * mdes, 1.5 * size);
    PlotLine line{pointText(*point), {}, shadeOf(point->n)};
    for (int i = 0; i < kCurvePoints; ++i) {
        const double x = widest * i / (kCurvePoints - 1);
        const double y = powerOfTest(x, se, df, m_settings);
        if (!std::isnan(y)) {
            line.points.push_back({x, y});
        }
    }
    plot.lines.push_back(std::move(line));
    const double power = powerOfTest(size, se, df, m_settings);
    plot.mark = PlotPoint{size, power};
    plot.markLabel = "Effect " + significantNumber(size, 4) + ": power " +
                     significantNumber(power, 4) + "; MDES " + significantNumber(mdes, 4);
    return plot;
}

Plot ResultsModel::iccPlot() {
    const int c = m_coefficient;
    const NestedDesign& d = design();
    const bool sites = hasSites(d);
    Plot plot;
    plot.wholeX = false;
    plot.target = m_settings.power;
    plot.xTitle = d.periods ? "Intraclass correlation within a period (icc), the other "
                              "correlations kept"
                  : sites   ? "Intraclass correlation between groups (icc2) or between sites "
                              "(icc3), the total variance kept"
                            : "Intraclass correlation τ00 / (τ00 + σ²), their sum kept";
    plot.yTitle = "Power";
    plot.title = "Power for " + m_titles[c] + " = " + significantNumber(effect(), 4) +
                 " against the intraclass correlation" + (sites ? "s" : "");
    const std::optional<SweepPoint> point = chosenPoint();
    const std::vector<IccCurve> curves = iccCurves(d);
    if (!point || curves.empty()) {
        plot.note = point ? "The design has no variance to share between the levels."
                          : "No point allows a test of " + m_names[c] + ".";
        return plot;
    }
    plot.title += " at " + pointText(*point);
    const double df = m_df.quantities.at(c, *point);
    for (const IccCurve& curve : curves) {
        PlotLine line{sites ? curve.name : pointText(*point), {}, shadeOf(point->n)};
        for (int i = 0; i < kCurvePoints; ++i) {
            const double x = curve.highest * i / (kCurvePoints - 1);
            NestedDesign varied = d;
            curve.vary(varied, x);
            const double y =
                powerOfTest(effect(), standardErrorAt(*point, &varied), df, m_settings);
            if (!std::isnan(y)) {
                line.points.push_back({x, y});
            }
        }
        plot.lines.push_back(std::move(line));
    }
    const double power = powerOfTest(effect(), standardErrorAt(*point), df, m_settings);
    if (!std::isnan(power)) {
        const double icc = curves.front().icc;
        plot.mark = PlotPoint{icc, power};
        plot.markLabel = "The design's " +
                         (sites ? "icc2 " + significantNumber(icc, 3) + ", icc3 " +
                                      significantNumber(curves.back().icc, 3)
                          : d.periods ? "icc " + significantNumber(icc, 3)
                                      : significantNumber(icc, 3)) +
                         ": power " + significantNumber(power, 4);
    }
    if (!d.periods && (level2Effects(d.model) > 1 || level3Effects(d.model) > 1)) {
        plot.note = "The variances of the slopes stay as they are.";
    }
    return plot;
}

Plot ResultsModel::requiredPlot() {
    const int c = m_coefficient;
    const SampleSizes& sizes = design().sizes;
    const bool byJ = hasSites(design());
    const SizeWords& words = sizeWordsOf(design());
    const std::string power = significantNumber(m_settings.power, 3);
    Plot plot;
    const std::string tested =
        jointChosen() ? m_titles[c] : m_titles[c] + " = " + significantNumber(effect(), 4);
    std::string needed = words.tops;
    needed.front() = char(std::toupper(static_cast<unsigned char>(needed.front())));
    plot.title = needed + " needed for power " + power + " for " + tested +
                 " (α = " + significantNumber(m_settings.alpha, 3) + ", " +
                 (m_settings.oneSided ? "one-sided" : "two-sided") + ")";
    plot.xTitle = words.unitsTitle;
    plot.yTitle = words.topTitle;
    // A line per number of groups per site, in the order met.
    std::vector<std::int32_t> order;
    std::map<std::int32_t, PlotLine> lines;
    std::size_t missing = 0;
    const int column = jointChosen() ? c - table().coefficients() : c;
    for (const RequiredGroups& row :
         jointChosen() ? answers().joint.required : answers().required) {
        if (row.coefficient != column) {
            continue;
        }
        auto [line, added] = lines.try_emplace(row.J);
        if (added) {
            order.push_back(row.J);
            line->second.name = byJ ? "J = " + std::to_string(row.J) : std::string();
        }
        if (row.point) {
            line->second.points.push_back({double(row.n), double(row.point->N)});
        } else {
            ++missing;
        }
    }
    for (const std::int32_t J : order) {
        plot.lines.push_back(std::move(lines[J]));
    }
    const BestPoint& cheapest = best(Criterion::CheapestForPower);
    if (cheapest.point) {
        const SweepPoint& p = *cheapest.point;
        plot.mark = PlotPoint{double(p.n), double(p.N)};
        plot.markLabel = sizes.BudgetMode
                             ? "Smallest budget: " + std::to_string(p.cost) + " at " + pointText(p)
                             : "Fewest units in the range: " + std::to_string(unitsOf(p)) + " at " +
                                   pointText(p);
    }
    if (missing > 0) {
        plot.note = "At " + std::to_string(missing) + " " + words.cells + " no number of " +
                    words.tops + " up to " + std::to_string(kMaxRequiredGroups) +
                    " reaches power " + power + ".";
    }
    return plot;
}

void ResultsModel::addLines(Plot& plot, const std::function<double(std::size_t)>& value,
                            const std::optional<SweepPoint>& marked) const {
    const SweepTable& t = table();
    const bool budget = t.budgetMode();
    const bool byJ = hasSites(design());
    // A line's key: (J, n) over ranges, J alone under a budget, J being 0 with two levels; in
    // the order of the sweep.
    const auto keyOf = [budget](const SweepPoint& p) {
        return std::pair<std::int32_t, std::int32_t>{p.J, budget ? 0 : p.n};
    };
    std::map<std::pair<std::int32_t, std::int32_t>, PlotLine> lines;
    std::vector<std::pair<std::int32_t, std::int32_t>> order;
    for (std::size_t i = 0; i < t.size(); ++i) {
        const SweepPoint& p = t.point(i);
        const auto key = keyOf(p);
        auto [line, added] = lines.try_emplace(key);
        if (added) {
            order.push_back(key);
            std::string name = byJ ? "J = " + std::to_string(p.J) : std::string();
            if (!budget) {
                name += (byJ ? ", n = " : "n = ") + std::to_string(p.n);
            }
            line->second.name = std::move(name);
            line->second.shade = budget && !byJ ? std::nullopt : std::optional(shadeOf(p.n));
        }
        const double y = value(i);
        if (p.N >= 1 && !std::isnan(y)) {
            line->second.points.push_back({double(budget ? p.n : p.N), y});
        }
    }
    std::vector<std::size_t> shown(order.size());
    std::iota(shown.begin(), shown.end(), 0);
    if (order.size() > kMaxPlotLines) {
        // Evenly spread lines from the first to the last; the marked point's takes the place of
        // the one nearest to it between them.
        shown.clear();
        for (std::size_t k = 0; k < kMaxPlotLines; ++k) {
            shown.push_back(k * (order.size() - 1) / (kMaxPlotLines - 1));
        }
        const auto at =
            marked ? std::find(order.begin(), order.end(), keyOf(*marked)) : order.end();
        const auto k = static_cast<std::size_t>(at - order.begin());
        if (at != order.end() && std::find(shown.begin(), shown.end(), k) == shown.end()) {
            const auto distance = [k](std::size_t a) { return std::max(a, k) - std::min(a, k); };
            *std::min_element(
                shown.begin() + 1, shown.end() - 1,
                [&](std::size_t a, std::size_t b) { return distance(a) < distance(b); }) = k;
            std::sort(shown.begin(), shown.end());
        }
        plot.note =
            "Showing " + std::to_string(shown.size()) + " of " + std::to_string(order.size()) +
            (!byJ ? std::string(" ") + sizeWordsOf(design()).sizes +
                        " (the smallest, the largest, the best and some between)"
             : budget
                 ? " numbers of groups per site (the first, the last, the best and some between)"
                 : " pairs of J and n (the first, the last, the best and some between)") +
            "; the table holds them all.";
    }
    // Under a budget a three-level line's colour tells its J among the sweep's.
    const auto [fewest, most] = std::minmax_element(order.begin(), order.end());
    for (const std::size_t k : shown) {
        PlotLine& line = lines[order[k]];
        if (budget && byJ) {
            line.shade = most->first > fewest->first ? double(order[k].first - fewest->first) /
                                                           double(most->first - fewest->first)
                                                     : 0.5;
        }
        plot.lines.push_back(std::move(line));
    }
}

}  // namespace tavi
