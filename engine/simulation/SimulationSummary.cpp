#include "engine/simulation/SimulationSummary.h"

#include "engine/CovarianceComputation.h"

#include <cmath>

namespace tavi {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A share of count out of m, with its binomial standard error.
Figure share(std::int64_t count, std::int64_t m) {
    const double p = static_cast<double>(count) / static_cast<double>(m);
    return {p, std::sqrt(p * (1.0 - p) / static_cast<double>(m))};
}

CoefficientSimulation summariseCoefficient(const ReplicationResults& results,
                                           const std::vector<std::int64_t>& used, int c,
                                           const AnalyticAnswer& answer, bool oneSided) {
    CoefficientSimulation s{answer, {}, {}, {}, {}, {}};
    const auto m = static_cast<std::int64_t>(used.size());
    if (m == 0) {
        return s;
    }
    const double count = static_cast<double>(m);
    double meanEstimate = 0.0;
    double meanSe = 0.0;
    for (const std::int64_t r : used) {
        meanEstimate += results.estimate(r, c) / count;
        meanSe += results.standardError(r, c) / count;
    }
    double squares = 0.0;
    double seSquares = 0.0;
    std::int64_t covered = 0;
    std::int64_t rejected = 0;
    const double direction = answer.trueValue < 0.0 ? -1.0 : 1.0;
    for (const std::int64_t r : used) {
        const double estimate = results.estimate(r, c);
        const double se = results.standardError(r, c);
        squares += (estimate - meanEstimate) * (estimate - meanEstimate);
        seSquares += (se - meanSe) * (se - meanSe);
        covered += std::fabs(estimate - answer.trueValue) <= answer.intervalCritical * se ? 1 : 0;
        const double t = estimate / se;
        rejected += (oneSided ? direction * t : std::fabs(t)) > answer.testCritical ? 1 : 0;
    }
    const double sd = m >= 2 ? std::sqrt(squares / (count - 1.0)) : kNaN;
    s.empiricalSd = {sd, m >= 2 ? sd / std::sqrt(2.0 * (count - 1.0)) : kNaN};
    s.meanModelSe = {meanSe, m >= 2 ? std::sqrt(seSquares / (count - 1.0) / count) : kNaN};
    s.bias = {meanEstimate - answer.trueValue, sd / std::sqrt(count)};
    if (!std::isnan(answer.intervalCritical)) {
        s.coverage = share(covered, m);
    }
    if (answer.hasEffect && !std::isnan(answer.testCritical)) {
        s.rejections = share(rejected, m);
    }
    return s;
}

}  // namespace

std::vector<AnalyticAnswer> analyticAnswers(const SweepPoint& point, const PointCovariance& e,
                                            const DegreesOfFreedom& df,
                                            const TestSettings& settings,
                                            const std::vector<std::optional<double>>& effects) {
    TestSettings twoSided = settings;
    twoSided.oneSided = false;
    std::vector<AnalyticAnswer> answers;
    for (int c = 0; c < e.NumCoef; ++c) {
        AnalyticAnswer a;
        a.hasEffect = effects[c].has_value();
        a.trueValue = effects[c].value_or(0.0);
        a.se = usableStandardError(e, c + 1);
        a.df = df.at(c, point);
        a.power = kNaN;
        a.intervalCritical = kNaN;
        a.testCritical = kNaN;
        if (a.df >= 1.0 && !std::isnan(a.se)) {
            const TTest test(a.df, settings);
            a.testCritical = test.critical();
            a.intervalCritical = TTest(a.df, twoSided).critical();
            if (a.hasEffect) {
                a.power = test.power(a.trueValue / a.se);
            }
        }
        answers.push_back(a);
    }
    return answers;
}

SimulationSummary summarise(const ReplicationResults& results,
                            const std::vector<AnalyticAnswer>& answers, bool oneSided) {
    SimulationSummary summary;
    summary.requested = static_cast<std::int64_t>(results.status.size());
    std::vector<std::int64_t> used;
    for (std::int64_t r = 0; r < summary.requested; ++r) {
        const std::optional<FitStatus>& status = results.status[r];
        if (!status) {
            continue;
        }
        ++summary.run;
        if (*status == FitStatus::Failed) {
            ++summary.failed;
            continue;
        }
        summary.zeroVariance += *status == FitStatus::ZeroVariance ? 1 : 0;
        summary.perfectCorrelation += *status == FitStatus::PerfectCorrelation ? 1 : 0;
        used.push_back(r);
    }
    summary.used = static_cast<std::int64_t>(used.size());
    for (int c = 0; c < results.coefficients; ++c) {
        summary.coefficients.push_back(
            summariseCoefficient(results, used, c, answers[c], oneSided));
    }
    return summary;
}

}  // namespace tavi
