#include "engine/run/ThreeLevelRun.h"

#include "engine/run/CalculationRun.h"
#include "engine/run/CovarianceFileWriter.h"
#include "engine/run/LocalDateTime.h"
#include "engine/run/OrderedSweep.h"
#include "engine/run/ReportWriter.h"
#include "engine/run/ThreeLevelReport.h"

#include <cmath>
#include <limits>

namespace tavi {

namespace {

constexpr std::int64_t kMostInt32 = std::numeric_limits<std::int32_t>::max();
// Counts of units beyond this are not held exactly by the tables' doubles.
constexpr std::int64_t kMostUnits = std::int64_t{1} << 53;

std::int64_t countOf(std::int32_t least, std::int32_t most, std::int32_t step) {
    return (std::int64_t{most} - least) / step + 1;
}

// A range that a sweep can walk, or the lines saying why not.
void checkRange(std::vector<std::string>& problems, const std::string& what, std::int32_t least,
                std::int32_t most, std::int32_t step) {
    if (least < 1) {
        problems.push_back("The smallest " + what + " must be at least 1; it is " +
                           std::to_string(least) + ".");
    }
    if (step < 1) {
        problems.push_back("The step of " + what + " must be at least 1; it is " +
                           std::to_string(step) + ".");
    }
    if (most < least) {
        problems.push_back("The largest " + what + " (" + std::to_string(most) +
                           ") is below the smallest (" + std::to_string(least) + ").");
    }
}

void checkCost(std::vector<std::string>& problems, const std::string& what, std::int32_t value) {
    if (value < 0) {
        problems.push_back("The " + what + " must not be negative; it is " + std::to_string(value) +
                           ".");
    }
}

void checkSizes(std::vector<std::string>& problems, const ThreeLevelSweep& s) {
    const std::int64_t siteUnits = std::int64_t{s.MaxGroups} * s.MaxGroupSize;
    if (siteUnits > kMostInt32) {
        problems.push_back("A site of " + std::to_string(s.MaxGroups) + " groups of " +
                           std::to_string(s.MaxGroupSize) + " units has more than " +
                           std::to_string(kMostInt32) + " units.");
    } else if (s.BudgetMode) {
        const std::int64_t siteCost =
            s.SiteCost + std::int64_t{s.MaxGroups} * (std::int64_t{s.GroupCost} + s.MaxGroupSize);
        if (siteCost > kMostInt32) {
            problems.push_back("A site of " + std::to_string(s.MaxGroups) + " groups of " +
                               std::to_string(s.MaxGroupSize) + " units costs " +
                               std::to_string(siteCost) + ", more than any budget.");
        }
    } else if (s.MaxSites > kMostUnits / siteUnits) {
        problems.push_back("The largest point has more than 2^53 units.");
    }
}

// The point with index k in sweep order: n outermost, then J, then K.
SweepPoint pointOfSweep(const ThreeLevelSweep& s, const AllocationSettings& settings,
                        std::int64_t k) {
    const std::int64_t groupCounts = countOf(s.MinGroups, s.MaxGroups, s.GroupsStep);
    const std::int64_t siteCounts = s.BudgetMode ? 1 : countOf(s.MinSites, s.MaxSites, s.SitesStep);
    const std::int64_t cell = k / siteCounts;
    const auto J = static_cast<std::int32_t>(s.MinGroups + (cell % groupCounts) * s.GroupsStep);
    const auto n =
        static_cast<std::int32_t>(s.MinGroupSize + (cell / groupCounts) * s.GroupSizeStep);
    if (s.BudgetMode) {
        return threeLevelBudgetPoint(settings, J, n);
    }
    const auto K = static_cast<std::int32_t>(s.MinSites + (k % siteCounts) * s.SitesStep);
    return {K, n, 0, J};
}

struct PointSlot {
    std::unique_ptr<ThreeLevelPoint> point;
    std::int64_t cost = 0;
    std::string reportRow;
    std::string covBlock;
};

// Computes the points of p and hands them to the observer; report and covFile, when given, get
// their rows and blocks.
void sweep(const ThreeLevelParameters& p, const ThreeLevelDesign& design, TextFileWriter* report,
           TextFileWriter* covFile, const ThreeLevelControl& control) {
    const int threads = threadsFor(control.threads);
    const AllocationSettings settings = allocationSettingsOf(p.sweep);
    std::vector<PointSlot> slots(static_cast<std::size_t>(4 * threads));
    for (PointSlot& slot : slots) {
        slot.point = std::make_unique<ThreeLevelPoint>();
    }
    const auto compute = [&](int s, std::int64_t k) {
        PointSlot& slot = slots[s];
        const SweepPoint at = pointOfSweep(p.sweep, settings, k);
        computeThreeLevelPoint(design, *slot.point, at.N, at.J, at.n);
        slot.cost = at.cost;
        if (report == nullptr) {
            return;
        }
        slot.reportRow.clear();
        appendThreeLevelRow(slot.reportRow, *slot.point, design.NumCoef, p.sweep.BudgetMode,
                            at.cost);
        slot.reportRow.append("\r\n");
        slot.covBlock.clear();
        appendThreeLevelCovBlock(slot.covBlock, *slot.point, design.NumCoef);
    };
    const auto deliver = [&](int s, std::int64_t) {
        const PointSlot& slot = slots[s];
        if (report != nullptr) {
            covFile->write(slot.covBlock);
            report->write(slot.reportRow);
        }
        if (control.observer != nullptr) {
            control.observer->pointDone(*slot.point, slot.cost);
        }
    };
    runOrdered(threeLevelPointCount(p.sweep), threads, static_cast<int>(slots.size()), compute,
               deliver, control.stop);
}

}  // namespace

std::int64_t threeLevelPointCount(const ThreeLevelSweep& s) {
    const std::int64_t cells = countOf(s.MinGroups, s.MaxGroups, s.GroupsStep) *
                               countOf(s.MinGroupSize, s.MaxGroupSize, s.GroupSizeStep);
    return s.BudgetMode ? cells : cells * countOf(s.MinSites, s.MaxSites, s.SitesStep);
}

std::vector<std::string> threeLevelProblems(const ThreeLevelParameters& p) {
    const std::int64_t coefficients = threeLevelCoefficientCount(p.variables);
    if (coefficients > dimmax) {
        return {"The design has " + std::to_string(coefficients) +
                " regression coefficients; at most " + std::to_string(dimmax) + " fit."};
    }
    std::vector<std::string> problems;
    const ThreeLevelSweep& s = p.sweep;
    if (!(p.model.Sigma2 > 0.0)) {
        problems.push_back("The residual variance must be above 0.");
    }
    if (s.BudgetMode) {
        checkCost(problems, "budget", s.Budget);
        checkCost(problems, "cost of a site", s.SiteCost);
        checkCost(problems, "cost of a group", s.GroupCost);
    } else {
        checkRange(problems, "number of sites K", s.MinSites, s.MaxSites, s.SitesStep);
    }
    checkRange(problems, "number of groups per site J", s.MinGroups, s.MaxGroups, s.GroupsStep);
    checkRange(problems, "group size n", s.MinGroupSize, s.MaxGroupSize, s.GroupSizeStep);
    if (problems.empty()) {
        checkSizes(problems, s);
    }
    if (problems.empty() && threeLevelPointCount(s) > kMaxSweepPoints) {
        problems.push_back("The sample sizes ask for " + std::to_string(threeLevelPointCount(s)) +
                           " points; at most " + std::to_string(kMaxSweepPoints) +
                           " are computed.");
    }
    return problems;
}

AllocationSettings allocationSettingsOf(const ThreeLevelSweep& s) {
    AllocationSettings settings;
    settings.budgetMode = s.BudgetMode;
    settings.threeLevel = true;
    settings.budget = s.Budget;
    settings.topCost = s.SiteCost;
    settings.groupCost = s.GroupCost;
    settings.fewest = s.MinSites;
    settings.most = s.MaxSites;
    settings.step = s.SitesStep;
    return settings;
}

ThreeLevelCells cellsOf(const ThreeLevelSweep& s) {
    return {s.MinGroups,    s.MaxGroups,    s.GroupsStep,
            s.MinGroupSize, s.MaxGroupSize, s.GroupSizeStep};
}

ThreeLevelOutcome runThreeLevelInto(OutputSet& outputs, const ThreeLevelParameters& p,
                                    const std::string& ParFileName, const std::string& OutFileName,
                                    const std::string& CovFileName,
                                    const ThreeLevelControl& control) {
    TextFileWriter& report = outputs.add(OutFileName);
    TextFileWriter& covFile = outputs.add(CovFileName);
    ReportWriter writer(report);
    writer.writeReportHead(localDateTime(), ParFileName, CovFileName);
    writeCovHead(covFile, localDateTime());
    const bool fits = threeLevelCoefficientCount(p.variables) <= dimmax;
    if (fits) {
        writeThreeLevelDesign(report, p);
    }
    const std::vector<std::string> problems = threeLevelProblems(p);
    if (!problems.empty()) {
        std::string explanation = "The design cannot be computed:";
        for (const std::string& problem : problems) {
            explanation += "\n" + problem;
        }
        writer.writeRefusal(explanation);
        return {true, problems.front(), nullptr};
    }
    auto design = std::make_shared<ThreeLevelDesign>();
    prepareThreeLevelDesign(p.model, *design);
    writeThreeLevelTableHead(report, p);
    if (control.observer != nullptr) {
        control.observer->sweepStarts(*design, threeLevelPointCount(p.sweep));
    }
    sweep(p, *design, &report, &covFile, control);
    return {false, {}, std::move(design)};
}

ThreeLevelOutcome calculateThreeLevelInMemory(const ThreeLevelParameters& p,
                                              const ThreeLevelControl& control) {
    const std::vector<std::string> problems = threeLevelProblems(p);
    if (!problems.empty()) {
        return {true, problems.front(), nullptr};
    }
    auto design = std::make_shared<ThreeLevelDesign>();
    prepareThreeLevelDesign(p.model, *design);
    if (control.observer != nullptr) {
        control.observer->sweepStarts(*design, threeLevelPointCount(p.sweep));
    }
    sweep(p, *design, nullptr, nullptr, control);
    return {false, {}, std::move(design)};
}

}  // namespace tavi
