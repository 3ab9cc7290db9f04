#include "engine/power/AllocationAnswers.h"

#include <numeric>

namespace tavi {

AllocationAnswers answerAllocation(const EngineState& design, const SweepTable& sweep,
                                   PointTests& tests, JointTests* joint, StopToken stop,
                                   const GroupSizeSettings& sizes) {
    std::vector<int> withEffect;
    for (int c = 0; c < sweep.coefficients(); ++c) {
        if (tests.effect(c)) {
            withEffect.push_back(c);
        }
    }
    std::vector<int> all(static_cast<std::size_t>(sweep.coefficients()));
    std::iota(all.begin(), all.end(), 0);
    return answerAllocation(design, sweep, tests,
                            prepareAllocationSearch(design, sweep.tested(), withEffect, stop, sizes),
                            all, joint);
}

AllocationAnswers answerAllocation(const EngineState& design, const SweepTable& sweep,
                                   PointTests& tests, AllocationSearch search,
                                   std::span<const int> coefficients, JointTests* joint) {
    AllocationAnswers answers;
    answers.search = std::move(search);
    RequiredSearch required = searchRequiredGroups(design, answers.search.unitVariances, tests);
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
    if (joint != nullptr) {
        answers.joint = answerJointTests(design, sweep, answers.search, *joint);
    }
    return answers;
}

}  // namespace tavi
