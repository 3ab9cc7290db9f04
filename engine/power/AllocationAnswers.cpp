#include "engine/power/AllocationAnswers.h"

namespace tavi {

AllocationAnswers answerAllocation(const EngineState& design, const SweepTable& sweep,
                                   PointTests& tests, JointTests* joint, StopToken stop,
                                   const GroupSizeSettings& sizes) {
    const EngineState& e = design;
    std::vector<int> withEffect;
    for (int c = 0; c < sweep.coefficients(); ++c) {
        if (tests.effect(c)) {
            withEffect.push_back(c);
        }
    }
    AllocationAnswers answers;
    answers.search = prepareAllocationSearch(e, sweep.tested(), withEffect, stop, sizes);
    RequiredSearch required = searchRequiredGroups(e, answers.search.unitVariances, tests);
    const SweepTable& points = answers.search.points(sweep);
    auto cheapest = required.cheapest.begin();
    for (int c = 0; c < sweep.coefficients(); ++c) {
        const std::vector<BestPoint> best = bestPointsFor(points, tests, c);
        answers.best.insert(answers.best.end(), best.begin(), best.end());
        if (tests.effect(c)) {
            answers.best.push_back(*cheapest++);
        }
    }
    answers.required = std::move(required.rows);
    if (joint != nullptr) {
        answers.joint = answerJointTests(e, sweep, answers.search, *joint);
    }
    return answers;
}

}  // namespace tavi
