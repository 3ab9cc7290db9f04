#include "engine/run/CalculationRun.h"

#include "engine/CovarianceComputation.h"
#include "engine/power/BudgetLine.h"
#include "engine/run/CovarianceFileWriter.h"
#include "engine/run/EngineLayout.h"
#include "engine/run/LocalDateTime.h"
#include "engine/run/OrderedSweep.h"
#include "engine/run/RelativeEfficiency.h"
#include "engine/run/ReportTable.h"
#include "engine/run/ReportWriter.h"
#include "files/DesignParameters.h"
#include "files/OutputSet.h"
#include "files/ParameterFile.h"
#include "files/TextScanner.h"

#include <memory>
#include <vector>

namespace tavi {

namespace {

enum class DesignVerdict { Accepted, Impossible, TooLarge };

DesignVerdict verdictOn(const DesignParameters& p) {
    if (!countsArePossible(p.k, p.k1, p.kw)) {
        return DesignVerdict::Impossible;
    }
    if (!countsFitCapacity(p.k, p.k1, p.kw)) {
        return DesignVerdict::TooLarge;
    }
    return DesignVerdict::Accepted;
}

// Settings the sweep cannot work with: they would make it endless or larger than any plan
// needs, divide by zero or give a number of groups beyond the 32-bit range. One line for each
// problem; empty when the settings are usable.
std::vector<std::string> unusableSettings(const EngineState& e) {
    std::vector<std::string> problems;
    if (e.MinGroupSize < 1) {
        problems.push_back("The smallest group size n_min must be at least 1; it is " +
                           std::to_string(e.MinGroupSize) + ".");
    }
    if (e.GroupSizeStep < 1) {
        problems.push_back("The step size for n must be at least 1; it is " +
                           std::to_string(e.GroupSizeStep) + ".");
    }
    if (e.BudgetMode && e.Budget < 0) {
        problems.push_back("The budget must not be negative; it is " + std::to_string(e.Budget) +
                           ".");
    }
    if (e.BudgetMode && e.CostParameter < 0) {
        problems.push_back("The relative cost per level-2 unit c must not be negative; it is " +
                           std::to_string(e.CostParameter) + ".");
    }
    if (!e.BudgetMode && e.MinGroups < 1) {
        problems.push_back("The smallest number of groups N_min must be at least 1; it is " +
                           std::to_string(e.MinGroups) + ".");
    }
    if (e.k1 >= 1 && e.Sigma2 == 0.0) {
        problems.push_back(
            "The residual variance must not be 0 when some level-1 variables have a fixed "
            "effect only.");
    }
    if (problems.empty() && sweepPointCount(e) > kMaxSweepPoints) {
        problems.push_back("The settings ask for " + std::to_string(sweepPointCount(e)) +
                           " sample-size points; at most " + std::to_string(kMaxSweepPoints) +
                           " are computed.");
    }
    return problems;
}

// The two files a run writes; a run in memory has none.
struct RunFiles {
    ReportWriter& report;
    TextFileWriter& covFile;
};

// The point with index k of the sweep in report order: all sums and products are formed in 64
// bits, so settings near the 32-bit limits still give correct rows.
SweepPoint pointOfSweep(const EngineState& e, std::int64_t k) {
    if (e.BudgetMode) {
        return budgetPoint(e, e.MinGroupSize + k * e.GroupSizeStep);
    }
    const std::int64_t range = std::int64_t{e.MaxGroups} - e.MinGroups;
    const std::int64_t groupCounts = range < 0 ? 1 : range / e.GroupsStep + 1;
    const std::int64_t n = e.MinGroupSize + (k / groupCounts) * e.GroupSizeStep;
    const std::int64_t N = e.MinGroups + (k % groupCounts) * e.GroupsStep;
    return {static_cast<std::int32_t>(N), static_cast<std::int32_t>(n), 0};
}

// A point in flight: its own engine state, and its report row and covariance block, formatted
// where it was computed.
struct PointSlot {
    std::unique_ptr<EngineState> state;
    std::unique_ptr<SizedPointWork> work;  // only when the groups differ in size
    Vector efficiency;
    std::int64_t cost = 0;
    std::string reportRow;
    std::string covBlock;
};

// The point of the given sizes, told to the observer alone.
void tellGivenSizes(const EngineState& design, const RunControl& control) {
    const auto state = std::make_unique<EngineState>(design);
    const auto work = std::make_unique<SizedPointWork>();
    Vector efficiency;
    const SweepPoint point = givenSizesPoint(control.sizes, design);
    expectedGroupAt(*state, control.sizes, point.n, *work);
    computeSizedPoint(*state, control.sizes, point.n, point.N, *work, efficiency);
    control.observer->unequalPointDone(*state, point.cost, efficiency);
}

// Every point in report order, computed on the control's threads and written and told in order.
// The report and the covariance file take groups of exactly n units; the observer takes the
// sizes of the control.
void sweep(const EngineState& design, RunFiles* files, const RunControl& control) {
    const bool unequal = control.sizes.inForce();
    // Given sizes are one point of their own, told after the sweep.
    SweepObserver* observer = control.sizes.sizes.empty() ? control.observer : nullptr;
    const auto expectedGroups = unequal ? std::make_unique<ExpectedGroupCache>() : nullptr;
    const int threads = threadsFor(control.threads);
    // Enough points in flight to keep every thread busy while the writing catches up.
    std::vector<PointSlot> slots(static_cast<std::size_t>(4 * threads));
    for (PointSlot& slot : slots) {
        slot.state = std::make_unique<EngineState>(design);
        if (unequal && observer != nullptr) {
            slot.work = std::make_unique<SizedPointWork>();
        }
    }
    const auto compute = [&](int s, std::int64_t k) {
        PointSlot& slot = slots[s];
        EngineState& e = *slot.state;
        const SweepPoint point = pointOfSweep(design, k);
        computePoint(e, point.n, point.N);
        slot.cost = point.cost;
        if (files != nullptr) {
            slot.reportRow.clear();
            appendTableRow(slot.reportRow, e, point.cost);
            slot.reportRow.append("\r\n");
            slot.covBlock.clear();
            appendCovBlock(slot.covBlock, e.NumGroups, e.GroupSize, e.CovCoef, e.NumCoef);
        }
        if (slot.work) {
            expectedGroups->fill(e, control.sizes, point.n, *slot.work);
            computeSizedPoint(e, control.sizes, point.n, point.N, *slot.work, slot.efficiency);
        }
    };
    const auto deliver = [&](int s, std::int64_t) {
        const PointSlot& slot = slots[s];
        if (files != nullptr) {
            files->covFile.write(slot.covBlock);
            files->report.writeRows(slot.reportRow);
        }
        if (observer == nullptr) {
            return;
        }
        if (slot.work) {
            observer->unequalPointDone(*slot.state, slot.cost, slot.efficiency);
        } else {
            observer->pointDone(*slot.state, slot.cost);
        }
    };
    if (files != nullptr || observer != nullptr) {
        runOrdered(sweepPointCount(design), threads, static_cast<int>(slots.size()), compute,
                   deliver, control.stop);
    }
    if (observer == nullptr && control.observer != nullptr) {
        control.stop.throwIfStopped();
        tellGivenSizes(design, control);
    }
}

}  // namespace

std::int64_t sweepPointCount(const EngineState& e) {
    if (e.MinGroupSize > e.MaxGroupSize) {
        return 0;
    }
    const std::int64_t groupSizes =
        (std::int64_t{e.MaxGroupSize} - e.MinGroupSize) / e.GroupSizeStep + 1;
    if (e.BudgetMode) {
        return groupSizes;
    }
    const std::int64_t range = std::int64_t{e.MaxGroups} - e.MinGroups;
    return groupSizes * (range < 0 ? 1 : range / e.GroupsStep + 1);
}

namespace {

// The run after the files' heads: checks the design, then sweeps. Writes the report and the
// covariance file when there are files, or only computes.
RunOutcome runDesign(const DesignParameters& p, RunFiles* files, const RunControl& control) {
    switch (verdictOn(p)) {
        case DesignVerdict::Accepted:
            break;
        case DesignVerdict::TooLarge: {
            const std::int64_t coefficients = coefficientCount(p.k, p.k1, p.kw);
            if (files != nullptr) {
                files->report.writeCapacityFailure(coefficients);
            }
            return {true,
                    "the design has " + std::to_string(coefficients) +
                        " regression coefficients, more than " + std::to_string(dimmax),
                    nullptr};
        }
        case DesignVerdict::Impossible: {
            const std::string values = "k = " + std::to_string(p.k) +
                                       ", k1 = " + std::to_string(p.k1) +
                                       ", kw = " + std::to_string(p.kw);
            if (files != nullptr) {
                files->report.writeRefusal("The numbers of variables are impossible: " + values +
                                           ".\nThey must satisfy 0 <= k1 <= k and kw >= 0.");
            }
            return {true, "impossible numbers of variables: " + values, nullptr};
        }
    }
    auto design = std::make_shared<EngineState>();
    loadEngineDesign(p, *design);
    if (files != nullptr) {
        files->report.writeDesignEcho(*design);
    }
    const std::vector<std::string> problems = unusableSettings(*design);
    if (!problems.empty()) {
        if (files != nullptr) {
            std::string explanation = "The parameters cannot be used for a calculation:";
            for (const std::string& problem : problems) {
                explanation += "\n" + problem;
            }
            files->report.writeRefusal(explanation);
        }
        return {true, problems.front(), nullptr};
    }
    prepareRunConstants(*design);
    if (files != nullptr) {
        files->report.writeTableHead(*design);
    }
    if (control.observer != nullptr) {
        if (control.sizes.inForce()) {
            control.observer->groupSizesInForce(control.sizes);
        }
        control.observer->sweepStarts(*design,
                                      control.sizes.sizes.empty() ? sweepPointCount(*design) : 1);
    }
    sweep(*design, files, control);
    return {false, {}, std::move(design)};
}

}  // namespace

std::unique_ptr<DesignParameters> readRunDesign(const std::string& ParFileName) {
    auto p = std::make_unique<DesignParameters>(initialDesignParameters());
    TextScanner in = TextScanner::fromFile(ParFileName);
    ReadParameterFile(in, *p, kRunReading);
    return p;
}

RunOutcome RunCalculation(const std::string& ParFileName, const std::string& OutFileName,
                          const std::string& CovFileName, const RunControl& control) {
    return calculateDesign(*readRunDesign(ParFileName), ParFileName, OutFileName, CovFileName,
                           control);
}

RunOutcome calculateDesign(const DesignParameters& p, const std::string& ParFileName,
                           const std::string& OutFileName, const std::string& CovFileName,
                           const RunControl& control) {
    OutputSet outputs;
    RunOutcome outcome =
        runCalculationInto(outputs, p, ParFileName, OutFileName, CovFileName, control);
    outputs.commit();
    return outcome;
}

RunOutcome runCalculationInto(OutputSet& outputs, const DesignParameters& p,
                              const std::string& ParFileName, const std::string& OutFileName,
                              const std::string& CovFileName, const RunControl& control) {
    // Both files replace their old versions only once the run has written them whole and the
    // caller commits its outputs: a run that fails, on a file it may not write or on a
    // malformed parameter file, leaves them.
    ReportWriter writer(outputs.add(OutFileName));
    TextFileWriter& covFile = outputs.add(CovFileName);
    writer.writeReportHead(localDateTime(), ParFileName, CovFileName);
    writeCovHead(covFile, localDateTime());
    RunFiles files{writer, covFile};
    return runDesign(p, &files, control);
}

RunOutcome calculateInMemory(const std::string& ParFileName, const RunControl& control) {
    return calculateInMemory(*readRunDesign(ParFileName), control);
}

RunOutcome calculateInMemory(const DesignParameters& p, const RunControl& control) {
    return runDesign(p, nullptr, control);
}

std::vector<std::string> unusableSettings(const DesignParameters& p) {
    if (verdictOn(p) != DesignVerdict::Accepted) {
        return {};
    }
    // Too large for the stack; a check before a run can afford the allocation.
    const auto e = std::make_unique<EngineState>();
    loadEngineDesign(p, *e);
    return unusableSettings(*e);
}

}  // namespace tavi
