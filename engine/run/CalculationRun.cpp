#include "engine/run/CalculationRun.h"

#include "engine/CovarianceComputation.h"
#include "engine/run/ReportWriter.h"
#include "files/DesignParameters.h"
#include "files/TextFileWriter.h"
#include "files/TextScanner.h"

#include <vector>

namespace tavi {

namespace {

enum class DesignVerdict { Accepted, Impossible, TooLarge };

struct DesignCounts {
    std::int32_t k = 0;
    std::int32_t k1 = 0;
    std::int32_t kw = 0;
};

}  // namespace

std::int32_t GroupsStepFor(std::int64_t range) {
    if (range <= 20) {
        return 1;
    }
    if (range <= 50) {
        return 2;
    }
    if (range <= 100) {
        return 5;
    }
    return 10;
}

namespace {

Matrix& clearSquare(Matrix& m, int order) {
    for (int i = 1; i <= order; ++i) {
        for (int j = 1; j <= order; ++j) {
            m(i, j) = 0.0;
        }
    }
    return m;
}

// Reads rows 1..order of a lower triangle, each on a line of its own, into the engine positions
// position(1..order), and mirrors it.
template <typename Position>
void readLowerTriangle(TextScanner& in, Matrix& m, int order, Position position) {
    for (int i = 1; i <= order; ++i) {
        for (int j = 1; j <= i; ++j) {
            const double x = in.readReal();
            m(position(i), position(j)) = x;
            m(position(j), position(i)) = x;
        }
        in.skipRestOfLine();
    }
}

// Reads the parameter file into the engine state in the engine layout. Stops after the counts
// when they are impossible or exceed the capacity.
DesignVerdict ReadDesign(const std::string& ParFileName, DesignCounts& counts) {
    TextScanner in = TextScanner::fromFile(ParFileName);
    EngineState& e = TaviCalcs;
    counts.k = in.readInteger();
    counts.k1 = in.readInteger();
    counts.kw = in.readInteger();
    const std::int32_t k = counts.k;
    const std::int32_t k1 = counts.k1;
    const std::int32_t kw = counts.kw;
    if (!CountsArePossible(k, k1, kw)) {
        return DesignVerdict::Impossible;
    }
    if (!CountsFitCapacity(k, k1, kw)) {
        return DesignVerdict::TooLarge;
    }
    e.k1 = k1;
    e.nRandom = k - k1 + 1;
    e.LenW3 = kw + 1;
    e.NumCoef = static_cast<std::int32_t>(CoefficientCount(k, k1, kw));

    e.MinGroupSize = in.readInteger();
    const std::int32_t step = in.readInteger();
    e.MaxGroupSize = in.readInteger();
    e.BudgetMode = step >= 0;
    if (e.BudgetMode) {
        e.GroupSizeStep = step;
        e.Budget = in.readInteger();
        e.CostParameter = in.readInteger();
    } else {
        e.GroupSizeStep = StepMagnitude(step);
        e.MinGroups = in.readInteger();
        e.MaxGroups = in.readInteger();
        e.GroupsStep = GroupsStepFor(std::int64_t{e.MaxGroups} - e.MinGroups);
    }

    e.Sigma2 = in.readReal();
    clearSquare(e.Tau2, e.nRandom);
    for (int i = 1; i <= e.nRandom; ++i) {
        for (int j = 1; j <= i; ++j) {
            const double x = in.readReal();
            e.Tau2(i, j) = x;
            e.Tau2(j, i) = x;
        }
    }
    // The constant joins the within-groups variables after the fixed-only ones and leads the
    // between-groups variables, each with a zero row and column.
    readLowerTriangle(in, clearSquare(e.SigmaW, k + 1), k,
                      [k1](int i) { return i <= k1 ? i : i + 1; });
    readLowerTriangle(in, clearSquare(e.SigmaB, kw + k1 + 1), kw + k1, [](int i) { return i + 1; });
    for (int i = 1; i <= k1; ++i) {
        e.Mu1(i, 1) = in.readReal();
    }
    e.Mu3(1, 1) = 1.0;
    for (int i = 2; i <= e.LenW3; ++i) {
        e.Mu3(i, 1) = in.readReal();
    }
    e.Mu2(1, 1) = 1.0;
    for (int i = 2; i <= e.nRandom; ++i) {
        e.Mu2(i, 1) = 0.0;
    }
    return DesignVerdict::Accepted;
}

// Settings the sweep cannot work with: they would make it endless, divide by zero or give a
// number of groups beyond the 32-bit range. One line for each problem; empty when the settings
// are usable.
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
    if (e.BudgetMode && e.CostParameter < 0) {
        problems.push_back("The relative cost per level-2 unit c must not be negative; it is " +
                           std::to_string(e.CostParameter) + ".");
    }
    if (e.k1 >= 1 && e.Sigma2 == 0.0) {
        problems.push_back(
            "The residual variance must not be 0 when some level-1 variables have a fixed "
            "effect only.");
    }
    return problems;
}

// Computes one point and writes it to both files, when there are files.
void computeAndWrite(ReportWriter* writer, SweepObserver* observer, std::int64_t n, std::int64_t N,
                     std::int64_t cost) {
    EngineState& e = TaviCalcs;
    ComputePoint(static_cast<std::int32_t>(n), static_cast<std::int32_t>(N));
    if (writer != nullptr) {
        writer->writeCovBlock(e.NumGroups, e.GroupSize, e.CovCoef, e.NumCoef);
        writer->writeReportRow(e, cost);
    }
    if (observer != nullptr) {
        observer->pointDone(e, cost);
    }
}

// Every point in report order. All sums and products are formed in 64 bits, so settings near
// the 32-bit limits still give correct rows and a sweep that ends.
void sweep(ReportWriter* writer, SweepObserver* observer) {
    const EngineState& e = TaviCalcs;
    for (std::int64_t n = e.MinGroupSize; n <= e.MaxGroupSize; n += e.GroupSizeStep) {
        if (e.BudgetMode) {
            const std::int64_t unitCost = n + e.CostParameter;
            const std::int64_t N = e.Budget / unitCost;
            computeAndWrite(writer, observer, n, N, unitCost * N);
        } else {
            std::int64_t N = e.MinGroups;
            do {
                computeAndWrite(writer, observer, n, N, 0);
                N += e.GroupsStep;
            } while (N <= e.MaxGroups);
        }
    }
}

}  // namespace

std::int64_t SweepPointCount(const EngineState& e) {
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
// and the covariance file through writer, or only computes when writer is null.
RunOutcome runDesign(const std::string& ParFileName, ReportWriter* writer,
                     SweepObserver* observer) {
    DesignCounts counts;
    switch (ReadDesign(ParFileName, counts)) {
        case DesignVerdict::Accepted:
            break;
        case DesignVerdict::TooLarge: {
            const std::int64_t coefficients = CoefficientCount(counts.k, counts.k1, counts.kw);
            if (writer != nullptr) {
                writer->writeCapacityFailure(coefficients);
            }
            return {true, "the design has " + std::to_string(coefficients) +
                              " regression coefficients, more than " + std::to_string(dimmax)};
        }
        case DesignVerdict::Impossible: {
            const std::string values = "k = " + std::to_string(counts.k) +
                                       ", k1 = " + std::to_string(counts.k1) +
                                       ", kw = " + std::to_string(counts.kw);
            if (writer != nullptr) {
                writer->writeRefusal("The numbers of variables are impossible: " + values +
                                     ".\nThey must satisfy 0 <= k1 <= k and kw >= 0.");
            }
            return {true, "impossible numbers of variables: " + values};
        }
    }
    const EngineState& e = TaviCalcs;
    if (writer != nullptr) {
        writer->writeDesignEcho(e);
    }
    const std::vector<std::string> problems = unusableSettings(e);
    if (!problems.empty()) {
        if (writer != nullptr) {
            std::string explanation = "The parameters cannot be used for a calculation:";
            for (const std::string& problem : problems) {
                explanation += "\n" + problem;
            }
            writer->writeRefusal(explanation);
        }
        return {true, problems.front()};
    }
    PrepareRunConstants();
    if (writer != nullptr) {
        writer->writeTableHead(e);
    }
    if (observer != nullptr) {
        observer->sweepStarts(SweepPointCount(e));
    }
    sweep(writer, observer);
    return {};
}

}  // namespace

RunOutcome RunCalculation(const std::string& ParFileName, const std::string& OutFileName,
                          const std::string& CovFileName, SweepObserver* observer) {
    TextFileWriter report(OutFileName);
    TextFileWriter covFile(CovFileName);
    ReportWriter writer(report, covFile);
    writer.writeReportHead(LocalDateTime(), ParFileName, CovFileName);
    writer.writeCovHead(LocalDateTime());
    const RunOutcome outcome = runDesign(ParFileName, &writer, observer);
    report.close();
    covFile.close();
    return outcome;
}

RunOutcome CalculateInMemory(const std::string& ParFileName, SweepObserver& observer) {
    return runDesign(ParFileName, nullptr, &observer);
}

}  // namespace tavi
