// The randomised trials: treatment of whole groups, treatment within groups, each with a control
// arm and one or more treatment arms, and a group-level treatment whose effect a unit-level
// moderator changes. The outcome's variance without covariates is 1: icc between the groups and
// 1 - icc within them.

#include "engine/templates/TemplateMappings.h"
#include "files/ParameterFile.h"

#include <cmath>

namespace tavi {

namespace {

constexpr TemplateKey kIccKey{
    "icc", ValueKind::Share, Need::Required, "",
    "intraclass correlation: the groups' share of the outcome's variance"};

constexpr TemplateKey kWithinExplainedKey{
    "r2_1", ValueKind::Share, Need::Default, "0",
    "share of the within-group variance that level-1 covariates explain"};

constexpr TemplateKey kArmsKey{"arms", ValueKind::AtLeastTwo, Need::Default, "2",
                               "number of arms, the control arm included"};

constexpr TemplateKey kClusterTrialKeys[] = {
    kIccKey,
    kArmsKey,
    {"treated", ValueKind::Proportion, Need::Conditional, "1/arms each",
     "shares of the groups in the arms but control, one each: p1,p2,...", true},
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
     "variance of each arm's effect between groups, as a multiple of icc"},
    kArmsKey,
    {"treated", ValueKind::Proportion, Need::Conditional, "1/arms each",
     "shares of the units in the arms but control, the same in every group,\n"
     "one each: p1,p2,...",
     true},
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
    return (1.0 - icc) * (1.0 - explained);
}

// A random intercept of variance icc and the random slopes of p, each of variance omega x icc,
// all independent.
void setInterceptAndSlopes(DesignParameters& p, const TemplateValues& values) {
    const double icc = values.number("icc");
    for (std::int32_t i = 1; i <= p.nRandom; ++i) {
        for (std::int32_t j = 1; j <= p.nRandom; ++j) {
            p.Tau(i, j) = 0.0;
        }
    }
    p.Tau(1, 1) = icc;
    for (std::int32_t i = 2; i <= p.nRandom; ++i) {
        p.Tau(i, i) = values.number("omega") * icc;
    }
}

// The shares of the arms but control: as treated gives them, one each and leaving a share for
// the control arm, or 1/arms each.
std::vector<double> armShares(const TemplateValues& values) {
    const double arms = values.number(kArmsKey.name);
    if (arms > dimmax) {
        throw TemplateError{std::string(kArmsKey.name),
                            "at most " + std::to_string(dimmax) + " arms fit the capacity"};
    }
    const auto treatmentArms = static_cast<std::size_t>(arms) - 1;
    if (!values.given("treated")) {
        return std::vector<double>(treatmentArms, 1.0 / arms);
    }
    const std::vector<double>& shares = values.values("treated");
    if (shares.size() != treatmentArms) {
        throw TemplateError{"treated", "needs " + std::to_string(treatmentArms) +
                                           " shares, one for each arm but control; it has " +
                                           std::to_string(shares.size())};
    }
    double total = 0.0;
    for (const double share : shares) {
        total += share;
    }
    if (!(total < 1.0)) {
        throw TemplateError{"treated",
                            "the shares add up to 1 or more; the control arm needs the "
                            "rest, above 0"};
    }
    return shares;
}

// The 0/1 indicators of the arms but control from position 1 of cov: variances p_a (1 - p_a)
// and covariances -p_a p_b.
void setArmCovariances(Matrix& cov, const std::vector<double>& shares) {
    for (std::size_t a = 0; a < shares.size(); ++a) {
        const auto i = static_cast<std::int32_t>(a) + 1;
        cov(i, i) = binaryVariance(shares[a]);
        for (std::size_t b = 0; b < a; ++b) {
            const auto j = static_cast<std::int32_t>(b) + 1;
            cov(i, j) = -shares[a] * shares[b];
            cov(j, i) = cov(i, j);
        }
    }
}

// "the treatment" with two arms, else "arm a against control", each with what follows.
std::vector<std::string> armRoles(std::size_t arms, const std::string& following) {
    if (arms == 1) {
        return {"the treatment" + following};
    }
    std::vector<std::string> roles;
    for (std::size_t a = 1; a <= arms; ++a) {
        roles.push_back("arm " + std::to_string(a) + " against control" + following);
    }
    return roles;
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

// The arms but control are level-2 variables 1, 2, ..., their 0/1 indicators with the arms'
// shares as means; then come the covariates, each of variance 1 and mean 0, independent of the
// randomised arms and of each other. What they explain leaves the intercept variance
// icc (1 - r2_2).
TemplateDesign clusterTrialDesign(const TemplateValues& values) {
    const double icc = values.number("icc");
    const std::vector<double> shares = armShares(values);
    const auto arms = static_cast<std::int32_t>(shares.size());
    const double explained = values.number("r2_2");
    const double covariates = values.given("covariates") ? values.number("covariates")
                              : explained > 0.0          ? 1.0
                                                         : 0.0;
    if (explained > 0.0 && covariates == 0.0) {
        throw TemplateError{"covariates", "must be at least 1 when r2_2 is above 0"};
    }
    const double mostCovariates = largestLevel2Count(0) - arms;
    if (covariates > mostCovariates) {
        throw TemplateError{"covariates", "at most " + std::to_string(int(mostCovariates)) +
                                              " fit beside the arms"};
    }
    const auto kw = static_cast<std::int32_t>(covariates) + arms;
    DesignParameters p = recordWithCounts(0, 0, kw, "covariates");
    p.ResidualVariance = withinResidual(icc, values.number("r2_1"));
    p.Tau(1, 1) = icc * (1.0 - explained);
    for (std::int32_t a = 1; a <= arms; ++a) {
        p.Means2(a) = shares[a - 1];
    }
    setArmCovariances(p.BetweenCov, shares);
    std::vector<std::string> roles = {"the control groups' mean outcome"};
    for (const std::string& role : armRoles(shares.size(), "")) {
        roles.push_back(role);
    }
    for (std::int32_t i = arms + 1; i <= kw; ++i) {
        p.Means2(i) = 0.0;
        for (std::int32_t j = 1; j < i; ++j) {
            p.BetweenCov(i, j) = 0.0;
            p.BetweenCov(j, i) = 0.0;
        }
        p.BetweenCov(i, i) = 1.0;
        roles.push_back("level-2 covariate " + std::to_string(i - arms));
    }
    return templateDesign(p, values, roles);
}

// The arms but control are the level-1 variables with random slopes, their 0/1 indicators
// entered centred within the groups (as every random-slope variable is): with the same shares
// in every group their covariances within a group are those of the indicators.
TemplateDesign multisiteTrialDesign(const TemplateValues& values) {
    const std::vector<double> shares = armShares(values);
    DesignParameters p = recordWithCounts(static_cast<std::int32_t>(shares.size()), 0, 0, "arms");
    p.ResidualVariance = withinResidual(values.number("icc"), values.number("r2_1"));
    setInterceptAndSlopes(p, values);
    setArmCovariances(p.WithinCov, shares);
    std::vector<std::string> roles = {"the mean outcome over the groups"};
    for (const std::string& role : armRoles(shares.size(), " (its mean effect over the groups)")) {
        roles.push_back(role);
    }
    return templateDesign(p, values, roles);
}

// The moderator is the level-1 variable with a random slope, centred within the groups, of
// variance 1 or share (1 - share); the treatment is the level-2 variable.
TemplateDesign moderatorDesign(const TemplateValues& values) {
    DesignParameters p = recordWithCounts(1, 0, 1, "moderator_share");
    p.ResidualVariance = withinResidual(values.number("icc"), 0.0);
    setInterceptAndSlopes(p, values);
    const std::vector<double>& share = values.values("moderator_share");
    p.WithinCov(1, 1) = share.empty() ? 1.0 : binaryVariance(share.front());
    setGroupTreatment(p, values.number("treated"));
    return templateDesign(
        p, values,
        {"the control groups' mean outcome", "the treatment, at the moderator's group mean",
         "the moderator's slope in the control groups", "the treatment-by-moderator interaction"});
}

}  // namespace tavi
