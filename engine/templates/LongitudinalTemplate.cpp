// Repeated measures of subjects at the same occasions, with a random intercept and a random
// slope of time, and a treatment of whole subjects. The outcome's variance at the first
// occasion is 1: icc_pre between the subjects and 1 - icc_pre within them.

#include "engine/templates/TemplateMappings.h"
#include "files/NumberText.h"
#include "files/ParameterFile.h"

#include <cmath>
#include <numeric>

namespace tavi {

namespace {

// Occasions beyond this many are no design anyone measures, and would only fill the memory.
constexpr int kMostOccasions = 100000;

constexpr TemplateKey kLongitudinalKeys[] = {
    {"occasions", ValueKind::AtLeastTwo, Need::Conditional, "unless times is given",
     "number of occasions, at times 0, 1, 2, ..."},
    {"times", ValueKind::Real, Need::Conditional, "0, 1, ..., occasions - 1",
     "times of the occasions, increasing: t1,t2,...", true},
    {"icc_pre", ValueKind::Share, Need::Required, "",
     "the subjects' share of the outcome's variance at the first occasion"},
    {"var_ratio", ValueKind::NonNegative, Need::Required, "",
     "variance of the subjects' slopes of time over the residual variance"},
    {"cor", ValueKind::Correlation, Need::Default, "0",
     "correlation of intercept and slope at the first occasion"},
    {"treated", ValueKind::Proportion, Need::Default, "0.5", "share of the subjects treated"},
    kBudgetKey,
    kGroupCostKey,
    {"groups", ValueKind::GroupsRange, Need::Conditional, "none: give groups or budget",
     "numbers of subjects N to compute, without budget"},
    {"n", ValueKind::SizeRange, Need::Conditional, "the number of occasions",
     "the number of occasions; may be left out"},
};

// The times of the occasions, from either key.
std::vector<double> timesOf(const TemplateValues& values) {
    const bool listed = values.given("times");
    if (values.given("occasions") == listed) {
        throw TemplateError{"occasions", "give either occasions or times"};
    }
    const std::string key = listed ? "times" : "occasions";
    const double count = listed ? double(values.values(key).size()) : values.number(key);
    if (count < 2 || count > kMostOccasions) {
        throw TemplateError{key,
                            "needs from 2 to " + std::to_string(kMostOccasions) + " occasions"};
    }
    if (!listed) {
        std::vector<double> times(static_cast<std::size_t>(count));
        std::iota(times.begin(), times.end(), 0.0);
        return times;
    }
    const std::vector<double>& times = values.values(key);
    for (std::size_t i = 1; i < times.size(); ++i) {
        if (!(times[i] > times[i - 1])) {
            throw TemplateError{key, "must increase from each occasion to the next"};
        }
    }
    return times;
}

}  // namespace

std::span<const TemplateKey> longitudinalKeys() {
    return kLongitudinalKeys;
}

// Time enters the model centred at its mean over the occasions, as every random-slope variable
// does; the random effects stated at the first occasion move to the mean time by
// (u0 + s u1, u1) with s the mean time less the first.
TemplateDesign longitudinalDesign(const TemplateValues& values) {
    const std::vector<double> times = timesOf(values);
    const auto count = static_cast<double>(times.size());
    double shift = 0.0;  // mean time less the first, summed from the differences for exactness
    for (const double t : times) {
        shift += (t - times.front()) / count;
    }
    double spread = 0.0;  // the times' variance with divisor n
    for (const double t : times) {
        const double deviation = t - times.front() - shift;
        spread += deviation * deviation / count;
    }
    const double pre = values.number("icc_pre");
    const double sigma2 = 1.0 - pre;
    const double slope = values.number("var_ratio") * sigma2;
    const double covariance = values.number("cor") * std::sqrt(pre * slope);

    DesignParameters p = recordWithCounts(1, 0, 1, "times");
    p.ResidualVariance = sigma2;
    p.Tau(2, 2) = slope;
    p.Tau(1, 1) = pre + 2.0 * shift * covariance + shift * shift * slope;
    p.Tau(2, 1) = covariance + shift * slope;
    p.Tau(1, 2) = p.Tau(2, 1);
    p.WithinCov(1, 1) = spread;
    setGroupTreatment(p, values.number("treated"));

    std::string meanTime;
    appendShortestReal(meanTime, times.front() + shift);
    return templateDesign(p, values,
                          {"the control group's mean at the mean time " + meanTime,
                           "the treatment's difference at the mean time",
                           "the control group's change per unit of time",
                           "the treatment-by-time interaction (the difference in change per "
                           "unit of time)"},
                          static_cast<std::int32_t>(times.size()));
}

}  // namespace tavi
