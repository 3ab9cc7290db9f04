#include "engine/run/SimulationReport.h"

#include "files/NumberText.h"

#include <cmath>
#include <ostream>
#include <string>
#include <string_view>

namespace tavi {

namespace {

// A simulated figure with its Monte Carlo standard error in brackets.
std::string withError(const Figure& figure) {
    if (std::isnan(figure.value)) {
        return "-";
    }
    return briefNumber(figure.value) + " (" + briefNumber(figure.mcse) + ")";
}

struct Column {
    std::string_view header;
    std::size_t width;
    std::string (*text)(const CoefficientSimulation&);
};

constexpr Column kColumns[] = {
    {"true value", 11,
     [](const CoefficientSimulation& s) { return briefNumber(s.analytic.trueValue); }},
    {"analytic SE", 12, [](const CoefficientSimulation& s) { return briefNumber(s.analytic.se); }},
    {"empirical SD", 21, [](const CoefficientSimulation& s) { return withError(s.empiricalSd); }},
    {"mean model SE", 21, [](const CoefficientSimulation& s) { return withError(s.meanModelSe); }},
    {"bias", 23, [](const CoefficientSimulation& s) { return withError(s.bias); }},
    {"coverage", 18, [](const CoefficientSimulation& s) { return withError(s.coverage); }},
    {"analytic power", 15,
     [](const CoefficientSimulation& s) {
         return s.analytic.hasEffect ? briefNumber(s.analytic.power) : std::string();
     }},
    {"simulated power", 0,
     [](const CoefficientSimulation& s) {
         return s.analytic.hasEffect ? withError(s.rejections) : std::string();
     }},
};

constexpr std::size_t kNameWidth = 12;

void appendCell(std::string& line, std::string_view text, std::size_t width) {
    line += text;
    line.append(text.size() < width ? width - text.size() : 1, ' ');
}

void writeLine(std::ostream& out, std::string line) {
    line.erase(line.find_last_not_of(' ') + 1);
    out << line << "\n";
}

}  // namespace

void writeSimulationReport(std::ostream& out, const SimulationSetting& setting,
                           const SimulationSummary& summary,
                           const std::vector<Coefficient>& coefficients) {
    out << "\nSimulation at " << pointText(setting.point) << ", seed " << setting.seed << ": "
        << summary.run;
    if (summary.run < summary.requested) {
        out << " of " << summary.requested << " replications (interrupted)";
    } else {
        out << " replications";
    }
    out << "; " << summary.used << " REML fits used, " << summary.failed << " failed.\n";
    if (summary.failed > 0) {
        out << "Failed fits, which did not converge or could not estimate the fixed part, are "
               "left out.\n";
    }
    if (summary.zeroVariance > 0) {
        out << summary.zeroVariance
            << " fits ended on the boundary, with a variance of the random effects estimated as "
               "0; they are used.\n";
    }
    if (summary.perfectCorrelation > 0) {
        out << summary.perfectCorrelation
            << " fits ended on the boundary, with a correlation of the random effects estimated "
               "as +-1 (or one random effect as a combination of the others); they are used.\n";
    }
    out << "Coverage of the two-sided " << briefNumber(100.0 * (1.0 - setting.test.alpha))
        << "% intervals; " << (setting.test.oneSided ? "one-sided" : "two-sided")
        << " tests at alpha " << exactNumber(setting.test.alpha)
        << ". Monte Carlo standard errors in brackets.\n";
    std::string line;
    appendCell(line, "coefficient", kNameWidth);
    for (const Column& column : kColumns) {
        appendCell(line, column.header, column.width);
    }
    writeLine(out, line);
    for (std::size_t c = 0; c < summary.coefficients.size(); ++c) {
        line.clear();
        appendCell(line, coefficients[c].name, kNameWidth);
        for (const Column& column : kColumns) {
            appendCell(line, column.text(summary.coefficients[c]), column.width);
        }
        writeLine(out, line);
    }
}

}  // namespace tavi
