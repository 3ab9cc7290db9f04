#include "app/TestOutputs.h"

#include "engine/run/JointCsv.h"
#include "engine/run/PowerCsv.h"
#include "engine/run/PowerSummary.h"

#include <ostream>

namespace tavi {

namespace {

constexpr std::int64_t kProgressThreshold = 1000;

}  // namespace

void SweepProgress::start(std::int64_t points) {
    m_points = points;
    m_done = 0;
    if (m_points <= kProgressThreshold) {
        m_out = nullptr;
    }
}

void SweepProgress::pointDone() {
    ++m_done;
    if (m_out != nullptr && (m_done * 100 / m_points != (m_done - 1) * 100 / m_points)) {
        *m_out << "\rtavi-calc: " << m_done << " of " << m_points << " points"
               << (m_done == m_points ? "\n" : "") << std::flush;
    }
}

std::optional<AllocationAnswers> writeTestOutputs(const Arguments& arguments, const TestedRun& run,
                                                  bool alwaysAnswer, OutputSet& outputs,
                                                  std::ostream& summary) {
    const int levels = run.sweep.levels();
    if (arguments.powerCsvFile) {
        writePowerCsv(outputs.add(*arguments.powerCsvFile), run.sweep, run.tests, run.names);
    }
    const int quantities = run.sweep.coefficients();
    if (arguments.jointCsvFile && run.joint != nullptr) {
        writeJointCsv(outputs.add(*arguments.jointCsvFile), run.sweep, *run.joint,
                      std::vector(run.names.begin() + quantities, run.names.end()));
    }
    if (!arguments.bestCsvFile && !arguments.requiredCsvFile && arguments.quiet && !alwaysAnswer) {
        return std::nullopt;
    }
    AllocationAnswers answers = run.answer();
    if (arguments.bestCsvFile) {
        writeBestCsv(outputs.add(*arguments.bestCsvFile), bestRows(answers, quantities), run.names,
                     run.sweep.budgetMode(), levels);
    }
    if (arguments.requiredCsvFile) {
        writeRequiredCsv(outputs.add(*arguments.requiredCsvFile), requiredRows(answers, quantities),
                         run.names, run.sweep.budgetMode(), levels);
    }
    if (!arguments.quiet) {
        writePowerSummary(summary,
                          {run.sweep, answers, run.names, run.settings, run.joint, run.design},
                          run.tests);
    }
    return answers;
}

}  // namespace tavi
