#include "engine/run/SimulationCsv.h"

#include "files/NumberText.h"

#include <limits>
#include <string_view>

namespace tavi {

namespace {

struct RealColumn {
    std::string_view name;
    double (*value)(const CoefficientSimulation&);
};

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

constexpr RealColumn kRealColumns[] = {
    {"true_value", [](const CoefficientSimulation& s) { return s.analytic.trueValue; }},
    {"analytic_se", [](const CoefficientSimulation& s) { return s.analytic.se; }},
    {"empirical_sd", [](const CoefficientSimulation& s) { return s.empiricalSd.value; }},
    {"mean_model_se", [](const CoefficientSimulation& s) { return s.meanModelSe.value; }},
    {"bias", [](const CoefficientSimulation& s) { return s.bias.value; }},
    {"coverage", [](const CoefficientSimulation& s) { return s.coverage.value; }},
    {"analytic_power",
     [](const CoefficientSimulation& s) { return s.analytic.hasEffect ? s.analytic.power : kNaN; }},
    {"empirical_power", [](const CoefficientSimulation& s) { return s.rejections.value; }},
};

}  // namespace

void writeSimulationCsv(TextFileWriter& out, const SimulationSummary& summary,
                        const std::vector<Coefficient>& coefficients) {
    std::string& text = out.buffer();
    text += "coefficient";
    for (const RealColumn& column : kRealColumns) {
        text.append(",").append(column.name);
    }
    out.line(",replications,failed_fits");
    for (std::size_t c = 0; c < summary.coefficients.size(); ++c) {
        text += coefficients[c].name;
        for (const RealColumn& column : kRealColumns) {
            appendCsvField(text, column.value(summary.coefficients[c]));
        }
        text += ',';
        appendInteger(text, summary.used);
        text += ',';
        appendInteger(text, summary.failed);
        out.endLine();
    }
}

}  // namespace tavi
