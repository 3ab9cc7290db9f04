#include "engine/run/PeriodDesignReport.h"

#include "engine/run/NamedDesignReport.h"
#include "files/NumberText.h"

#include <string_view>

namespace tavi {

namespace {

// A cell of the grid: control, treated, not observed.
constexpr std::string_view kCellMarks[] = {"  .", "  X", "   "};

void writeValue(TextFileWriter& report, std::string_view what, double value) {
    report.buffer().append("  ").append(what).append(": ");
    appendShortestReal(report.buffer(), value);
    report.endLine();
}

// The sequences' periods, and the clusters of each at the sweep's smallest K.
void writeGrid(TextFileWriter& report, const ClusterPeriods& periods, std::int32_t K) {
    report.line("Sequences (X treated, . control, blank not observed):");
    std::string& head = report.buffer();
    head.append("  period       ");
    for (std::int32_t t = 1; t <= periods.periods(); ++t) {
        const std::string number = std::to_string(t);
        head.append(3 - std::min<std::size_t>(3, number.size()), ' ').append(number);
    }
    head.append("   clusters at the smallest K");
    report.endLine();
    for (std::size_t s = 0; s < periods.sequences.size(); ++s) {
        std::string& out = report.buffer();
        const std::string number = std::to_string(s + 1);
        out.append("  sequence ")
            .append(number)
            .append(4 - std::min<std::size_t>(4, number.size()), ' ');
        for (const PeriodCell cell : periods.sequences[s]) {
            out.append(kCellMarks[static_cast<int>(cell)]);
        }
        out.append("   ");
        appendShortestReal(out, clustersOfSequence(periods, s, K));
        report.endLine();
    }
    report.endLine();
}

}  // namespace

void writePeriodDesign(TextFileWriter& report, const NestedDesign& d) {
    const ClusterPeriods& periods = *d.periods;
    const PeriodCorrelations& c = periods.correlations;
    report.line("Cluster design over periods: K clusters over the sequences, J periods, n units");
    report.line(c.cohort ? "in every cluster-period, the same units in every period."
                         : "in every cluster-period, new units in every period.");
    report.endLine();
    const CountRange& top = d.sizes.top;
    writeGrid(report, periods, top.least);
    report.line("Sample sizes:");
    writeRange(report, "clusters K", top);
    report.buffer().append("  periods J: ");
    appendInteger(report.buffer(), periods.periods());
    report.endLine();
    writeRange(report, "units per cluster-period n", d.sizes.units);
    report.endLine();
    report.line("Correlations (the outcome's variance within a period is 1):");
    writeValue(report, "within a period (icc)", c.icc);
    writeValue(report, "of a cluster between periods (cac)", c.cac);
    writeValue(report, "its decay per period apart", c.decay);
    if (c.cohort) {
        writeValue(report, "of a unit between periods (iac)", c.iac);
        writeValue(report, "its decay per period apart", c.cohortDecay);
    }
    report.endLine();
}

}  // namespace tavi
