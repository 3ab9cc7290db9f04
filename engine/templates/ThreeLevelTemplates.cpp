// The three-level trials: treatment of whole sites, of groups within sites, of units within
// groups, and a site-level treatment whose effect a unit- or group-level moderator changes. The
// outcome's variance without covariates is 1: icc3 between sites, icc2 between the groups of a
// site and 1 - icc2 - icc3 within groups. The treatment is the variable `treatment`, coded 1 for
// treated and 0 for control, of variance P (1 - P); inside a site or a group it is centred there,
// as every variable whose slope varies is, so the share P must be the same in every site or group.

#include "engine/templates/TemplateMappings.h"

namespace tavi {

namespace {

using S = SlopeVariation;

constexpr TemplateKey kIcc2Key{"icc2", ValueKind::Share, Need::Required, "",
                               "the groups' share of the outcome's variance, within sites"};
constexpr TemplateKey kIcc3Key{"icc3", ValueKind::Share, Need::Required, "",
                               "the sites' share of the outcome's variance"};
constexpr TemplateKey kR21Key{"r2_1", ValueKind::Share, Need::Default, "0",
                              "share of the within-group variance that level-1 covariates explain"};
constexpr TemplateKey kR22Key{
    "r2_2", ValueKind::Share, Need::Default, "0",
    "share of the between-group variance that level-2 covariates explain"};
constexpr TemplateKey kOmega3Key{
    "omega3", ValueKind::NonNegative, Need::Default, "0",
    "variance of the treatment effect between sites, as a multiple of icc3"};

constexpr TemplateKey kClusterTrialKeys[] = {
    kIcc2Key,
    kIcc3Key,
    {"treated", ValueKind::Proportion, Need::Default, "0.5", "share of the sites treated"},
    kR21Key,
    kR22Key,
    {"r2_3", ValueKind::Share, Need::Default, "0",
     "share of the between-site variance that level-3 covariates explain"},
    {"covariates", ValueKind::Count, Need::Conditional, "1 if r2_3 > 0, else 0",
     "number of site-level covariates"},
    kSiteBudgetKey,
    kSiteCostKey,
    kGroupCostKey,
    kSitesKey,
    kGroupsPerSiteKey,
    kGroupSizesKey,
};

constexpr TemplateKey kBlockedClusterTrialKeys[] = {
    kIcc2Key,
    kIcc3Key,
    kOmega3Key,
    {"treated", ValueKind::Proportion, Need::Default, "0.5",
     "share of the groups treated, the same in every site"},
    kR21Key,
    kR22Key,
    kSiteBudgetKey,
    kSiteCostKey,
    kGroupCostKey,
    kSitesKey,
    kGroupsPerSiteKey,
    kGroupSizesKey,
};

constexpr TemplateKey kMultisiteTrialKeys[] = {
    kIcc2Key,
    kIcc3Key,
    {"omega2", ValueKind::NonNegative, Need::Default, "0",
     "variance of the treatment effect between groups, as a multiple of icc2"},
    kOmega3Key,
    {"treated", ValueKind::Proportion, Need::Default, "0.5",
     "share of the units treated, the same in every group"},
    kR21Key,
    kSiteBudgetKey,
    kSiteCostKey,
    kGroupCostKey,
    kSitesKey,
    kGroupsPerSiteKey,
    kGroupSizesKey,
};

constexpr TemplateKey kModeratorKeys[] = {
    kIcc2Key,
    kIcc3Key,
    {"moderator_level", ValueKind::Count, Need::Required, "",
     "1: a unit-level moderator, 2: a group-level one"},
    {"omega2", ValueKind::NonNegative, Need::Default, "0",
     "variance of a unit-level moderator's slope between groups, as a multiple of icc2"},
    {"omega3", ValueKind::NonNegative, Need::Default, "0",
     "variance of the moderator's slope between sites, as a multiple of icc3"},
    {"treated", ValueKind::Proportion, Need::Default, "0.5", "share of the sites treated"},
    {"moderator_share", ValueKind::ProportionOrContinuous, Need::Default, "continuous",
     "share of the units (or groups) with a binary moderator, or continuous (standardised)"},
    kR21Key,
    kR22Key,
    kSiteBudgetKey,
    kSiteCostKey,
    kGroupCostKey,
    kSitesKey,
    kGroupsPerSiteKey,
    kGroupSizesKey,
};

// Leaves room beside the intercept and the treatment.
constexpr int kMostSiteCovariates = dimmax - 2;

double treatedVariance(const TemplateValues& values) {
    const double share = values.number("treated");
    return share * (1.0 - share);
}

// The treatment of whole sites as the first site-level variable: mean P, variance P (1 - P).
void setSiteTreatment(NestedModel& m, const TemplateValues& values) {
    m.SiteCov(1, 1) = treatedVariance(values);
    m.Means(1) = values.number("treated");
}

}  // namespace

std::span<const TemplateKey> clusterTrial3Keys() {
    return kClusterTrialKeys;
}

std::span<const TemplateKey> blockedClusterTrial3Keys() {
    return kBlockedClusterTrialKeys;
}

std::span<const TemplateKey> multisiteTrial3Keys() {
    return kMultisiteTrialKeys;
}

std::span<const TemplateKey> moderator3Keys() {
    return kModeratorKeys;
}

// The treatment, then the covariates, each of variance 1 and mean 0, independent of the
// randomised treatment and of each other; what they explain leaves the site variance
// icc3 (1 - r2_3).
TemplateDesign clusterTrial3Design(const TemplateValues& values) {
    const double explained3 = values.number("r2_3");
    const double covariates = values.given("covariates") ? values.number("covariates")
                              : explained3 > 0.0         ? 1.0
                                                         : 0.0;
    if (explained3 > 0.0 && covariates == 0.0) {
        throw TemplateError{"covariates", "must be at least 1 when r2_3 is above 0"};
    }
    if (covariates > kMostSiteCovariates) {
        throw TemplateError{"covariates", "at most " + std::to_string(kMostSiteCovariates) +
                                              " fit beside the treatment"};
    }
    std::vector<DesignVariable> variables = {{"treatment", 3, S::None}};
    std::vector<std::string> roles = {"the control sites' mean outcome", "the treatment"};
    for (int i = 1; i <= static_cast<int>(covariates); ++i) {
        variables.push_back({"covariate" + std::to_string(i), 3, S::None});
        roles.push_back("site-level covariate " + std::to_string(i));
    }
    NestedDesign p = designOfVariables(std::move(variables), 3, "covariates");
    splitOutcomeVariance(p.model, values, values.number("r2_2"), explained3);
    setSiteTreatment(p.model, values);
    for (int i = 2; i <= p.model.p3; ++i) {
        p.model.SiteCov(i, i) = 1.0;
    }
    applySweep(p, values, 0);
    return templateDesign(std::move(p), roles);
}

// The treatment is a level-2 variable whose effect varies between sites with variance
// omega3 x icc3, centred within the sites: its variance between a site's groups is P (1 - P).
TemplateDesign blockedClusterTrial3Design(const TemplateValues& values) {
    NestedDesign p = designOfVariables({{"treatment", 2, S::Level3}}, 3, "treated");
    splitOutcomeVariance(p.model, values, values.number("r2_2"), 0.0);
    p.model.Tau3(2, 2) = values.number("omega3") * values.number("icc3");
    p.model.BetweenCov(1, 1) = treatedVariance(values);
    applySweep(p, values, 0);
    return templateDesign(std::move(p), {"the mean outcome over all groups",
                                         "the treatment (its mean effect over the sites)"});
}

// The treatment is a level-1 variable whose effect varies between groups (omega2 x icc2) and
// sites (omega3 x icc3), centred within the groups: its variance within a group is P (1 - P).
TemplateDesign multisiteTrial3Design(const TemplateValues& values) {
    NestedDesign p = designOfVariables({{"treatment", 1, S::Levels2And3}}, 3, "treated");
    splitOutcomeVariance(p.model, values, 0.0, 0.0);
    p.model.Tau2(2, 2) = values.number("omega2") * values.number("icc2");
    p.model.Tau3(2, 2) = values.number("omega3") * values.number("icc3");
    p.model.WithinCov(1, 1) = treatedVariance(values);
    applySweep(p, values, 0);
    return templateDesign(std::move(p),
                          {"the mean outcome over all units",
                           "the treatment (its mean effect over the groups and sites)"});
}

// The moderator, of variance 1 or share (1 - share), centred within the groups (a unit-level
// one, whose slope varies between groups and sites) or within the sites (a group-level one,
// whose slope varies between sites); the treatment is the site-level variable.
TemplateDesign moderator3Design(const TemplateValues& values) {
    const double level = values.number("moderator_level");
    if (level != 1.0 && level != 2.0) {
        throw TemplateError{"moderator_level", "must be 1 (units) or 2 (groups)"};
    }
    const bool units = level == 1.0;
    if (!units && values.number("omega2") != 0.0) {
        throw TemplateError{"omega2",
                            "a group-level moderator's slope cannot vary between "
                            "groups; leave omega2 out"};
    }
    NestedDesign p =
        designOfVariables({{"moderator", units ? 1 : 2, units ? S::Levels2And3 : S::Level3},
                           {"treatment", 3, S::None}},
                          3, "moderator_level");
    NestedModel& m = p.model;
    splitOutcomeVariance(m, values, values.number("r2_2"), 0.0);
    const std::vector<double>& share = values.values("moderator_share");
    const double variance = share.empty() ? 1.0 : share.front() * (1.0 - share.front());
    if (units) {
        m.Tau2(2, 2) = values.number("omega2") * values.number("icc2");
        m.WithinCov(1, 1) = variance;
    } else {
        m.BetweenCov(1, 1) = variance;
    }
    m.Tau3(2, 2) = values.number("omega3") * values.number("icc3");
    setSiteTreatment(m, values);
    applySweep(p, values, 0);
    return templateDesign(
        std::move(p),
        {"the control sites' mean outcome", "the moderator's slope in the control sites",
         "the treatment, at the moderator's mean", "the treatment-by-moderator interaction"});
}

}  // namespace tavi
