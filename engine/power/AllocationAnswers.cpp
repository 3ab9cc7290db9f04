#include "engine/power/AllocationAnswers.h"

namespace tavi {

AllocationAnswers answerAllocation(EngineState& e, const SweepTable& sweep, PointTests& tests) {
    std::vector<int> withEffect;
    for (int c = 0; c < sweep.coefficients(); ++c) {
        if (tests.effect(c)) {
            withEffect.push_back(c);
        }
    }
    AllocationAnswers answers;
    answers.search = prepareAllocationSearch(e, withEffect);
    RequiredSearch required = searchRequiredGroups(e, answers.search.unitVariances, tests);
    const SweepTable& points = answers.search.points(sweep);
    auto cheapest = required.cheapest.begin();
    for (int c = 0; c < sweep.coefficients(); ++c) {
        for (BestPoint& best : bestPointsFor(points, tests, c)) {
            answers.best.push_back(std::move(best));
        }
        if (tests.effect(c)) {
            answers.best.push_back(*cheapest++);
        }
    }
    answers.required = std::move(required.rows);
    return answers;
}

}  // namespace tavi
