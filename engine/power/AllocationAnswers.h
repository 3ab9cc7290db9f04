// The answers a study is planned on, for every coefficient, contrast and joint test of a run: its
// best points, the number of groups it needs at each group size to reach the target power, and
// the cheapest design that reaches it. They are found as the points and cells searched arrive,
// a piece at a time, so that a run of any length needs no table of all its points.
#pragma once

#include "engine/DesignInformation.h"
#include "engine/StopToken.h"
#include "engine/power/AllocationSettings.h"
#include "engine/power/BestAllocation.h"
#include "engine/power/BestPointSearch.h"
#include "engine/power/BudgetLine.h"
#include "engine/power/JointTests.h"
#include "engine/power/PointTests.h"
#include "engine/power/RequiredGroups.h"
#include "engine/power/SweepTable.h"

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace tavi {

struct AllocationAnswers {
    SearchedPoints searched;
    // Coefficient by coefficient: highest_power (with an effect), smallest_mdes, smallest_se
    // among the points searched, then cheapest_for_power (with an effect).
    std::vector<BestPoint> best;
    // The required groups of the coefficients with an effect, unless they were handed on as
    // they were found.
    std::vector<RequiredGroups> required;
    // The same for the joint tests, when there are any.
    JointAnswers joint;
};

// Where the rows of the required groups go as they are found, coefficient after coefficient at
// every cell, then joint test after joint test; joint tells which.
using RequiredRows = std::function<void(const RequiredGroups& row, bool joint)>;

// The answers from the points searched and the cells, each given in order a piece at a time.
class AllocationAnswerSearch {
public:
    // The answers for the columns listed (ascending; every one with an effect in tests among
    // them), searched at the cells of the unit variances of cellColumns, and for the joint tests
    // under joint when given, for a run with these settings. tests and joint must outlive the
    // search. The required groups go to rows when given, otherwise into the answers.
    AllocationAnswerSearch(const AllocationSettings& settings, PointTests& tests,
                           const std::vector<int>& columns, const std::vector<int>& cellColumns,
                           JointTests* joint, RequiredRows rows = {});

    // The next points searched.
    void addPoints(const SweepTable& points);
    // The next cells.
    void addCells(const UnitVariances& cells);

    AllocationAnswers answers(const SearchedPoints& searched) const;

private:
    PointTests& m_tests;
    JointTests* m_joint;
    RequiredRows m_rows;
    BestPointSearch m_best;
    RequiredGroupsSearch m_required;
    std::optional<BestPointSearch> m_jointBest;
    std::optional<RequiredGroupsSearch> m_jointRequired;
    std::vector<RequiredGroups> m_keptRows;
    std::vector<RequiredGroups> m_keptJointRows;
};

// The answers of a run of the prepared design, whose tested quantities are tested's, for every
// quantity under tests and the joint tests under joint (when given), as the sweep's points
// arrive; memory does not grow with the sweep.
class RunAnswers {
public:
    RunAnswers(const PreparedDesign& design, const std::shared_ptr<const TestedQuantities>& tested,
               PointTests& tests, JointTests* joint = nullptr, RequiredRows rows = {});

    // The sweep's next points, in order; passed over when the whole budget line is searched
    // instead.
    void addSweepPoints(const SweepTable& points);

    // After the sweep: the search over the cells, then the answers. Throws Stopped when stop is
    // set meanwhile.
    AllocationAnswers finish(StopToken stop = {});

private:
    const PreparedDesign& m_design;
    std::shared_ptr<const TestedQuantities> m_tested;
    std::vector<int> m_withEffect;
    bool m_onBudgetLine;
    AllocationAnswerSearch m_search;
};

// The answers for the run of the prepared design whose points are sweep, all at once.
AllocationAnswers answerAllocation(const PreparedDesign& design, const SweepTable& sweep,
                                   PointTests& tests, JointTests* joint = nullptr,
                                   StopToken stop = {});

// The same answers for the coefficients and contrasts listed (ascending, every one with an
// effect in tests among them) over a search prepared beforehand for at least those with an
// effect, for a run with these settings, so that a change of the test settings needs no
// engine computation.
AllocationAnswers answerAllocation(const AllocationSettings& settings, const SweepTable& sweep,
                                   PointTests& tests, const AllocationSearch& search,
                                   std::span<const int> coefficients, JointTests* joint = nullptr);

// The first count columns that have an effect in tests, in order: those a search prepares for.
std::vector<int> coefficientsWithEffect(int count, const PointTests& tests);

// The columns 0..count-1.
std::vector<int> allColumns(int count);

}  // namespace tavi
