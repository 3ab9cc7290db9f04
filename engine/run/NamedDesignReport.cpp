#include "engine/run/NamedDesignReport.h"

#include "engine/Coefficients.h"
#include "engine/run/CovarianceFileWriter.h"
#include "engine/run/ReportTable.h"
#include "files/NumberText.h"

#include <cmath>
#include <string_view>
#include <vector>

namespace tavi {

namespace {

constexpr int kNameWidth = 34;

std::string_view slopeText(const DesignVariable& variable) {
    switch (variable.slope) {
        case SlopeVariation::None:
            break;
        case SlopeVariation::Level2:
            return "slope varies between groups";
        case SlopeVariation::Level3:
            return "slope varies between sites";
        case SlopeVariation::Levels2And3:
            return "slope varies between groups and between sites";
    }
    return variable.level == 3 ? "" : "fixed slope";
}

// A matrix's title, the variables of its rows, its rows as 13.5 reals, two empty lines.
void writeMatrix(TextFileWriter& report, std::string_view title, const std::string& rows,
                 const Matrix& m, int order, int columns) {
    report.line(title);
    report.buffer().append("(rows: ").append(rows).append(")");
    report.endLine();
    report.endLine();
    for (int i = 1; i <= order; ++i) {
        for (int j = 1; j <= columns; ++j) {
            appendFixed(report.buffer(), m(i, j), 13, 5);
        }
        report.endLine();
    }
    report.endLine();
    report.endLine();
}

// The names of the variables that place(v) puts at 1, 2, ..., after the intercept if asked.
std::string rowNames(const NestedDesign& p, std::int32_t (*place)(const NestedModel&, std::int32_t),
                     int order, bool intercept) {
    std::vector<std::string> names(static_cast<std::size_t>(order));
    if (intercept) {
        names.front() = "intercept";
    }
    for (std::int32_t v = 0; v < static_cast<std::int32_t>(p.variables.size()); ++v) {
        if (const std::int32_t at = place(p.model, v); at > 0) {
            names[at - 1] = p.variables[v].name;
        }
    }
    std::string text;
    for (const std::string& name : names) {
        text.append(text.empty() ? "" : ", ").append(name);
    }
    return text.empty() ? "none" : text;
}

// "c7": the table's label of coefficient c (0-based).
std::string columnLabel(std::size_t c) {
    std::string label = "c";
    label.append(std::to_string(c + 1));
    return label;
}

void writeSweep(TextFileWriter& report, const SampleSizes& s) {
    report.line("Sample sizes (costs in level-1 units):");
    if (s.BudgetMode) {
        for (const auto& [what, value] : {std::pair{"budget", s.Budget},
                                          {"cost of a site beyond its groups", s.SiteCost},
                                          {"cost of a group beyond its units", s.GroupCost}}) {
            report.buffer().append("  ").append(what).append(": ");
            appendInteger(report.buffer(), value);
            report.endLine();
        }
        report.line("  sites K: as many as the budget pays for");
    } else {
        writeRange(report, "sites K", s.top);
    }
    writeRange(report, "groups per site J", s.groups);
    writeRange(report, "units per group n", s.units);
    report.endLine();
}

}  // namespace

void writeRange(TextFileWriter& report, std::string_view what, const CountRange& range) {
    std::string& out = report.buffer();
    out.append("  ").append(what).append(" from ");
    appendInteger(out, range.least);
    out.append(" to ");
    appendInteger(out, range.most);
    out.append(" in steps of ");
    appendInteger(out, range.step);
    report.endLine();
}

void writeNamedDesign(TextFileWriter& report, const NestedDesign& p) {
    const NestedModel& m = p.model;
    report.line("Three-level design: K sites of J groups of n units.");
    report.endLine();
    report.line("Variables:");
    for (const DesignVariable& variable : p.variables) {
        std::string& out = report.buffer();
        out.append("  level ").append(std::to_string(variable.level)).append("  ");
        out.append(variable.name);
        out.append(kNameWidth - variable.name.size(), ' ').append(slopeText(variable));
        while (out.back() == ' ') {
            out.pop_back();
        }
        report.endLine();
    }
    report.endLine();
    writeSweep(report, p.sizes);
    report.line("Parameters:");
    report.endLine();
    report.line("RESIDUAL VARIANCE (sigma-squared)");
    report.endLine();
    appendFixed(report.buffer(), m.Sigma2, 17, 5);
    report.endLine();
    report.endLine();
    const int level2 = level2Effects(m);
    const int level3 = level3Effects(m);
    const int groups = betweenGroupsOrder(m);
    const int sites = betweenSitesOrder(m);
    writeMatrix(report, "COVARIANCE MATRIX OF THE LEVEL-2 RANDOM EFFECTS (T2)",
                rowNames(p, level2EffectIndex, level2, true), m.Tau2, level2, level2);
    writeMatrix(report, "COVARIANCE MATRIX OF THE LEVEL-3 RANDOM EFFECTS (T3)",
                rowNames(p, level3EffectIndex, level3, true), m.Tau3, level3, level3);
    writeMatrix(report, "WITHIN-GROUPS COVARIANCE MATRIX", rowNames(p, withinIndex, m.p1, false),
                m.WithinCov, m.p1, m.p1);
    writeMatrix(report, "BETWEEN-GROUPS COVARIANCE MATRIX (WITHIN SITES)",
                rowNames(p, betweenGroupsIndex, groups, false), m.BetweenCov, groups, groups);
    const std::string siteRows = rowNames(p, betweenSitesIndex, sites, false);
    writeMatrix(report, "BETWEEN-SITES COVARIANCE MATRIX", siteRows, m.SiteCov, sites, sites);
    Matrix means{};
    for (int i = 1; i <= sites; ++i) {
        means(i, 1) = m.Means(i);
    }
    writeMatrix(report, "MEANS OF THE BETWEEN-SITES VARIABLES", siteRows, means, sites, 1);
}

void writeNamedTableHead(TextFileWriter& report, const PreparedDesign& d) {
    report.line("The following table contains the standard errors (s.e.) of the coefficients:");
    std::vector<std::string> labels;
    for (std::size_t c = 0; c < d.coefficients.size(); ++c) {
        std::string& out = report.buffer();
        labels.push_back(columnLabel(c));
        out.append(6 - labels.back().size(), ' ').append(labels.back()).append("  ");
        out.append(d.coefficients[c].name);
        report.endLine();
    }
    report.line("(\" -.99999\": a variance below 1.0e-20.)");
    report.endLine();
    appendTableHeader(report.buffer(), tableLayoutFor(3), d.design.sizes.BudgetMode, labels);
    report.endLine();
}

void appendNamedCovBlock(std::string& out, const SweepPoint& point, const PointCovariance& c) {
    out.append("K = ");
    appendInteger(out, point.N);
    out.append(" ; J = ");
    appendInteger(out, point.J);
    out.append(" ; n = ");
    appendInteger(out, point.n);
    out.append("\r\n");
    WriteCovMatrix(out, c.CovCoef, "Covariance matrix of estimated coefficients", c.NumCoef,
                   c.NumCoef);
}

}  // namespace tavi
