#include "engine/power/AllocationAnswers.h"

namespace tavi {

std::vector<int> coefficientsWithEffect(const SweepTable& sweep, const PointTests& tests) {
    std::vector<int> withEffect;
    for (int c = 0; c < sweep.coefficients(); ++c) {
        if (tests.effect(c)) {
            withEffect.push_back(c);
        }
    }
    return withEffect;
}

AllocationAnswers answerAllocation(const EngineState& design, const SweepTable& sweep,
                                   PointTests& tests, StopToken stop,
                                   const GroupSizeSettings& sizes) {
    return answerAllocation(
        prepareAllocationSearch(design, coefficientsWithEffect(sweep, tests), stop, sizes),
        allocationSettingsOf(design), sweep, tests);
}

AllocationAnswers answerAllocation(AllocationSearch search, const AllocationSettings& settings,
                                   const SweepTable& sweep, PointTests& tests) {
    AllocationAnswers answers;
    answers.search = std::move(search);
    RequiredSearch required = searchRequiredGroups(settings, answers.search.unitVariances, tests);
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
    return answers;
}

}  // namespace tavi
