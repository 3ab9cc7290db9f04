#include "engine/run/AssumptionRows.h"

#include "files/NumberText.h"
#include "files/TypedNumbers.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

namespace tavi {

namespace {

constexpr double kNoBound = std::numeric_limits<double>::infinity();
constexpr double kLargestWhole = std::numeric_limits<std::int32_t>::max();

using Row = AssumptionRow;

AssumptionField fieldOf(std::string key, std::string label, std::string help) {
    return {std::move(key), std::move(label), std::move(help), {}, {}};
}

// A variance: at least 0, or above 0 when positive. The element (i, i) of a matrix of the model
// when tau is given, the residual variance otherwise.
Row varianceRow(AssumptionField field, bool positive, Matrix NestedModel::*tau = nullptr,
                std::int32_t i = 0) {
    return {std::move(field),
            0.0,
            positive,
            kNoBound,
            false,
            false,
            false,
            [tau, i](const NestedDesign& d) {
                return tau == nullptr ? d.model.Sigma2 : (d.model.*tau)(i, i);
            },
            [tau, i](NestedDesign& d, double v) {
                (tau == nullptr ? d.model.Sigma2 : (d.model.*tau)(i, i)) = v;
            },
            {},
            {},
            {}};
}

// The intercept's variance (tau: Tau2 or Tau3) as a share of σ² and the intercept's variances
// at every level. A new share gives the intercept that share of the same total and σ² what the
// other levels leave, which keeps the other levels' shares.
Row shareRow(AssumptionField field, Matrix NestedModel::*tau) {
    const auto total = [](const NestedModel& m) {
        return m.Sigma2 + m.Tau2(1, 1) + (m.levels == 3 ? m.Tau3(1, 1) : 0.0);
    };
    return {std::move(field),
            0.0,
            false,
            1.0,
            false,
            false,
            true,
            [tau, total](const NestedDesign& d) {
                const double sum = total(d.model);
                return sum > 0.0 ? (d.model.*tau)(1, 1) / sum : 0.0;
            },
            [tau, total](NestedDesign& d, double share) {
                NestedModel& m = d.model;
                const double sum = total(m);
                (m.*tau)(1, 1) = share * sum;
                m.Sigma2 = sum - m.Tau2(1, 1) - (m.levels == 3 ? m.Tau3(1, 1) : 0.0);
            },
            {},
            {},
            {}};
}

// A whole-number setting of the sweep, at least least.
Row amountRow(AssumptionField field, double least, std::int32_t SampleSizes::*amount) {
    return {std::move(field),
            least,
            false,
            kNoBound,
            false,
            true,
            false,
            [amount](const NestedDesign& d) { return double(d.sizes.*amount); },
            [amount](NestedDesign& d, double value) {
                d.sizes.*amount = static_cast<std::int32_t>(value);
            },
            {},
            {},
            {}};
}

Row rangeRow(AssumptionField field, CountRange SampleSizes::*range, std::int32_t CountRange::*end) {
    return {std::move(field),
            1.0,
            false,
            kNoBound,
            false,
            true,
            false,
            [range, end](const NestedDesign& d) { return double(d.sizes.*range.*end); },
            [range, end](NestedDesign& d, double value) {
                d.sizes.*range.*end = static_cast<std::int32_t>(value);
            },
            {},
            {},
            {}};
}

// A range of the sweep: what it counts ("number of groups") and its symbol ("N"); its step
// when the file holds one.
struct RangeRows {
    const char* key;
    const char* what;
    const char* symbol;
    const char* largestHelp;
    CountRange SampleSizes::*range;
    const char* stepHelp;  // nullptr: the step follows from the width of the range
};

void addRange(std::vector<Row>& rows, const RangeRows& r) {
    const std::string key = r.key;
    const std::string what = std::string(r.what) + " " + r.symbol;
    rows.push_back(
        rangeRow(fieldOf(key + "_min", "Smallest " + what, ""), r.range, &CountRange::least));
    rows.push_back(rangeRow(fieldOf(key + "_max", "Largest " + what, r.largestHelp), r.range,
                            &CountRange::most));
    rows.back().disorder = "The largest " + std::string(r.what) + " must be at least the smallest.";
    if (r.stepHelp != nullptr) {
        rows.push_back(
            rangeRow(fieldOf(key + "_step", std::string("Step of ") + r.symbol, r.stepHelp),
                     r.range, &CountRange::step));
    }
}

constexpr RangeRows kGroupSizes{
    "n", "group size", "n", "", &SampleSizes::units, "The step between the table's group sizes."};

// Its place in Tau, as τ11 or, beyond 9, as τ10,10.
std::string tauName(std::int32_t j) {
    std::string tau = "τ";
    tau += std::to_string(j);
    tau += j > 9 ? "," : "";
    tau += std::to_string(j);
    return tau;
}

Row residualRow() {
    return varianceRow(fieldOf("sigma2", "Level-1 residual variance σ²",
                               "The outcome's variance within the groups that the level-1 "
                               "variables leave unexplained."),
                       true);
}

// The cost of a group, named by symbol as the table's cost is written.
Row groupCostRow(const char* symbol) {
    return amountRow(fieldOf("group_cost", std::string("Cost of a group ") + symbol,
                             "The cost of one more group relative to one more level-1 unit."),
                     0, &SampleSizes::GroupCost);
}

std::vector<Row> twoLevelRows(const NestedDesign& d) {
    std::vector<Row> rows;
    rows.push_back(varianceRow(
        fieldOf("tau00", "Intercept variance τ00",
                "The variance of the groups' true means: the outcome's variance between the "
                "groups."),
        false, &NestedModel::Tau2, 1));
    rows.push_back(residualRow());
    rows.push_back(shareRow(fieldOf("icc", "Intraclass correlation τ00 / (τ00 + σ²)",
                                    "The groups' share of the two variances. A new value shares "
                                    "their sum anew between τ00 and σ²."),
                            &NestedModel::Tau2));
    for (std::int32_t v = 0; v < d.model.p1; ++v) {
        const std::int32_t i = level2EffectIndex(d.model, v);
        if (i > 0) {
            const std::string& name = d.variables[std::size_t(v)].name;
            rows.push_back(varianceRow(
                fieldOf("slope" + std::to_string(i - 1),
                        "Variance of the slope of " + name + ", " + tauName(i - 1),
                        "How much the effect of " + name + " varies between the groups."),
                false, &NestedModel::Tau2, i));
        }
    }
    if (d.sizes.BudgetMode) {
        rows.push_back(amountRow(fieldOf("budget", "Budget c·N + n·N at most",
                                         "The total budget, counted in level-1 units."),
                                 1, &SampleSizes::Budget));
        rows.push_back(groupCostRow("c"));
    } else {
        addRange(rows, {"groups", "number of groups", "N",
                        "The table steps N by 1, 2, 5 or 10 as the range is wider.",
                        &SampleSizes::top, nullptr});
    }
    addRange(rows, kGroupSizes);
    return rows;
}

// A level above the units as the rows of a three-level design name it.
struct UpperLevel {
    const char* level;
    const char* units;   // "groups"
    const char* where;   // "the groups of a site"
    const char* means;   // what its variance is
    const char* others;  // the units of the other level above
    Matrix NestedModel::*tau;
    std::int32_t (*effectIndex)(const NestedModel&, std::int32_t);
};

constexpr UpperLevel kUpperLevels[] = {
    {"2", "groups", "the groups of a site",
     "the variance of the groups' true means around their site's", "sites", &NestedModel::Tau2,
     level2EffectIndex},
    {"3", "sites", "the sites", "the variance of the sites' true means", "groups",
     &NestedModel::Tau3, level3EffectIndex},
};

std::vector<Row> threeLevelRows(const NestedDesign& d) {
    std::vector<Row> rows = {residualRow()};
    for (const UpperLevel& u : kUpperLevels) {
        rows.push_back(varianceRow(fieldOf(std::string("tau") + u.level + "_intercept",
                                           std::string("Intercept variance between ") + u.units,
                                           std::string("The outcome's variance between ") +
                                               u.where + ": " + u.means + "."),
                                   false, u.tau, 1));
    }
    for (const UpperLevel& u : kUpperLevels) {
        rows.push_back(shareRow(
            fieldOf(std::string("icc") + u.level,
                    std::string("Intraclass correlation of the ") + u.units + " icc" + u.level,
                    std::string("The share of σ² and the two intercept variances that lies "
                                "between ") +
                        u.where + ". A new value shares their sum anew between the " + u.units +
                        " and σ²; the " + u.others + " keep their share."),
            u.tau));
    }
    for (std::int32_t v = 0; v < d.model.p1 + d.model.p2; ++v) {
        const std::string& name = d.variables[std::size_t(v)].name;
        for (const UpperLevel& u : kUpperLevels) {
            if (const std::int32_t i = u.effectIndex(d.model, v); i > 0) {
                rows.push_back(varianceRow(
                    fieldOf(std::string("tau") + u.level + "_" + name,
                            "Variance of the slope of " + name + " between " + u.units,
                            "How much the effect of " + name + " varies between " + u.where + "."),
                    false, u.tau, i));
            }
        }
    }
    if (d.sizes.BudgetMode) {
        rows.push_back(amountRow(
            fieldOf("budget", "Budget K·(s + J·(g + n)) at most",
                    "The total budget, counted in level-1 units: K sites of J groups of n units."),
            1, &SampleSizes::Budget));
        rows.push_back(amountRow(
            fieldOf("site_cost", "Cost of a site s",
                    "The cost of one more site beyond its groups, relative to one more level-1 "
                    "unit."),
            0, &SampleSizes::SiteCost));
        rows.push_back(groupCostRow("g"));
    } else {
        addRange(rows, {"sites", "number of sites", "K", "", &SampleSizes::top,
                        "The step between the table's numbers of sites."});
    }
    addRange(rows, {"groups", "number of groups per site", "J", "", &SampleSizes::groups,
                    "The step between the table's numbers of groups per site."});
    addRange(rows, kGroupSizes);
    return rows;
}

// A correlation of a design over periods, from 0 (or above 0) to 1 (or below 1).
Row correlationRow(AssumptionField field, double PeriodCorrelations::*value, bool above,
                   bool oneIncluded) {
    return {std::move(field),
            0.0,
            above,
            1.0,
            oneIncluded,
            false,
            false,
            [value](const NestedDesign& d) { return d.periods->correlations.*value; },
            [value](NestedDesign& d, double v) { d.periods->correlations.*value = v; },
            {},
            {},
            {}};
}

Row cohortRow() {
    return {fieldOf("cohort", "Cohort",
                    "yes: the same units are measured in every period; no: new units in every "
                    "period."),
            0.0,
            false,
            1.0,
            true,
            true,
            false,
            [](const NestedDesign& d) { return d.periods->correlations.cohort ? 1.0 : 0.0; },
            [](NestedDesign& d, double v) { d.periods->correlations.cohort = v == 1.0; },
            {},
            {"no", "yes"},
            {}};
}

// A correlation of a cohort's units, which has a part in the design only with a cohort.
Row cohortCorrelationRow(AssumptionField field, double PeriodCorrelations::*value, bool above,
                         bool oneIncluded) {
    field.placeholder = "only with a cohort";
    Row row = correlationRow(std::move(field), value, above, oneIncluded);
    row.applies = [](const NestedDesign& d) { return d.periods->correlations.cohort; };
    return row;
}

std::vector<Row> periodRows() {
    std::vector<Row> rows = {
        correlationRow(fieldOf("icc", "Intraclass correlation within a period icc",
                               "The clusters' share of the outcome's variance within a period."),
                       &PeriodCorrelations::icc, false, false),
        correlationRow(fieldOf("cac", "Cluster autocorrelation cac",
                               "The correlation of a cluster's effects between two periods: 1 "
                               "keeps a cluster's effect the same in every period."),
                       &PeriodCorrelations::cac, false, true),
        correlationRow(fieldOf("decay", "Decay of the cluster autocorrelation per period",
                               "The factor by which the correlation of a cluster's effects falls "
                               "per period apart: 1 for none."),
                       &PeriodCorrelations::decay, true, true),
        cohortRow(),
        cohortCorrelationRow(fieldOf("iac", "Individual autocorrelation iac",
                                     "In a cohort, the correlation of a unit's deviations between "
                                     "two periods."),
                             &PeriodCorrelations::iac, false, false),
        cohortCorrelationRow(fieldOf("cohort_decay",
                                     "Decay of the individual autocorrelation per "
                                     "period",
                                     "In a cohort, the factor by which the correlation of a "
                                     "unit's deviations falls per period apart: 1 for none."),
                             &PeriodCorrelations::cohortDecay, true, true),
    };
    addRange(rows, {"clusters", "number of clusters", "K", "The clusters of all sequences.",
                    &SampleSizes::top, "The step between the table's numbers of clusters."});
    addRange(rows, {"n", "number of units per cluster-period", "n", "", &SampleSizes::units,
                    "The step between the table's numbers of units per cluster-period."});
    return rows;
}

}  // namespace

std::vector<AssumptionRow> assumptionRows(const NestedDesign& d) {
    if (d.periods) {
        return periodRows();
    }
    return d.levels() == 3 ? threeLevelRows(d) : twoLevelRows(d);
}

bool rowApplies(const AssumptionRow& row, const NestedDesign& d) {
    return !row.applies || row.applies(d);
}

std::string rowText(const AssumptionRow& row, double value) {
    if (!row.words.empty()) {
        return row.words[static_cast<std::size_t>(value)];
    }
    if (!row.derived) {
        return exactNumber(value);
    }
    return significantNumber(value, 4);
}

std::string rowProblem(const AssumptionRow& row, const std::string& text, const NestedDesign& d,
                       double& value) {
    if (!row.words.empty()) {
        const auto word = std::find(row.words.begin(), row.words.end(), text);
        value = static_cast<double>(word - row.words.begin());
        return word != row.words.end() ? std::string()
                                       : row.field.label + " must be " + row.words.back() + " or " +
                                             row.words.front() + ".";
    }
    const std::string least = exactNumber(row.least);
    std::string rule = row.whole   ? "a whole number of at least " + least
                       : row.above ? "a number above " + least
                                   : "a number of at least " + least;
    if (std::isfinite(row.most)) {
        rule += (row.mostIncluded ? " and at most " : " and below ") + exactNumber(row.most);
    }
    const bool usable = TextToReal(text, value) && std::isfinite(value) &&
                        (row.above ? value > row.least : value >= row.least) &&
                        (row.mostIncluded ? value <= row.most : value < row.most) &&
                        (!row.whole || (value == std::floor(value) && value <= kLargestWhole));
    if (!usable) {
        return row.field.label + " must be " + rule + ".";
    }
    NestedDesign tried = d;
    row.set(tried, value);
    if (!(tried.model.Sigma2 > 0.0)) {
        return row.field.label +
               " must leave σ² above 0: the intraclass correlations must add up "
               "to less than 1.";
    }
    return {};
}

}  // namespace tavi
