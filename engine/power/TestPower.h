// The t test of one regression coefficient against 0: its power for a true value of the
// coefficient, and the minimum detectable effect (MDES) for a target power, by two
// definitions: the field's sum of two t quantiles times the standard error, and the effect
// whose exact power, from the noncentral t distribution, equals the target.
#pragma once

namespace tavi {

struct TestSettings {
    double alpha = 0.05;    // significance level, in (0, 1)
    double power = 0.8;     // target power, in (0, 1)
    bool oneSided = false;  // one-sided tests in the direction of the effect
    // Tests by the normal distribution, as many published figures of cluster designs use: the
    // df of every test not given one is infinite.
    bool normal = false;
};

// The test at df degrees of freedom (df >= 1). Power and MDES scale with the standard error,
// so one TTest serves every coefficient and point with the same df.
class TTest {
public:
    TTest(double df, const TestSettings& settings);

    // The power when the true value is noncentrality standard errors away from 0: two-sided
    // P(T' > t) + P(T' < -t) with t = t(1 - alpha/2, df), one-sided P(T' > t(1 - alpha, df))
    // with the noncentrality's magnitude. NaN when it cannot be evaluated.
    double power(double noncentrality) const;

    // t(1 - alpha/2, df) + t(power, df) (one-sided: t(1 - alpha, df) + t(power, df)): the MDES
    // in standard errors by the field's convention.
    double mdesMultiplier() const { return m_mdesMultiplier; }

    // The critical value of the test statistic: t(1 - alpha/2, df), one-sided t(1 - alpha, df).
    double critical() const { return m_critical; }

    // The noncentrality at which power() equals the target power: the exact MDES in standard
    // errors. 0 when the target is at most alpha, which every effect reaches; NaN when the
    // noncentral t cannot be evaluated that far out.
    double exactMultiplier() const;

private:
    double powerOrThrow(double noncentrality) const;

    double m_df;
    TestSettings m_settings;
    double m_critical;
    double m_mdesMultiplier;
};

// The power of a coefficient's test with standard error se when its true value is effect.
double powerOfTest(double effect, double se, double df, const TestSettings& settings);

// The MDES by the field's convention: TTest::mdesMultiplier() times se.
double mdesOf(double se, double df, const TestSettings& settings);

// The effect whose exact power equals the target: TTest::exactMultiplier() times se.
double exactMdesOf(double se, double df, const TestSettings& settings);

}  // namespace tavi
