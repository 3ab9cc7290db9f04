#include "files/ValueSteps.h"

#include <utility>

namespace tavi {

namespace {

const std::string kTwoBlanks = "  ";

std::string plural(int count, const char* one, const char* many) {
    return count == 1 ? one : many;
}

// The names prefix + number + suffix for the numbers first to last.
std::vector<std::string> numbered(const std::string& prefix, int first, int last,
                                  const std::string& suffix = {}) {
    std::vector<std::string> names;
    for (int i = first; i <= last; ++i) {
        names.push_back(prefix);
        names.back().append(std::to_string(i)).append(suffix);
    }
    return names;
}

std::vector<std::string> joined(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The level-1 variables, those with a fixed effect only first.
std::vector<std::string> level1Names(int k, int k1) {
    return joined(numbered("x", 1, k1, " (fixed)"), numbered("x", k1 + 1, k, " (random slope)"));
}

ValueStep meansStep(DesignValue value, int count, const std::string& level,
                    std::vector<std::string> names) {
    const std::string variables = level + plural(count, " variable", " variables");
    ValueStep step{value,      ValueShape::Vector, count,   {}, {},
                   kTwoBlanks, std::move(names),   {"mean"}};
    step.explanation[0] = plural(count, "Mean", "Means") + " of the " + variables;
    step.heading = "Fill in the " + plural(count, "mean", "means") + " of the " + variables;
    return step;
}

ValueStep withinStep(int k, int k1) {
    const std::vector<std::string> names = level1Names(k, k1);
    ValueStep step{DesignValue::WithinCov, ValueShape::Matrix, k, {}, {}, {}, names, names};
    if (k == 1) {
        step.explanation[0] = "Within-groups variance ";
        step.explanation[1] = "of the level-1 variable";
        step.heading = "Fill in the within-groups variance of the level-1 variable";
        return step;
    }
    step.explanation[0] = "Within-groups covariance matrix";
    step.explanation[1] = "of the level-1 variables";
    if (k1 > 0 && k1 < k) {
        step.explanation[2] = "Level-1 variables must be ordered as follows:";
        step.explanation[3] = plural(k1, "first the variable with a fixed effect only,",
                                     "first variables with fixed effects only,");
        step.explanation[4] = k == k1 + 1 ? "then the variable with fixed as well as random effect."
                                          : "then variables with fixed as well as random effects.";
    }
    step.heading = "Fill in the within-groups covariance matrix (subdiagonal)";
    step.heading2 = "of the level-1 variables";
    return step;
}

ValueStep betweenStep(int k1, int kw) {
    const int order = k1 + kw;
    const bool one = order == 1;
    const std::vector<std::string> names =
        joined(numbered("w", 1, kw), numbered("mean of x", 1, k1));
    ValueStep step{DesignValue::BetweenCov, ValueShape::Matrix, order, {}, {}, {}, names, names};
    step.explanation[0] = one ? "Between-groups variance " : "Between-groups covariance matrix";
    step.explanation[1] = one ? "of explanatory variable" : "of explanatory variables";
    if (k1 == 1) {
        step.explanation[2] = "(The group mean of the level-1 variable";
        step.explanation[3] = "is treated as a level-2 variable.)";
    } else if (k1 >= 2) {
        step.explanation[2] = "(The group means of the level-1 variables";
        step.explanation[3] = "are treated as level-2 variables.)";
    }
    step.explanation[5] =
        one ? "There is in total one variable at level 2."
            : "There are in total " + std::to_string(order) + " variables at level 2.";
    if (kw >= 1 && k1 >= 1) {
        step.explanation[6] = "They must be ordered so ";
        step.explanation[7] =
            kw == 1 ? "that first comes the original level-2 variable,"
                    : "that first come the " + std::to_string(kw) + " original level-2 variables,";
        step.explanation[8] =
            plural(k1, "and then the group mean of the", "and then the group means of the");
        step.explanation[9] = plural(k1, "of the level-1 variable with fixed effects only.",
                                     "of the level-1 variables with fixed effects only.");
    }
    step.heading = one ? "Fill in the between-groups variance"
                       : "Fill in the between-groups covariance matrix";
    return step;
}

ValueStep residualStep() {
    ValueStep step{
        DesignValue::ResidualVariance, ValueShape::Single, 1, {}, {}, kTwoBlanks, {"level 1"},
        {"residual variance"}};
    step.explanation[0] = "Parameters of the random part of the model.";
    step.explanation[1] = "1. Residual variance at level 1.";
    step.heading = "Fill in the level-1 residual variance";
    return step;
}

ValueStep tauStep(int k, int k1) {
    const int nRandom = k - k1 + 1;
    const std::vector<std::string> names = joined({"intercept"}, numbered("slope x", k1 + 1, k));
    ValueStep step{DesignValue::Tau, ValueShape::Matrix, nRandom, {}, {}, {}, names, names};
    step.explanation[0] = "Parameters of the random part of the model.";
    if (nRandom == 1) {
        step.explanation[1] = "2. Intercept variance at level 2.";
        step.explanation[3] = "The model contains a random intercept and no random slopes.";
        step.explanation[4] = "The intercept variance is needed.";
        step.heading = "Fill in the intercept variance";
    } else {
        step.explanation[1] = "2. Covariance matrix of random effects at level 2.";
        step.explanation[3] = "There are " + std::to_string(nRandom) +
                              " random coefficients (intercept plus " +
                              std::to_string(nRandom - 1) + " slopes).";
        step.explanation[4] = "Their covariance matrix is required.";
        step.heading = "Fill in the level-two random effects covariance matrix";
    }
    return step;
}

}  // namespace

std::vector<ValueStep> valueStepsFor(std::int32_t k, std::int32_t k1, std::int32_t kw) {
    std::vector<ValueStep> steps;
    if (k1 >= 1) {
        steps.push_back(
            meansStep(DesignValue::Means1, k1, "level-1", numbered("x", 1, k1, " (fixed)")));
    }
    if (kw >= 1) {
        steps.push_back(meansStep(DesignValue::Means2, kw, "level-2", numbered("w", 1, kw)));
    }
    if (k >= 1) {
        steps.push_back(withinStep(k, k1));
    }
    if (k1 + kw >= 1) {
        steps.push_back(betweenStep(k1, kw));
    }
    steps.push_back(residualStep());
    steps.push_back(tauStep(k, k1));
    return steps;
}

double keptResidualVariance(double entered) {
    return entered > 0 ? entered : kSmallestResidualVariance;
}

void mirrorLowerTriangle(Matrix& m, int order) {
    for (int i = 1; i <= order; ++i) {
        for (int j = 1; j < i; ++j) {
            m(j, i) = m(i, j);
        }
    }
}

}  // namespace tavi
