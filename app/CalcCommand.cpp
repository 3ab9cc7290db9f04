#include "app/CalcCommand.h"

#include "TaviVersion.h"
#include "app/CalcArguments.h"
#include "app/CheckedOutput.h"
#include "app/DesignChecks.h"
#include "app/SignalStop.h"
#include "app/TemplateCommand.h"
#include "app/TestOutputs.h"
#include "engine/GroupSizeDistribution.h"
#include "engine/power/AllocationAnswers.h"
#include "engine/run/CalculationRun.h"
#include "engine/run/PlanningPolicy.h"
#include "engine/run/SimulationCsv.h"
#include "engine/run/SimulationReport.h"
#include "engine/run/StandardErrorCsv.h"
#include "engine/simulation/Simulation.h"
#include "files/DesignFile.h"
#include "files/FileError.h"
#include "files/FileNames.h"
#include "files/OutputLock.h"
#include "files/OutputSet.h"
#include "files/TextFileWriter.h"

#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace tavi {

namespace {

// Writes the CSV rows, follows the points with the tests and shows progress while the run
// sweeps.
class CommandObserver : public SweepObserver {
public:
    // The CSV table of standard errors, when the arguments ask for it, and the tests' tables
    // join outputs once the run has read its design. The tests are followed when the arguments
    // ask for any; request and arguments must outlive this.
    CommandObserver(const Arguments& arguments, const TestRequest& request, OutputSet& outputs,
                    std::ostream* progress)
        : m_arguments(arguments), m_request(request), m_outputs(outputs), m_progress(progress) {}

    void sweepStarts(const std::shared_ptr<const PreparedDesign>& design,
                     std::int64_t points) override {
        if (m_arguments.csvFile) {
            m_csv.emplace(m_outputs.add(*m_arguments.csvFile));
            m_csv->writeHeader(*design);
        }
        if (m_arguments.wantsTests()) {
            m_tested.emplace(m_arguments, m_request, design,
                             m_arguments.replications && !m_arguments.at, m_outputs);
        }
        m_progress.start(points);
    }

    void pointDone(const ComputedPoint& point) override {
        if (m_csv) {
            m_csv->writeRow(point);
        }
        if (m_tested) {
            m_tested->add(point);
        }
        m_progress.pointDone();
    }

    // The tests of the run; empty when none were asked for or the run refused the design.
    std::optional<TestedSweep>& tested() { return m_tested; }

private:
    const Arguments& m_arguments;
    const TestRequest& m_request;
    OutputSet& m_outputs;
    std::optional<StandardErrorCsv> m_csv;
    std::optional<TestedSweep> m_tested;
    SweepProgress m_progress;
};

// Checks the chosen point by simulation: the summary on out, the CSV file when asked for.
int simulate(const Arguments& arguments, int threads, const PreparedDesign& design,
             const SweepPoint& point, const std::string& reason,
             const std::vector<std::optional<double>>& effects, const DegreesOfFreedom& df,
             const std::vector<Coefficient>& coefficients, TextFileWriter* simCsv,
             std::ostream& out, std::ostream& err, bool showProgress) {
    SimulationRequest request;
    request.point = point;
    request.plan.replications = *arguments.replications;
    request.plan.seed = arguments.seed.value_or(kDefaultSeed);
    const ThreadChoice simulationChoice =
        simulationThreads(threads, simulatedModelOf(design.design), point);
    if (arguments.threads && !simulationChoice.lowered.empty()) {
        err << "tavi-calc: --threads " << threads << " lowered to " << simulationChoice.threads
            << " for the simulation: " << simulationChoice.lowered << "\n";
    }
    request.plan.threads = simulationChoice.threads;
    request.test = arguments.test;
    request.effects = effects;

    ProgressReport progress;
    std::int64_t shown = -1;
    if (showProgress) {
        progress = [&](std::int64_t done) {
            if (done != shown) {
                shown = done;
                err << "\rtavi-calc: simulated " << done << " of " << request.plan.replications
                    << " replications" << std::flush;
            }
        };
    }
    const SimulationSummary summary =
        simulateDesign(design, request, df, StopOnSignals::flag(), progress);
    if (showProgress) {
        err << "\n";
    }
    if (!arguments.at) {
        out << "\nSimulating at " << reason << ".";
    }
    writeSimulationReport(out, {point, request.plan.seed, request.test}, summary, coefficients);
    if (simCsv != nullptr) {
        writeSimulationCsv(*simCsv, summary, coefficients);
        simCsv->close();
        simCsv->commit();
    }
    if (summary.run < summary.requested) {
        err << "tavi-calc: simulation interrupted after " << summary.run << " of "
            << summary.requested << " replications\n";
        return StopOnSignals::exitStatus();
    }
    return kExitComplete;
}

// The output files of a calculation, in the order of the arguments.
std::vector<std::string> outputFilesOf(const Arguments& arguments, const std::string& report,
                                       const std::string& covFile) {
    std::vector<std::string> names = {report, covFile};
    for (const auto* file :
         {&arguments.csvFile, &arguments.powerCsvFile, &arguments.bestCsvFile,
          &arguments.requiredCsvFile, &arguments.jointCsvFile, &arguments.simCsvFile}) {
        if (*file) {
            names.push_back(**file);
        }
    }
    return names;
}

// The calculation the arguments ask for, its outputs replaced together at the end.
int calculate(const Arguments& arguments, std::ostream& out, std::ostream& err, bool showProgress) {
    const std::string& parFile = arguments.files[0];
    const std::string report =
        arguments.files.size() >= 2 ? arguments.files[1] : withExtension(parFile, ".out");
    const std::string covFile =
        arguments.files.size() >= 3 ? arguments.files[2] : withExtension(report, ".cov");
    const std::vector<std::string> outputNames = outputFilesOf(arguments, report, covFile);
    std::vector<std::string> names = outputNames;
    names.insert(names.begin(), parFile);
    for (std::size_t i = 0; i < names.size(); ++i) {
        for (std::size_t j = i + 1; j < names.size(); ++j) {
            if (sameFile(names[i], names[j])) {
                throw BadValue{names[i] + " and " + names[j] +
                               " are the same file; nothing written"};
            }
        }
    }
    const DesignFileReading file = readDesignFile(parFile);
    DesignReading reading = file.reading;
    reading.design.unequal = arguments.sizes;
    if (!file.error && !reading.unheld) {
        warnAboutCovariances(reading.design, err);
    }
    // Names and points are checked before anything is written; a design the run refuses has
    // no names to check.
    const DesignShape shape = shapeOf(reading);
    TestRequest request;
    std::optional<SweepPoint> given;
    if (!shape.coefficients.empty()) {
        checkOptionsFor(arguments, reading.design);
        request = testRequestOf(arguments, shape.coefficients);
        if (arguments.at) {
            given = pointGiven(*arguments.at, shape);
            checkSimulationPoint(given, "the point given", shape);
        }
    }
    if (file.error) {
        throw *file.error;
    }

    const StopOnSignals signals;
    const OutputLock lock(outputNames, StopOnSignals::token(), [&err](const std::string& folder) {
        err << "tavi-calc: waiting for another calculation writing into " << folder
            << " to finish\n";
    });
    OutputSet outputs;
    // Made now, so that a CSV file that cannot be written stops the command before the run.
    std::optional<TextFileWriter> simCsv;
    if (arguments.simCsvFile) {
        simCsv.emplace(*arguments.simCsvFile, TextFileWriter::Mode::Staged);
    }
    CommandObserver observer(arguments, request, outputs, showProgress ? &err : nullptr);
    const ThreadChoice threads = commandThreads(arguments.threads);
    if (!threads.lowered.empty()) {
        err << "tavi-calc: --threads " << *arguments.threads << " lowered to " << threads.threads
            << ": " << threads.lowered << "\n";
    }
    const RunOutcome outcome = runDesignInto(outputs, reading, parFile, report, covFile,
                                             {&observer, StopOnSignals::token(), threads.threads});
    if (outcome.refused) {
        outputs.commit();
        err << "tavi-calc: " << parFile << ": design refused: " << outcome.reason << "\n";
        return kExitRefused;
    }
    std::optional<TestedSweep>& tested = observer.tested();
    if (!tested) {
        outputs.commit();
        return kExitComplete;
    }
    const PreparedDesign& design = *outcome.design;
    std::ostringstream summary;
    const std::optional<AllocationAnswers> answers =
        tested->finish(outputs, summary, StopOnSignals::token());
    ChosenPoint chosen;
    if (arguments.replications && !arguments.at) {
        chosen = defaultSimulationPoint(design.design, tested->facts(), answers->best,
                                        request.names, arguments.test);
    }
    if (arguments.replications) {
        if (arguments.at) {
            chosen = {given, "the point given"};
        }
        checkSimulationPoint(chosen.point, chosen.reason, shape);
    }
    StopOnSignals::token().throwIfStopped();
    outputs.commit();
    out << summary.str();
    if (!arguments.replications) {
        return kExitComplete;
    }
    // The simulation draws the coefficients' effects; a contrast's follows from them.
    const std::vector<std::optional<double>> effects(request.effects.begin(),
                                                     request.effects.begin() + design.NumCoef());
    return simulate(arguments, threads.threads, design, *chosen.point, chosen.reason, effects,
                    tested->degreesOfFreedom().quantities, design.coefficients,
                    simCsv ? &*simCsv : nullptr, out, err, showProgress);
}

// The action the arguments ask for, its standard output on out.
int runAction(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
              bool showProgress) {
    if (isTemplateCommand(argc, argv)) {
        return runTemplateCommand(argc, argv, out, err);
    }
    const std::optional<Arguments> arguments = parseArguments(argc, argv, err);
    if (!arguments) {
        return kExitUsage;
    }
    int status = kExitComplete;
    try {
        switch (arguments->action) {
            case Action::Help:
                out << usage();
                break;
            case Action::Version:
                out << "tavi-calc " TAVI_VERSION "\n";
                break;
            case Action::Calculate:
                status = calculate(*arguments, out, err, showProgress);
                break;
        }
    } catch (const BadValue& bad) {
        err << "tavi-calc: " << bad.message << "\n";
        return kExitUsage;
    } catch (const FileError& error) {
        err << "tavi-calc: " << error.fileName() << ": " << error.what() << "\n";
        return kExitFileError;
    } catch (const Stopped&) {
        err << "tavi-calc: stopped by signal " << StopOnSignals::signalNumber()
            << "; no output was replaced\n";
        return StopOnSignals::exitStatus();
    } catch (const std::bad_alloc&) {
        err << "tavi-calc: out of memory; no output was replaced\n";
        return kExitFileError;
    } catch (const std::exception& error) {
        err << "tavi-calc: cannot compute: " << error.what() << "\n";
        return kExitFileError;
    }
    return status;
}

}  // namespace

int runCalcCommand(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
                   bool showProgress) {
    CheckedOutput checked(out);
    return checked.finish(err, runAction(argc, argv, checked.stream(), err, showProgress));
}

}  // namespace tavi
