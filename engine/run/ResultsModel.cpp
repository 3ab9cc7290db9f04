#include "engine/run/ResultsModel.h"

#include "engine/CovarianceComputation.h"
#include "engine/power/TestPower.h"
#include "engine/run/NumberFields.h"
#include "engine/run/PowerCsv.h"
#include "engine/run/RelativeEfficiency.h"
#include "engine/run/TestedResults.h"
#include "engine/run/ThreeLevelDesignResults.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <set>
#include <span>

namespace tavi {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// The intraclass correlations shown stay below 1, where the level-1 variance would vanish.
constexpr double kLargestIcc = 0.99;
// Without an intraclass correlation to double, its curve runs up to this.
constexpr double kIccRangeFromZero = 0.1;

// value with digits significant digits, as people read it.
std::string shortText(double value, int digits = 3) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    return text;
}

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

const char* const kGroupSizeTitle = "Group size n (level-1 units per group)";

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
    if (m_results.threeLevel && (!options.contrasts.empty() || !options.jointTests.empty())) {
        throw TestOptionError{
            "contrasts and joint tests take two-level designs; this design has "
            "three levels"};
    }
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
        // A three-level design's coefficients are named after its variables.
        m_titles.push_back(table().threeLevel() ? coefficient.name
                                                : coefficientTitle(coefficient, m_results.run.k1));
    }
    const TestedQuantities& tested = *table().tested();
    for (int k = 0; k < static_cast<int>(tested.contrasts().size()); ++k) {
        m_titles.push_back(names.contrastTitle(k));
    }
    for (int j = 0; j < static_cast<int>(tested.jointTests().size()); ++j) {
        m_titles.push_back("Joint test " + names.jointTestTitle(j));
    }
    m_scratch.reset();
    forgetTests();
}

std::int32_t ResultsModel::groupsStep() const {
    return m_results.threeLevel ? m_results.threeLevel->sweep.SitesStep
                                : m_results.design->GroupsStep;
}

bool ResultsModel::offers(PlotQuantity quantity) const {
    return !m_results.threeLevel || quantity == PlotQuantity::StandardError ||
           quantity == PlotQuantity::Mdes || quantity == PlotQuantity::Power;
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
    return describeGroupSizes(m_results.run.sizes);
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
        m_effects[name] =
            std::isfinite(mdes) ? std::strtod(shortText(mdes, 2).c_str(), nullptr) : 0.0;
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
        if (m_results.threeLevel) {
            m_answers = answerAllocation(m_results.search, m_results.threeLevel->settings, table(),
                                         tests(), chosen);
        } else {
            const std::span<const int> tested = jointChosen() ? std::span<const int>() : chosen;
            m_answers = answerAllocation(*m_results.design, table(), tests(), m_results.search,
                                         tested, jointChosen() ? &jointTests() : nullptr);
        }
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
    if (m_results.threeLevel) {
        return threeLevelAnswerLines(m_results.threeLevel->sweep, best(Criterion::HighestPower),
                                     best(Criterion::CheapestForPower),
                                     coefficients()[m_coefficient].name, effect(), m_settings);
    }
    const EngineState& e = *m_results.design;
    const std::string power = exactNumber(m_settings.power);
    const auto withCost = [&](const SweepPoint& p) {
        return pointText(p) + (e.BudgetMode ? ", cost " + std::to_string(p.cost) : "");
    };
    std::vector<std::string> lines;
    const BestPoint& top = best(Criterion::HighestPower);
    if (!top.point) {
        lines.push_back("No point allows a test of " + m_names[m_coefficient] + ".");
    } else if (jointChosen()) {
        const int j = m_coefficient - table().coefficients();
        lines.push_back("Best allocation (highest power): " + withCost(*top.point) + "; power " +
                        briefNumber(top.test.power) + " of the F test with df " +
                        briefNumber(jointTests().numeratorDf(j)) + " and " +
                        briefNumber(top.test.df) + "; detectable scale " +
                        briefNumber(top.test.mdesExact) + " of the members' effects.");
    } else {
        lines.push_back("Best allocation (highest power): " + withCost(*top.point) + "; power " +
                        briefNumber(top.test.power) + " for effect " + briefNumber(effect()) +
                        ", MDES " + briefNumber(top.test.mdes) + ", SE " + briefNumber(top.se) +
                        ", df " + briefNumber(top.test.df) + ".");
    }
    const BestPoint& cheapest = best(Criterion::CheapestForPower);
    const std::string groupsRange = "every N from " + std::to_string(e.MinGroups) + " to " +
                                    std::to_string(std::max(e.MinGroups, e.MaxGroups));
    if (!cheapest.point) {
        lines.push_back(e.BudgetMode
                            ? "No budget reaches power " + power + " with at most " +
                                  std::to_string(kMaxRequiredGroups) + " groups."
                            : "Power " + power + " is reached at no N (" + groupsRange + ").");
    } else if (e.BudgetMode) {
        lines.push_back("Smallest budget reaching power " + power + ": " +
                        std::to_string(cheapest.point->cost) + " at " + pointText(*cheapest.point) +
                        " (the budget given is " + std::to_string(e.Budget) + ").");
    } else {
        lines.push_back("Fewest units reaching power " + power + ": " +
                        std::to_string(std::int64_t{cheapest.point->N} * cheapest.point->n) +
                        " at " + pointText(*cheapest.point) + " (" + groupsRange + ").");
    }
    if (e.BudgetMode) {
        lines.push_back(answers().search.budgetLine
                            ? "The best points are sought at every group size from " +
                                  std::to_string(e.MinGroupSize) + " to " +
                                  std::to_string(e.MaxGroupSize) + ", the table's or not."
                            : "The best points are sought among the table's points.");
    } else {
        lines.push_back("The table steps N by " + std::to_string(e.GroupsStep) +
                        "; the best points are sought among its points, the fewest units "
                        "among every N in the range.");
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
    const std::int32_t least = m_results.threeLevel ? m_results.threeLevel->sweep.MinGroupSize
                                                    : m_results.design->MinGroupSize;
    const std::int32_t most = m_results.threeLevel ? m_results.threeLevel->sweep.MaxGroupSize
                                                   : m_results.design->MaxGroupSize;
    if (most <= least) {
        return 0.5;
    }
    return std::clamp(double(n - least) / double(most - least), 0.0, 1.0);
}

double ResultsModel::standardErrorAt(const SweepPoint& point, double icc) {
    if (point.N < 1) {
        return kNaN;
    }
    if (!m_scratch) {
        m_scratch = std::make_unique<EngineState>();
    }
    EngineState& e = *m_scratch;
    e = *m_results.design;
    if (icc >= 0.0) {
        // The intercept's share of the outcome's variance changes; the total stays.
        const double total = e.Tau2(1, 1) + e.Sigma2;
        e.Tau2(1, 1) = icc * total;
        e.Sigma2 = total - e.Tau2(1, 1);
        prepareRunConstants(e);
    }
    computePoint(e, point.n, point.N);
    if (m_coefficient >= std::ssize(coefficients())) {
        return std::sqrt(table().tested()->variance(e, m_coefficient));
    }
    return usableStandardError(e, m_coefficient + 1);
}

Plot ResultsModel::plot(PlotQuantity quantity) {
    if (!offers(quantity)) {
        Plot none;
        none.note = "A three-level design has no such view.";
        return none;
    }
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
    const std::string alpha = "α = " + shortText(m_settings.alpha);
    switch (quantity) {
        case PlotQuantity::Mdes:
            plot.title = "Minimum detectable effect of " + title + " (" + alpha + ", power " +
                         shortText(m_settings.power) + ", " + sided + ")";
            plot.yTitle = "MDES";
            break;
        case PlotQuantity::Power:
            plot.title = jointChosen() ? "Power of " + title + " (" + alpha + ", F test)"
                                       : "Power for " + title + " = " + shortText(effect(), 4) +
                                             " (" + alpha + ", " + sided + ")";
            plot.yTitle = "Power";
            plot.target = m_settings.power;
            break;
        default:
            plot.title = "Standard error of " + title;
            plot.yTitle = "SE";
            break;
    }
    plot.xTitle = t.budgetMode()   ? kGroupSizeTitle
                  : t.threeLevel() ? "Number of sites K"
                                   : "Number of groups N";

    const Criterion criterion = criterionOf(quantity);
    const BestPoint& marked = best(criterion);
    if (marked.point) {
        const SweepPoint& p = *marked.point;
        const double y = quantity == PlotQuantity::StandardError ? marked.se
                         : quantity == PlotQuantity::Mdes        ? marked.test.mdes
                                                                 : marked.test.power;
        plot.mark = PlotPoint{double(t.budgetMode() ? p.n : p.N), y};
        plot.markLabel = std::string("Best by ") + criterionText(criterion) + ": " + pointText(p) +
                         ", " + quantityName(quantity) + " " + shortText(y, 4);
        if (t.budgetMode() && !t.threeLevel() &&
            (p.n - m_results.design->MinGroupSize) % m_results.design->GroupSizeStep != 0) {
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
    const double df = m_df.quantities.at(c, point->N, point->n);
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
    plot.markLabel = "Effect " + shortText(size, 4) + ": power " + shortText(power, 4) + "; MDES " +
                     shortText(mdes, 4);
    return plot;
}

Plot ResultsModel::iccPlot() {
    const int c = m_coefficient;
    const EngineState& e = *m_results.design;
    Plot plot;
    plot.wholeX = false;
    plot.target = m_settings.power;
    plot.xTitle = "Intraclass correlation τ00 / (τ00 + σ²), their sum kept";
    plot.yTitle = "Power";
    plot.title = "Power for " + m_titles[c] + " = " + shortText(effect(), 4) +
                 " against the intraclass correlation";
    const std::optional<SweepPoint> point = chosenPoint();
    const double total = e.Tau2(1, 1) + e.Sigma2;
    if (!point || !(total > 0.0)) {
        plot.note = point ? "The design has no variance to share between the levels."
                          : "No point allows a test of " + m_names[c] + ".";
        return plot;
    }
    plot.title += " at " + pointText(*point);
    const double icc = e.Tau2(1, 1) / total;
    const double highest = icc > 0.0 ? std::min(2.0 * icc, kLargestIcc) : kIccRangeFromZero;
    const double df = m_df.quantities.at(c, point->N, point->n);
    PlotLine line{pointText(*point), {}, shadeOf(point->n)};
    for (int i = 0; i < kCurvePoints; ++i) {
        const double x = highest * i / (kCurvePoints - 1);
        const double y = powerOfTest(effect(), standardErrorAt(*point, x), df, m_settings);
        if (!std::isnan(y)) {
            line.points.push_back({x, y});
        }
    }
    plot.lines.push_back(std::move(line));
    const double power = powerOfTest(effect(), standardErrorAt(*point), df, m_settings);
    if (!std::isnan(power)) {
        plot.mark = PlotPoint{icc, power};
        plot.markLabel = "The design's " + shortText(icc, 3) + ": power " + shortText(power, 4);
    }
    if (e.nRandom > 1) {
        plot.note = "The variances of the slopes stay as they are.";
    }
    return plot;
}

Plot ResultsModel::requiredPlot() {
    const int c = m_coefficient;
    const EngineState& e = *m_results.design;
    const std::string power = shortText(m_settings.power);
    Plot plot;
    const std::string tested =
        jointChosen() ? m_titles[c] : m_titles[c] + " = " + shortText(effect(), 4);
    plot.title = "Groups needed for power " + power + " for " + tested +
                 " (α = " + shortText(m_settings.alpha) + ", " +
                 (m_settings.oneSided ? "one-sided" : "two-sided") + ")";
    plot.xTitle = kGroupSizeTitle;
    plot.yTitle = "Number of groups N";
    PlotLine line;
    std::size_t missing = 0;
    const int column = jointChosen() ? c - table().coefficients() : c;
    for (const RequiredGroups& row :
         jointChosen() ? answers().joint.required : answers().required) {
        if (row.coefficient != column) {
            continue;
        }
        if (row.point) {
            line.points.push_back({double(row.n), double(row.point->N)});
        } else {
            ++missing;
        }
    }
    plot.lines.push_back(std::move(line));
    const BestPoint& cheapest = best(Criterion::CheapestForPower);
    if (cheapest.point) {
        const SweepPoint& p = *cheapest.point;
        plot.mark = PlotPoint{double(p.n), double(p.N)};
        plot.markLabel =
            e.BudgetMode ? "Smallest budget: " + std::to_string(p.cost) + " at " + pointText(p)
                         : "Fewest units in the range: " + std::to_string(std::int64_t{p.N} * p.n) +
                               " at " + pointText(p);
    }
    if (missing > 0) {
        plot.note = "At " + std::to_string(missing) + " group sizes no number of groups up to " +
                    std::to_string(kMaxRequiredGroups) + " reaches power " + power + ".";
    }
    return plot;
}

void ResultsModel::addLines(Plot& plot, const std::function<double(std::size_t)>& value,
                            const std::optional<SweepPoint>& marked) const {
    const SweepTable& t = table();
    if (t.threeLevel()) {
        addThreeLevelLines(plot, t, value, marked, [this](std::int32_t n) { return shadeOf(n); });
        return;
    }
    const auto add = [&](PlotLine& line, std::size_t i, double x) {
        const double y = value(i);
        if (t.point(i).N >= 1 && !std::isnan(y)) {
            line.points.push_back({x, y});
        }
    };
    if (t.budgetMode()) {
        PlotLine line;
        for (std::size_t i = 0; i < t.size(); ++i) {
            add(line, i, t.point(i).n);
        }
        plot.lines.push_back(std::move(line));
        return;
    }
    // The sweep runs through N for one n after the other.
    std::vector<std::size_t> firsts;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (i == 0 || t.point(i).n != t.point(i - 1).n) {
            firsts.push_back(i);
        }
    }
    std::set<std::size_t> shown;
    if (firsts.size() <= kMaxPlotLines) {
        shown.insert(firsts.begin(), firsts.end());
    } else {
        // Evenly spread group sizes from the smallest to the largest; the marked point's
        // takes the place of the one nearest to it between them.
        std::vector<std::size_t> spread;
        for (std::size_t k = 0; k < kMaxPlotLines; ++k) {
            spread.push_back(k * (firsts.size() - 1) / (kMaxPlotLines - 1));
        }
        const auto markedFirst = std::find_if(firsts.begin(), firsts.end(), [&](std::size_t i) {
            return marked && t.point(i).n == marked->n;
        });
        if (markedFirst != firsts.end()) {
            const auto k = std::size_t(markedFirst - firsts.begin());
            const auto distance = [k](std::size_t a) { return std::max(a, k) - std::min(a, k); };
            const auto nearest = std::min_element(
                spread.begin() + 1, spread.end() - 1,
                [&](std::size_t a, std::size_t b) { return distance(a) < distance(b); });
            if (std::find(spread.begin(), spread.end(), k) == spread.end()) {
                *nearest = k;
            }
        }
        for (const std::size_t k : spread) {
            shown.insert(firsts[k]);
        }
        plot.note = "Showing " + std::to_string(shown.size()) + " of " +
                    std::to_string(firsts.size()) +
                    " group sizes (the smallest, the largest, the best and some between); the "
                    "table holds them all.";
    }
    for (const std::size_t first : shown) {
        const std::int32_t n = t.point(first).n;
        PlotLine line{"n = " + std::to_string(n), {}, shadeOf(n)};
        for (std::size_t i = first; i < t.size() && t.point(i).n == n; ++i) {
            add(line, i, t.point(i).N);
        }
        plot.lines.push_back(std::move(line));
    }
}

}  // namespace tavi
