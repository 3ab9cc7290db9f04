// The randomised trials: treatment of whole groups, treatment within groups, and a group-level
// treatment whose effect a unit-level moderator changes. The outcome's variance without
// covariates is 1: icc between the groups and 1 - icc within them.

#include "engine/templates/TemplateMappings.h"

#include <cmath>

namespace tavi {

namespace {

constexpr TemplateKey kIccKey{
    "icc", ValueKind::Share, Need::Required, "",
    "intraclass correlation: the groups' share of the outcome's variance"};

constexpr TemplateKey kWithinExplainedKey{
    "r2_1", ValueKind::Share, Need::Default, "0",
    "share of the within-group variance that level-1 covariates explain"};

constexpr TemplateKey kClusterTrialKeys[] = {
    kIccKey,
    {"treated", ValueKind::Proportion, Need::Default, "0.5", "share of the groups treated"},
    kWithinExplainedKey,
    {"r2_2", ValueKind::Share, Need::Default, "0",
     "share of the between-group variance that level-2 covariates explain"},
    {"covariates", ValueKind::Count, Need::Conditional, "1 if r2_2 > 0, else 0",
     "number of level-2 covariates"},
    kBudgetKey,
    kGroupCostKey,
    kGroupsKey,
    kGroupSizesKey,
};

constexpr TemplateKey kMultisiteTrialKeys[] = {
    kIccKey,
    {"omega", ValueKind::NonNegative, Need::Default, "0",
     "variance of the treatment effect between groups, as a multiple of icc"},
    {"treated", ValueKind::Proportion, Need::Default, "0.5",
     "share of the units treated, the same in every group"},
    kWithinExplainedKey,
    kBudgetKey,
    kGroupCostKey,
    kGroupsKey,
    kGroupSizesKey,
};

constexpr TemplateKey kModeratorKeys[] = {
    kIccKey,
    {"omega", ValueKind::NonNegative, Need::Default, "0",
     "variance of the moderator's slope between groups, as a multiple of icc"},
    {"treated", ValueKind::Proportion, Need::Default, "0.5", "share of the groups treated"},
    {"moderator_share", ValueKind::ProportionOrContinuous, Need::Default, "continuous",
     "share of the units with a binary moderator, or continuous (standardised)"},
    kBudgetKey,
    kGroupCostKey,
    kGroupsKey,
    kGroupSizesKey,
};

// The level-1 residual variance 1 - icc, less the share that level-1 covariates explain.
double withinResidual(double icc, double explained) {
    return residualAsWritten((1.0 - icc) * (1.0 - explained), explained > 0.0 ? "r2_1" : "icc",
                             "the residual variance (1 - icc)(1 - r2_1)");
}

// A random intercept of variance icc and a random slope of variance omega x icc, independent.
void setInterceptAndSlope(DesignParameters& p, const TemplateValues& values) {
    const double icc = values.number("icc");
    p.Tau(1, 1) = varianceAsWritten(icc, "icc", "the intercept variance icc");
    p.Tau(2, 1) = 0.0;
    p.Tau(1, 2) = 0.0;
    p.Tau(2, 2) =
        varianceAsWritten(values.number("omega") * icc, "omega", "the slope variance omega x icc");
}

}  // namespace

std::span<const TemplateKey> clusterTrialKeys() {
    return kClusterTrialKeys;
}

std::span<const TemplateKey> multisiteTrialKeys() {
    return kMultisiteTrialKeys;
}

std::span<const TemplateKey> moderatorKeys() {
    return kModeratorKeys;
}

// The treatment is level-2 variable 1, then come the covariates, each of variance 1 and mean 0,
// independent of the randomised treatment and of each other. What they explain leaves the
// intercept variance icc (1 - r2_2).
TemplateDesign clusterTrialDesign(const TemplateValues& values) {
    const double icc = values.number("icc");
    const double explained = values.number("r2_2");
    const double covariates = values.given("covariates") ? values.number("covariates")
                              : explained > 0.0          ? 1.0
                                                         : 0.0;
    if (explained > 0.0 && covariates == 0.0) {
        throw TemplateError{"covariates", "must be at least 1 when r2_2 is above 0"};
    }
    const double mostCovariates = largestLevel2Count(0) - 1;
    if (covariates > mostCovariates) {
        throw TemplateError{"covariates", "at most " + std::to_string(int(mostCovariates)) +
                                              " fit beside the treatment"};
    }
    const auto kw = static_cast<std::int32_t>(covariates) + 1;
    DesignParameters p = recordWithCounts(0, 0, kw, "covariates");
    p.ResidualVariance = withinResidual(icc, values.number("r2_1"));
    p.Tau(1, 1) = varianceAsWritten(icc * (1.0 - explained), explained > 0.0 ? "r2_2" : "icc",
                                    "the intercept variance icc (1 - r2_2)");
    setGroupTreatment(p, values.number("treated"), "treated");
    std::vector<std::string> roles = {"the control groups' mean outcome", "the treatment"};
    for (std::int32_t i = 2; i <= kw; ++i) {
        p.Means2(i) = 0.0;
        for (std::int32_t j = 1; j < i; ++j) {
            p.BetweenCov(i, j) = 0.0;
            p.BetweenCov(j, i) = 0.0;
        }
        p.BetweenCov(i, i) = 1.0;
        roles.push_back("level-2 covariate " + std::to_string(i - 1));
    }
    applySweep(p, values, 0);
    return {p, rolesOf(p, roles)};
}

// The treatment is the level-1 variable with a random slope, entered centred within the groups
// (as every random-slope variable is): its variance within a group is treated (1 - treated).
TemplateDesign multisiteTrialDesign(const TemplateValues& values) {
    DesignParameters p = recordWithCounts(1, 0, 0, "treated");
    p.ResidualVariance = withinResidual(values.number("icc"), values.number("r2_1"));
    setInterceptAndSlope(p, values);
    p.WithinCov(1, 1) = binaryVariance(values.number("treated"), "treated");
    applySweep(p, values, 0);
    return {p, rolesOf(p, {"the mean outcome over the groups",
                           "the treatment (its mean effect over the groups)"})};
}

// The moderator is the level-1 variable with a random slope, centred within the groups, of
// variance 1 or share (1 - share); the treatment is the level-2 variable.
TemplateDesign moderatorDesign(const TemplateValues& values) {
    DesignParameters p = recordWithCounts(1, 0, 1, "moderator_share");
    p.ResidualVariance = withinResidual(values.number("icc"), 0.0);
    setInterceptAndSlope(p, values);
    const std::vector<double>& share = values.values("moderator_share");
    p.WithinCov(1, 1) = share.empty() ? 1.0 : binaryVariance(share.front(), "moderator_share");
    setGroupTreatment(p, values.number("treated"), "treated");
    applySweep(p, values, 0);
    return {p, rolesOf(p, {"the control groups' mean outcome",
                           "the treatment, at the moderator's group mean",
                           "the moderator's slope in the control groups",
                           "the treatment-by-moderator interaction"})};
}

}  // namespace tavi
