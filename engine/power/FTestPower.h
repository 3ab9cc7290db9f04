// The F test of several tested quantities against 0 at once: its power for the noncentrality
// lambda = theta' (L V L')^-1 theta of the true values theta, and the noncentrality that reaches
// a target power. F tests have no sides; with one numerator df the F test is the two-sided t test
// and lambda the square of its noncentrality.
#pragma once

#include "engine/power/TestPower.h"

namespace tavi {

// The test with df1 numerator and df2 denominator degrees of freedom (both at least 1; df2 may be
// infinite, the chi-square test of df1 times the statistic). Its
// noncentrality is given by its square root, as a t test's is, so that both scale alike with
// the standard errors.
class FTest {
public:
    FTest(double df1, double df2, const TestSettings& settings);

    // The power at the noncentrality lambda = rootNoncentrality^2: P(F' > f(1 - alpha; df1,
    // df2)). NaN when it cannot be evaluated.
    double power(double rootNoncentrality) const;

    // The square root of the noncentrality at which power() equals the target power. 0 when the
    // target is at most alpha; NaN when the noncentral F cannot be evaluated that far out.
    double exactMultiplier() const;

    // The critical value f(1 - alpha; df1, df2).
    double critical() const { return m_critical; }

private:
    // P(F' > critical) at the noncentrality lambda.
    double upperTail(double lambda) const;
    double powerOrThrow(double rootNoncentrality) const;

    double m_df1;
    double m_df2;
    TestSettings m_settings;
    double m_critical;
};

}  // namespace tavi
