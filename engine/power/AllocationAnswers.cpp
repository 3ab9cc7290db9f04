#include "engine/power/AllocationAnswers.h"

#include <numeric>

namespace tavi {

namespace {

// The answers for the columns listed, over a search prepared for at least those with an effect.
AllocationAnswers answersFor(AllocationSearch search, const AllocationSettings& settings,
                             const SweepTable& sweep, PointTests& tests,
                             std::span<const int> coefficients) {
    AllocationAnswers answers;
    answers.search = std::move(search);
    RequiredSearch required = searchRequiredGroups(settings, answers.search.unitVariances, tests);
    const SweepTable& points = answers.search.points(sweep);
    auto cheapest = required.cheapest.begin();
    for (const int c : coefficients) {
        const std::vector<BestPoint> best = bestPointsFor(points, tests, c);
        answers.best.insert(answers.best.end(), best.begin(), best.end());
        if (tests.effect(c)) {
            answers.best.push_back(*cheapest++);
        }
    }
    answers.required = std::move(required.rows);
    return answers;
}

}  // namespace

std::vector<int> allColumns(const SweepTable& sweep) {
    std::vector<int> all(static_cast<std::size_t>(sweep.coefficients()));
    std::iota(all.begin(), all.end(), 0);
    return all;
}

std::vector<int> coefficientsWithEffect(const SweepTable& sweep, const PointTests& tests) {
    std::vector<int> withEffect;
    for (int c = 0; c < sweep.coefficients(); ++c) {
        if (tests.effect(c)) {
            withEffect.push_back(c);
        }
    }
    return withEffect;
}

AllocationAnswers answerAllocation(const PreparedDesign& design, const SweepTable& sweep,
                                   PointTests& tests, JointTests* joint, StopToken stop) {
    return answerAllocation(
        allocationSettingsOf(design.design), sweep, tests,
        prepareAllocationSearch(design, sweep.tested(), coefficientsWithEffect(sweep, tests), stop),
        allColumns(sweep), joint);
}

AllocationAnswers answerAllocation(const AllocationSettings& settings, const SweepTable& sweep,
                                   PointTests& tests, AllocationSearch search,
                                   std::span<const int> coefficients, JointTests* joint) {
    AllocationAnswers answers = answersFor(std::move(search), settings, sweep, tests, coefficients);
    if (joint != nullptr) {
        answers.joint = answerJointTests(settings, sweep, answers.search, *joint);
    }
    return answers;
}

}  // namespace tavi
