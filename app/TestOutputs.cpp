#include "app/TestOutputs.h"

#include "engine/power/AllocationSettings.h"
#include "engine/run/JointCsv.h"
#include "engine/run/PowerCsv.h"
#include "engine/run/PowerSummary.h"
#include "engine/run/RunResults.h"

#include <ostream>
#include <vector>

namespace tavi {

namespace {

constexpr std::int64_t kProgressThreshold = 1000;

// The points gathered before they are handed on together: a few megabytes of standard errors.
constexpr std::size_t kPointsAtATime = 4096;

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

TestedSweep::TestedSweep(const Arguments& arguments, const TestRequest& request,
                         const std::shared_ptr<const PreparedDesign>& design, bool alwaysAnswer,
                         OutputSet& outputs)
    : m_arguments(arguments),
      m_request(request),
      m_design(design),
      m_df(request.tested->degreesOfFreedom(degreesOfFreedomOf(design->design), request.dfs)),
      m_tests(arguments.test, m_df.quantities, request.effects),
      m_points(request.tested, design->design.sizes.BudgetMode, design->design.levels()),
      m_facts(design->design.levels(), design->design.sizes.BudgetMode, request.tested->count()) {
    const int levels = design->design.levels();
    if (!request.tested->jointTests().empty()) {
        m_joint.emplace(arguments.test, m_df.jointTests, request.tested, request.effects);
    }
    if (arguments.powerCsvFile) {
        m_powerCsv = &outputs.add(*arguments.powerCsvFile);
        writePowerCsvHeader(*m_powerCsv, levels);
    }
    if (arguments.jointCsvFile && m_joint) {
        m_jointCsv = &outputs.add(*arguments.jointCsvFile);
        writeJointCsvHeader(*m_jointCsv, levels);
    }
    if (arguments.requiredCsvFile) {
        m_requiredCsv.emplace(request.names, request.tested->count(),
                              design->design.sizes.BudgetMode, levels, *arguments.requiredCsvFile);
    }
    if (arguments.bestCsvFile || arguments.requiredCsvFile || !arguments.quiet || alwaysAnswer) {
        // Rows that no table asks for are dropped as they are found.
        RequiredRows rows = [this](const RequiredGroups& row, bool joint) {
            if (m_requiredCsv) {
                m_requiredCsv->add(row, joint);
            }
        };
        m_answers.emplace(*design, request.tested, m_tests, m_joint ? &*m_joint : nullptr,
                          std::move(rows));
    }
}

void TestedSweep::add(const ComputedPoint& point) {
    m_points.add(point.point, point.covariance);
    if (m_points.size() == kPointsAtATime) {
        takePoints();
    }
}

void TestedSweep::takePoints() {
    if (m_powerCsv != nullptr) {
        writePowerCsvRows(*m_powerCsv, m_points, m_tests, m_request.names);
    }
    if (m_jointCsv != nullptr) {
        writeJointCsvRows(
            *m_jointCsv, m_points, *m_joint,
            std::vector(m_request.names.begin() + m_points.coefficients(), m_request.names.end()));
    }
    if (m_answers) {
        m_answers->addSweepPoints(m_points);
    }
    m_facts.add(m_points, m_tests.degreesOfFreedom());
    m_points.clear();
}

std::optional<AllocationAnswers> TestedSweep::finish(OutputSet& outputs, std::ostream& summary,
                                                     StopToken stop) {
    takePoints();
    if (!m_answers) {
        return std::nullopt;
    }
    AllocationAnswers answers = m_answers->finish(stop);
    const int quantities = m_request.tested->count();
    const NestedDesign& d = m_design->design;
    if (m_arguments.bestCsvFile) {
        writeBestCsv(outputs.add(*m_arguments.bestCsvFile), bestRows(answers, quantities),
                     m_request.names, d.sizes.BudgetMode, d.levels());
    }
    if (m_arguments.requiredCsvFile) {
        m_requiredCsv->writeTo(outputs.add(*m_arguments.requiredCsvFile));
    }
    if (!m_arguments.quiet) {
        const AllocationSettings settings = allocationSettingsOf(d);
        writePowerSummary(summary,
                          {m_facts, answers, m_request.names, settings,
                           m_joint ? &*m_joint : nullptr, m_design.get()},
                          m_tests);
    }
    return answers;
}

}  // namespace tavi
