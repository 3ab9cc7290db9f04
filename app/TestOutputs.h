// What tavi-calc makes of the tests of a run's coefficients, for a design of either kind: the
// progress of its sweep on the terminal, the CSV tables of power, joint tests, best points and
// required groups joining the run's outputs, and the summary. The tests follow the sweep point
// by point in memory that does not grow with it.
#pragma once

#include "app/CalcArguments.h"
#include "engine/DesignInformation.h"
#include "engine/StopToken.h"
#include "engine/power/AllocationAnswers.h"
#include "engine/power/JointTests.h"
#include "engine/power/PointTests.h"
#include "engine/power/SweepTable.h"
#include "engine/run/DesignSweep.h"
#include "engine/run/RequiredCsv.h"
#include "engine/run/SweepFacts.h"
#include "engine/run/TestOptions.h"
#include "files/OutputSet.h"

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>

namespace tavi {

// "tavi-calc: 120 of 2000 points" on a line of its own, rewritten at every percent of a sweep
// long enough to wait for.
class SweepProgress {
public:
    // Shows nothing when out is nullptr.
    explicit SweepProgress(std::ostream* out) : m_out(out) {}

    void start(std::int64_t points);
    void pointDone();

private:
    std::ostream* m_out;
    std::int64_t m_points = 0;
    std::int64_t m_done = 0;
};

// The tests of a run as its points arrive: the rows of the power and joint CSV tables are
// written at once, the best points among the sweep's are sought a few thousand points at a time,
// and what the summary tells of the sweep is gathered; the search over the cells follows the
// sweep.
class TestedSweep {
public:
    // The tests that request asks for on the run of the prepared design, with the arguments'
    // settings; the power and joint CSV tables that the arguments ask for join outputs now. The
    // answers are sought when an output or the summary needs them, or always with alwaysAnswer.
    // arguments and request must outlive this.
    TestedSweep(const Arguments& arguments, const TestRequest& request,
                const std::shared_ptr<const PreparedDesign>& design, bool alwaysAnswer,
                OutputSet& outputs);
    TestedSweep(const TestedSweep&) = delete;
    TestedSweep& operator=(const TestedSweep&) = delete;

    // The next point of the sweep.
    void add(const ComputedPoint& point);

    // After the sweep: adds the tables of best points and required groups that the arguments ask
    // for to outputs and writes the summary (unless quiet) on summary. Returns the answers when
    // they were sought. Throws Stopped when stop is set during the search of the cells.
    std::optional<AllocationAnswers> finish(OutputSet& outputs, std::ostream& summary,
                                            StopToken stop);

    const TestedDegreesOfFreedom& degreesOfFreedom() const { return m_df; }
    const SweepFacts& facts() const { return m_facts; }

private:
    // Hands the points gathered to everything that follows them, and forgets them.
    void takePoints();

    const Arguments& m_arguments;
    const TestRequest& m_request;
    std::shared_ptr<const PreparedDesign> m_design;
    TestedDegreesOfFreedom m_df;
    PointTests m_tests;
    std::optional<JointTests> m_joint;
    TextFileWriter* m_powerCsv = nullptr;
    TextFileWriter* m_jointCsv = nullptr;
    std::optional<RequiredCsv> m_requiredCsv;
    std::optional<RunAnswers> m_answers;
    SweepTable m_points;
    SweepFacts m_facts;
};

}  // namespace tavi
