#include "engine/power/AllocationAnswers.h"

#include <algorithm>
#include <numeric>

namespace tavi {

namespace {

// The cells the search over them takes at a time: a few megabytes of variances.
constexpr std::size_t kCellPiece = 4096;

// Rows found column by column at each piece of cells, column after column, each column's in the
// order of its cells.
std::vector<RequiredGroups> inColumnOrder(std::vector<RequiredGroups> rows) {
    std::stable_sort(rows.begin(), rows.end(),
                     [](const RequiredGroups& a, const RequiredGroups& b) {
                         return a.coefficient < b.coefficient;
                     });
    return rows;
}

}  // namespace

std::vector<int> allColumns(int count) {
    std::vector<int> all(static_cast<std::size_t>(count));
    std::iota(all.begin(), all.end(), 0);
    return all;
}

std::vector<int> coefficientsWithEffect(int count, const PointTests& tests) {
    std::vector<int> withEffect;
    for (int c = 0; c < count; ++c) {
        if (tests.effect(c)) {
            withEffect.push_back(c);
        }
    }
    return withEffect;
}

AllocationAnswerSearch::AllocationAnswerSearch(const AllocationSettings& settings,
                                               PointTests& tests, const std::vector<int>& columns,
                                               const std::vector<int>& cellColumns,
                                               JointTests* joint, RequiredRows rows)
    : m_tests(tests),
      m_joint(joint),
      m_rows(std::move(rows)),
      m_best(tests, columns),
      m_required(settings, tests, cellColumns) {
    if (m_joint != nullptr) {
        const std::vector<int> jointColumns = allColumns(m_joint->count());
        m_jointBest.emplace(m_joint->tests(), jointColumns, true);
        m_jointRequired.emplace(settings, m_joint->tests(), jointColumns);
    }
}

void AllocationAnswerSearch::addPoints(const SweepTable& points) {
    m_best.add(points);
    if (m_joint != nullptr) {
        m_jointBest->add(m_joint->unitEffectTable(points));
    }
}

void AllocationAnswerSearch::addCells(const UnitVariances& cells) {
    m_required.add(cells, [&](const RequiredGroups& row) {
        if (m_rows) {
            m_rows(row, false);
        } else {
            m_keptRows.push_back(row);
        }
    });
    if (m_joint != nullptr) {
        m_jointRequired->add(m_joint->unitEffectVariances(cells), [&](const RequiredGroups& row) {
            if (m_rows) {
                m_rows(row, true);
            } else {
                m_keptJointRows.push_back(row);
            }
        });
    }
}

AllocationAnswers AllocationAnswerSearch::answers(const SearchedPoints& searched) const {
    AllocationAnswers answers;
    answers.searched = searched;
    const std::vector<BestPoint> found = m_best.best();
    const std::vector<BestPoint> cheapest = m_required.cheapest();
    auto nextCheapest = cheapest.begin();
    for (std::size_t e = 0; e < found.size(); ++e) {
        answers.best.push_back(found[e]);
        const int c = found[e].coefficient;
        const bool lastOfColumn = e + 1 == found.size() || found[e + 1].coefficient != c;
        if (lastOfColumn && m_tests.effect(c)) {
            answers.best.push_back(*nextCheapest++);
        }
    }
    answers.required = inColumnOrder(m_keptRows);
    if (m_joint != nullptr) {
        const std::vector<BestPoint> highest = m_jointBest->best();
        const std::vector<BestPoint> jointCheapest = m_jointRequired->cheapest();
        for (std::size_t j = 0; j < highest.size(); ++j) {
            answers.joint.best.push_back(highest[j]);
            answers.joint.best.push_back(jointCheapest[j]);
        }
        answers.joint.required = inColumnOrder(m_keptJointRows);
    }
    return answers;
}

RunAnswers::RunAnswers(const PreparedDesign& design,
                       const std::shared_ptr<const TestedQuantities>& tested, PointTests& tests,
                       JointTests* joint, RequiredRows rows)
    : m_design(design),
      m_tested(tested),
      m_withEffect(coefficientsWithEffect(tested->count(), tests)),
      m_onBudgetLine(searchesBudgetLine(design.design)),
      m_search(allocationSettingsOf(design.design), tests, allColumns(tested->count()),
               m_withEffect, joint, std::move(rows)) {}

void RunAnswers::addSweepPoints(const SweepTable& points) {
    if (!m_onBudgetLine) {
        m_search.addPoints(points);
    }
}

AllocationAnswers RunAnswers::finish(StopToken stop) {
    const SearchedPoints searched =
        walkAllocationCells(m_design, m_tested, m_withEffect, kCellPiece, stop,
                            [&](const SweepTable* line, const UnitVariances& cells) {
                                if (line != nullptr) {
                                    m_search.addPoints(*line);
                                }
                                m_search.addCells(cells);
                            });
    return m_search.answers(searched);
}

AllocationAnswers answerAllocation(const PreparedDesign& design, const SweepTable& sweep,
                                   PointTests& tests, JointTests* joint, StopToken stop) {
    RunAnswers answers(design, sweep.tested(), tests, joint);
    answers.addSweepPoints(sweep);
    return answers.finish(stop);
}

AllocationAnswers answerAllocation(const AllocationSettings& settings, const SweepTable& sweep,
                                   PointTests& tests, const AllocationSearch& search,
                                   std::span<const int> coefficients, JointTests* joint) {
    AllocationAnswerSearch answers(settings, tests,
                                   std::vector<int>(coefficients.begin(), coefficients.end()),
                                   search.unitVariances.coefficients(), joint);
    answers.addCells(search.unitVariances);
    answers.addPoints(search.points(sweep));
    return answers.answers(search.searched());
}

}  // namespace tavi
