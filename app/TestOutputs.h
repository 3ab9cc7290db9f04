// What tavi-calc makes of the tests of a run's coefficients, for a design of either kind: the
// progress of its sweep on the terminal, the CSV tables of power, best points and required
// groups joining the run's outputs, and the summary.
#pragma once

#include "app/CalcArguments.h"
#include "engine/power/AllocationAnswers.h"
#include "engine/power/AllocationSettings.h"
#include "engine/power/JointTests.h"
#include "engine/power/PointTests.h"
#include "engine/power/SweepTable.h"
#include "files/OutputSet.h"

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

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

// A run's points with what its tests need.
struct TestedRun {
    const SweepTable& sweep;
    PointTests& tests;
    // The coefficients, the contrasts, then the joint tests.
    const std::vector<std::string>& names;
    const AllocationSettings& settings;
    // The best points and required groups; computed only when an output needs them.
    std::function<AllocationAnswers()> answer;
    JointTests* joint = nullptr;
    // The design with the sizes of its groups, for the summary.
    const PreparedDesign* design = nullptr;
};

// Adds the power, joint, best and required CSV tables the arguments ask for to outputs and writes
// the summary (unless quiet) on summary. Returns the answers when they were computed: when those
// outputs or the summary needed them, or always with alwaysAnswer.
std::optional<AllocationAnswers> writeTestOutputs(const Arguments& arguments, const TestedRun& run,
                                                  bool alwaysAnswer, OutputSet& outputs,
                                                  std::ostream& summary);

}  // namespace tavi
