#include "engine/run/CalculationRun.h"

#include "engine/CovarianceComputation.h"
#include "engine/power/BudgetLine.h"
#include "engine/run/CovarianceFileWriter.h"
#include "engine/run/EngineLayout.h"
#include "engine/run/LocalDateTime.h"
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

struct DesignCounts {
    std::int32_t k = 0;
    std::int32_t k1 = 0;
    std::int32_t kw = 0;
};

// Reads the parameter file into the engine state in the engine layout. Stops after the counts
// when they are impossible or exceed the capacity.
DesignVerdict ReadDesign(const std::string& ParFileName, DesignCounts& counts) {
    // Kept between runs: the record is too large for a comfortable stack frame.
    static DesignParameters p;
    p = initialDesignParameters();
    TextScanner in = TextScanner::fromFile(ParFileName);
    ReadParameterFile(in, p, kRunReading);
    counts = {p.k, p.k1, p.kw};
    if (!countsArePossible(p.k, p.k1, p.kw)) {
        return DesignVerdict::Impossible;
    }
    if (!countsFitCapacity(p.k, p.k1, p.kw)) {
        return DesignVerdict::TooLarge;
    }
    loadEngineDesign(p, TaviCalcs);
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
    CovarianceFileWriter& cov;
};

// Computes one point and writes it to both files, when there are files.
void computeAndWrite(RunFiles* files, SweepObserver* observer, StopToken stop, std::int64_t n,
                     std::int64_t N, std::int64_t cost) {
    stop.throwIfStopped();
    EngineState& e = TaviCalcs;
    computePoint(static_cast<std::int32_t>(n), static_cast<std::int32_t>(N));
    if (files != nullptr) {
        files->cov.writeCovBlock(e.NumGroups, e.GroupSize, e.CovCoef, e.NumCoef);
        files->report.writeReportRow(e, cost);
    }
    if (observer != nullptr) {
        observer->pointDone(e, cost);
    }
}

// Every point in report order. All sums and products are formed in 64 bits, so settings near
// the 32-bit limits still give correct rows and a sweep that ends.
void sweep(RunFiles* files, SweepObserver* observer, StopToken stop) {
    const EngineState& e = TaviCalcs;
    for (std::int64_t n = e.MinGroupSize; n <= e.MaxGroupSize; n += e.GroupSizeStep) {
        if (e.BudgetMode) {
            const SweepPoint point = budgetPoint(e, n);
            computeAndWrite(files, observer, stop, n, point.N, point.cost);
        } else {
            std::int64_t N = e.MinGroups;
            do {
                computeAndWrite(files, observer, stop, n, N, 0);
                N += e.GroupsStep;
            } while (N <= e.MaxGroups);
        }
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

// The run after the files' heads: reads and checks the design, then sweeps. Writes the report
// and the covariance file when there are files, or only computes.
RunOutcome runDesign(const std::string& ParFileName, RunFiles* files, SweepObserver* observer,
                     StopToken stop) {
    DesignCounts counts;
    switch (ReadDesign(ParFileName, counts)) {
        case DesignVerdict::Accepted:
            break;
        case DesignVerdict::TooLarge: {
            const std::int64_t coefficients = coefficientCount(counts.k, counts.k1, counts.kw);
            if (files != nullptr) {
                files->report.writeCapacityFailure(coefficients);
            }
            return {true, "the design has " + std::to_string(coefficients) +
                              " regression coefficients, more than " + std::to_string(dimmax)};
        }
        case DesignVerdict::Impossible: {
            const std::string values = "k = " + std::to_string(counts.k) +
                                       ", k1 = " + std::to_string(counts.k1) +
                                       ", kw = " + std::to_string(counts.kw);
            if (files != nullptr) {
                files->report.writeRefusal("The numbers of variables are impossible: " + values +
                                           ".\nThey must satisfy 0 <= k1 <= k and kw >= 0.");
            }
            return {true, "impossible numbers of variables: " + values};
        }
    }
    const EngineState& e = TaviCalcs;
    if (files != nullptr) {
        files->report.writeDesignEcho(e);
    }
    const std::vector<std::string> problems = unusableSettings(e);
    if (!problems.empty()) {
        if (files != nullptr) {
            std::string explanation = "The parameters cannot be used for a calculation:";
            for (const std::string& problem : problems) {
                explanation += "\n" + problem;
            }
            files->report.writeRefusal(explanation);
        }
        return {true, problems.front()};
    }
    prepareRunConstants();
    if (files != nullptr) {
        files->report.writeTableHead(e);
    }
    if (observer != nullptr) {
        observer->sweepStarts(sweepPointCount(e));
    }
    sweep(files, observer, stop);
    return {};
}

}  // namespace

RunOutcome RunCalculation(const std::string& ParFileName, const std::string& OutFileName,
                          const std::string& CovFileName, SweepObserver* observer, StopToken stop) {
    OutputSet outputs;
    RunOutcome outcome =
        runCalculationInto(outputs, ParFileName, OutFileName, CovFileName, observer, stop);
    outputs.commit();
    return outcome;
}

RunOutcome runCalculationInto(OutputSet& outputs, const std::string& ParFileName,
                              const std::string& OutFileName, const std::string& CovFileName,
                              SweepObserver* observer, StopToken stop) {
    // Both files replace their old versions only once the run has written them whole and the
    // caller commits its outputs: a run that fails, on a file it may not write or on a
    // malformed parameter file, leaves them.
    ReportWriter writer(outputs.add(OutFileName));
    CovarianceFileWriter covWriter(outputs.add(CovFileName));
    writer.writeReportHead(localDateTime(), ParFileName, CovFileName);
    covWriter.writeCovHead(localDateTime());
    RunFiles files{writer, covWriter};
    return runDesign(ParFileName, &files, observer, stop);
}

RunOutcome calculateInMemory(const std::string& ParFileName, SweepObserver& observer,
                             StopToken stop) {
    return runDesign(ParFileName, nullptr, &observer, stop);
}

std::vector<std::string> unusableSettings(const DesignParameters& p) {
    if (!countsArePossible(p.k, p.k1, p.kw) || !countsFitCapacity(p.k, p.k1, p.kw)) {
        return {};
    }
    // Too large for the stack; a check before a run can afford the allocation.
    const auto e = std::make_unique<EngineState>();
    loadEngineDesign(p, *e);
    return unusableSettings(*e);
}

}  // namespace tavi
