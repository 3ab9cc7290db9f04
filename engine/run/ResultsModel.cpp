#include "engine/run/ResultsModel.h"

#include "engine/CovarianceComputation.h"
#include "engine/power/BestAllocation.h"
#include "engine/run/NumberFields.h"
#include "engine/run/PowerCsv.h"
#include "engine/run/RelativeEfficiency.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <set>

namespace tavi {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

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
    for (std::size_t c = 0; c < coefficients.size(); ++c) {
        if (coefficients[c].kind == CoefficientKind::Const) {
            return static_cast<int>(c);
        }
    }
    return 0;
}

const char* quantityName(PlotQuantity quantity) {
    switch (quantity) {
        case PlotQuantity::StandardError:
            break;
        case PlotQuantity::Mdes:
            return "MDES";
        case PlotQuantity::Power:
            return "Power";
    }
    return "SE";
}

}  // namespace

ResultsModel::ResultsModel(RunResults run)
    : m_run(std::move(run)),
      m_names(m_run.coefficients, m_run.table.tested().get()),
      m_df(m_run.table.tested()->degreesOfFreedom(m_run.df, {})) {
    describeColumns();
    choose(firstChosen(m_run.coefficients));
}

void ResultsModel::describeColumns() {
    m_smallestSe = smallestSePoints(m_run.table);
    m_titles.clear();
    for (const Coefficient& coefficient : m_run.coefficients) {
        m_titles.push_back(coefficientTitle(coefficient, m_run.k1));
    }
    const TestedQuantities& tested = *m_run.table.tested();
    for (int k = 0; k < static_cast<int>(tested.contrasts().size()); ++k) {
        m_titles.push_back(m_names.contrastTitle(k));
    }
    m_jointTitles.clear();
    for (int j = 0; j < static_cast<int>(tested.jointTests().size()); ++j) {
        m_jointTitles.push_back(m_names.jointTestTitle(j));
    }
    m_effects.resize(static_cast<std::size_t>(tested.count()));
}

void ResultsModel::addTested(const NamedTexts& contrasts, const NamedTexts& jointTests) {
    QuantityNames names = m_names;
    for (const auto& [name, expression] : contrasts) {
        names.addContrast(name, expression);
    }
    for (const auto& [name, members] : jointTests) {
        names.addJointTest(name, members);
    }
    useNames(std::move(names));
}

void ResultsModel::applyTestOptions(const TestOptions& options) {
    QuantityNames names = m_names;
    addTestedOf(options, names);
    const std::vector<std::optional<double>> effects = names.tested()->withImpliedEffects(
        valuesByName(options.effects, "--effect", names.quantityNames()));
    NamedValues dfs = m_givenDfs;
    dfs.insert(dfs.end(), options.dfs.begin(), options.dfs.end());
    valuesByName(dfs, "--df", names.allNames());
    m_givenDfs = std::move(dfs);
    useNames(std::move(names));
    for (std::size_t q = 0; q < effects.size(); ++q) {
        if (effects[q]) {
            m_effects[q] = effects[q];
        }
    }
}

void ResultsModel::useNames(QuantityNames names) {
    // The points again, their contrasts and joint tests from their covariance matrices.
    SweepTable table(names.tested(), m_run.table.budgetMode());
    const auto e = std::make_unique<EngineState>(*m_run.design);
    const auto planned = std::make_unique<GroupSizeSupport>();
    const auto sizes = std::make_unique<GroupSizeSupport>();
    for (std::size_t i = 0; i < m_run.table.size(); ++i) {
        const SweepPoint& point = m_run.table.point(i);
        computePointWithSizes(*e, m_run.sizes, point.n, point.N, *planned, *sizes);
        table.addCurrent(*e, point.cost);
    }
    m_run.table = std::move(table);
    m_names = std::move(names);
    m_df = m_run.table.tested()->degreesOfFreedom(
        m_run.df, valuesByName(m_givenDfs, "--df", m_names.allNames()));
    describeColumns();
    m_tests.reset();
    m_jointTests.reset();
}

std::string ResultsModel::groupSizesText() const {
    return describeGroupSizes(m_run.sizes);
}

double ResultsModel::efficiency(std::size_t i, int c) const {
    const bool kept = !m_run.efficiency.empty() && c < static_cast<int>(m_run.coefficients.size());
    return kept ? m_run.efficiencyAt(i, c) : kNaN;
}

void ResultsModel::setSettings(const TestSettings& settings) {
    m_settings = settings;
    m_tests.reset();
    m_jointTests.reset();
}

double ResultsModel::effectOf(int q) {
    if (!m_effects[q]) {
        // The tests of q alone, under the current settings.
        std::vector<std::optional<double>> none(m_effects.size());
        PointTests alone(m_settings, m_df.quantities, std::move(none));
        const std::optional<std::size_t> best = m_smallestSe[q];
        const double mdes = best ? alone.at(table(), *best, q, false).mdes : kNaN;
        m_effects[q] = std::isfinite(mdes) ? std::strtod(shortText(mdes, 2).c_str(), nullptr) : 0.0;
    }
    return *m_effects[q];
}

void ResultsModel::choose(int c) {
    m_coefficient = c;
    effectOf(c);
    m_tests.reset();
}

void ResultsModel::setEffect(double effect) {
    m_effects[m_coefficient] = effect;
    m_tests.reset();
    m_jointTests.reset();
}

PointTests& ResultsModel::tests() {
    if (!m_tests) {
        // Only the chosen coefficient has an effect, as with one --effect of tavi-calc.
        std::vector<std::optional<double>> effects(m_effects.size());
        effects[m_coefficient] = m_effects[m_coefficient];
        m_tests.emplace(m_settings, m_df.quantities, std::move(effects));
    }
    return *m_tests;
}

JointTests& ResultsModel::jointTests() {
    if (!m_jointTests) {
        const std::shared_ptr<const TestedQuantities>& tested = m_run.table.tested();
        for (const JointTest& test : tested->jointTests()) {
            for (const int member : test.members) {
                effectOf(member);
            }
        }
        m_jointTests.emplace(m_settings, m_df.jointTests, tested, m_effects);
        m_jointTable = m_jointTests->unitEffectTable(table());
    }
    return *m_jointTests;
}

PointTest ResultsModel::jointTest(int j, std::size_t i) {
    JointTests& joint = jointTests();
    return joint.tests().at(*m_jointTable, i, j);
}

void ResultsModel::writePowerCsv(const std::string& fileName) {
    writePowerCsvFile(fileName, table(), tests(), m_names.quantityNames());
}

Plot ResultsModel::plot(PlotQuantity quantity) {
    const SweepTable& t = table();
    const int c = m_coefficient;
    PointTests& pointTests = tests();
    const auto value = [&](std::size_t i) {
        if (quantity == PlotQuantity::StandardError) {
            return t.se(i, c);
        }
        const PointTest test = pointTests.at(t, i, c, false);
        return quantity == PlotQuantity::Mdes ? test.mdes : test.power;
    };

    Plot plot;
    const std::string& title = m_titles[c];
    const std::string sided = m_settings.oneSided ? "one-sided" : "two-sided";
    const std::string alpha = "α = " + shortText(m_settings.alpha);
    switch (quantity) {
        case PlotQuantity::StandardError:
            plot.title = "Standard error of " + title;
            plot.yTitle = "Standard error (outcome units)";
            break;
        case PlotQuantity::Mdes:
            plot.title = "Minimum detectable effect of " + title + " (" + alpha + ", power " +
                         shortText(m_settings.power) + ", " + sided + ")";
            plot.yTitle = "MDES (outcome units)";
            break;
        case PlotQuantity::Power:
            plot.title = "Power for " + title + " = " + shortText(effect(), 4) + " (" + alpha +
                         ", " + sided + ")";
            plot.yTitle = "Power (probability)";
            plot.target = m_settings.power;
            break;
    }
    drawPlot(plot, t, pointTests, c, quantity, {m_smallestSe[c], "Smallest SE"}, value);
    return plot;
}

Plot ResultsModel::jointPlot(int j) {
    JointTests& joint = jointTests();
    const SweepTable& t = *m_jointTable;
    Plot plot;
    plot.title = "Power of the joint test " + m_jointTitles[j] +
                 " (α = " + shortText(m_settings.alpha) + ", F test)";
    plot.yTitle = "Power (probability)";
    plot.target = m_settings.power;
    const auto value = [&](std::size_t i) { return joint.tests().at(t, i, j, false).power; };
    // The smallest SE of a unit effect is the largest noncentrality.
    drawPlot(plot, t, joint.tests(), j, PlotQuantity::Power,
             {smallestSePoints(t)[j], "Largest noncentrality"}, value);
    return plot;
}

void ResultsModel::drawPlot(Plot& plot, const SweepTable& t, PointTests& pointTests, int c,
                            PlotQuantity quantity, const Mark& fallback,
                            const std::function<double(std::size_t)>& value) const {
    plot.xTitle = t.budgetMode() ? "Group size n (level-1 units per group)" : "Number of groups N";
    const std::optional<std::size_t> cheapestPoint =
        quantity == PlotQuantity::Power ? cheapestPointReaching(t, pointTests, c) : std::nullopt;
    const bool cheapest = cheapestPoint.has_value();
    const std::optional<std::size_t> marked = cheapest ? cheapestPoint : fallback.point;
    if (marked) {
        const std::size_t i = *marked;
        const SweepPoint& point = t.point(i);
        const double y = value(i);
        plot.mark = PlotPoint{double(t.budgetMode() ? point.n : point.N), y, i};
        plot.markLabel = (cheapest ? "Cheapest reaching power " + shortText(m_settings.power)
                                   : std::string(fallback.name)) +
                         ": " + pointText(point) + ", " + quantityName(quantity) + " " +
                         shortText(y, 4);
        if (quantity == PlotQuantity::Power && !cheapest) {
            plot.markLabel += " (target not reached)";
        }
    }
    addLines(plot, t, value);
}

void ResultsModel::addLines(Plot& plot, const SweepTable& t,
                            const std::function<double(std::size_t)>& value) const {
    const auto add = [&](PlotLine& line, std::size_t i, double x) {
        const double y = value(i);
        if (t.point(i).N >= 1 && !std::isnan(y)) {
            line.points.push_back({x, y, i});
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
        // takes the place of the one nearest to it.
        std::vector<std::size_t> spread;
        for (std::size_t k = 0; k < kMaxPlotLines; ++k) {
            spread.push_back(k * (firsts.size() - 1) / (kMaxPlotLines - 1));
        }
        if (plot.mark) {
            const std::int32_t n = t.point(plot.mark->point).n;
            const std::size_t marked =
                std::size_t(std::find_if(firsts.begin(), firsts.end(),
                                         [&](std::size_t i) { return t.point(i).n == n; }) -
                            firsts.begin());
            const auto nearest = std::min_element(
                spread.begin() + 1, spread.end() - 1, [&](std::size_t a, std::size_t b) {
                    return std::max(a, marked) - std::min(a, marked) <
                           std::max(b, marked) - std::min(b, marked);
                });
            if (std::find(spread.begin(), spread.end(), marked) == spread.end()) {
                *nearest = marked;
            }
        }
        for (const std::size_t k : spread) {
            shown.insert(firsts[k]);
        }
        plot.note = "Showing " + std::to_string(shown.size()) + " of " +
                    std::to_string(firsts.size()) + " group sizes; the table holds them all.";
    }
    for (const std::size_t first : shown) {
        PlotLine line{"n = " + std::to_string(t.point(first).n), {}};
        for (std::size_t i = first; i < t.size() && t.point(i).n == t.point(first).n; ++i) {
            add(line, i, t.point(i).N);
        }
        plot.lines.push_back(std::move(line));
    }
}

}  // namespace tavi
