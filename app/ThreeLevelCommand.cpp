#include "app/ThreeLevelCommand.h"

#include "app/CalcCommand.h"
#include "app/DesignChecks.h"
#include "app/SignalStop.h"
#include "app/TestOutputs.h"
#include "engine/ThreeLevelCoefficients.h"
#include "engine/power/ThreeLevelSearch.h"
#include "engine/run/ThreeLevelCsv.h"
#include "engine/run/ThreeLevelResults.h"
#include "engine/run/ThreeLevelRun.h"
#include "files/CovarianceCheck.h"
#include "files/OutputLock.h"
#include "files/OutputSet.h"
#include "files/ThreeLevelFile.h"

#include <optional>
#include <ostream>
#include <sstream>

namespace tavi {

namespace {

// Writes the CSV rows, keeps the points for the tests and shows progress while the run sweeps.
class ThreeLevelCommandObserver : public ThreeLevelObserver {
public:
    ThreeLevelCommandObserver(OutputSet& outputs, const std::optional<std::string>& csvFile,
                              const ThreeLevelParameters& p, std::ostream* progress)
        : m_outputs(outputs),
          m_csvFile(csvFile),
          m_budgetMode(p.sweep.BudgetMode),
          m_collector(variableNames(p), p.sweep.BudgetMode),
          m_progress(progress) {}

    void sweepStarts(const ThreeLevelDesign& design, std::int64_t points) override {
        m_collector.sweepStarts(design, points);
        if (m_csvFile) {
            m_csv.emplace(m_outputs.add(*m_csvFile), m_budgetMode);
            m_csv->writeHeader(m_collector.results()->coefficients);
        }
        m_progress.start(points);
    }

    void pointDone(const ThreeLevelPoint& point, std::int64_t cost) override {
        if (m_csv) {
            m_csv->writeRow(point, m_collector.results()->table.coefficients(), cost);
        }
        m_collector.pointDone(point, cost);
        m_progress.pointDone();
    }

    std::optional<RunResults>& results() { return m_collector.results(); }

private:
    OutputSet& m_outputs;
    const std::optional<std::string>& m_csvFile;
    bool m_budgetMode;
    std::optional<ThreeLevelCsv> m_csv;
    ThreeLevelCollector m_collector;
    SweepProgress m_progress;
};

void warnAboutCovariances(const ThreeLevelModel& m, std::ostream& err) {
    const struct {
        const char* name;
        const Matrix& matrix;
        int order;
    } matrices[] = {
        {"level-2 random-effects covariance matrix", m.Tau2, level2Effects(m)},
        {"level-3 random-effects covariance matrix", m.Tau3, level3Effects(m)},
        {"within-groups covariance matrix", m.WithinCov, m.p1},
        {"between-groups covariance matrix", m.BetweenCov, betweenGroupsOrder(m)},
        {"between-sites covariance matrix", m.SiteCov, betweenSitesOrder(m)},
    };
    for (const auto& entry : matrices) {
        const std::string warning = covarianceWarning(entry.name, entry.matrix, entry.order);
        if (!warning.empty()) {
            err << "tavi-calc: " << warning << "\n";
        }
    }
}

}  // namespace

int calculateThreeLevel(const Arguments& arguments, const CalcFiles& files, std::ostream& out,
                        std::ostream& err, bool showProgress) {
    if (arguments.replications) {
        throw BadValue{"--simulate checks two-level designs; " + files.parFile +
                       " is a three-level design"};
    }
    if (arguments.sizes.inForce()) {
        throw BadValue{
            "--size-cv, --sizes, --dropout and --group-dropout take two-level designs; " +
            files.parFile + " is a three-level design"};
    }
    if (!arguments.tests.contrasts.empty() || !arguments.tests.jointTests.empty()) {
        throw BadValue{"--contrast and --joint take two-level designs; " + files.parFile +
                       " is a three-level design"};
    }
    const ThreeLevelParameters p = readThreeLevelFile(files.parFile);
    // Names are checked before anything is written; a design the run refuses for its size has
    // no names to check.
    TestRequest request;
    if (threeLevelCoefficientCount(p.variables) <= dimmax) {
        warnAboutCovariances(p.model, err);
        request = testRequestOf(arguments, threeLevelCoefficients(p.model, variableNames(p)));
    }

    const StopOnSignals signals;
    const OutputLock lock(files.outputs, StopOnSignals::token(), [&err](const std::string& folder) {
        err << "tavi-calc: waiting for another calculation writing into " << folder
            << " to finish\n";
    });
    OutputSet outputs;
    ThreeLevelCommandObserver observer(outputs, arguments.csvFile, p,
                                       showProgress ? &err : nullptr);
    const ThreeLevelOutcome outcome = runThreeLevelInto(
        outputs, p, files.parFile, files.report, files.covFile,
        {&observer, StopOnSignals::token(), static_cast<int>(arguments.threads.value_or(0))});
    if (outcome.refused) {
        outputs.commit();
        err << "tavi-calc: " << files.parFile << ": design refused: " << outcome.reason << "\n";
        return kExitRefused;
    }
    RunResults& run = *observer.results();
    if (!arguments.wantsTests()) {
        outputs.commit();
        return kExitComplete;
    }
    const TestedDegreesOfFreedom df = request.tested->degreesOfFreedom(run.df, request.dfs);
    PointTests tests(arguments.test, df.quantities, request.effects);
    const AllocationSettings settings = allocationSettingsOf(p.sweep);
    const ThreeLevelDesign& design = *outcome.design;
    std::ostringstream summary;
    writeTestOutputs(arguments,
                     {run.table, tests, request.names, settings,
                      [&] {
                          return answerAllocation(
                              prepareThreeLevelSearch(design, settings, cellsOf(p.sweep),
                                                      coefficientsWithEffect(run.table, tests),
                                                      StopOnSignals::token()),
                              settings, run.table, tests, allColumns(run.table));
                      }},
                     false, outputs, summary);
    StopOnSignals::token().throwIfStopped();
    outputs.commit();
    out << summary.str();
    return kExitComplete;
}

}  // namespace tavi
