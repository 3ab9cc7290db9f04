#include "engine/templates/ThreeLevelTemplateRecord.h"

#include "engine/ThreeLevelCoefficients.h"

namespace tavi {

namespace {

std::string wholeText(std::int64_t value) {
    return std::to_string(value);
}

}  // namespace

ThreeLevelParameters threeLevelRecord(std::vector<ThreeLevelVariable> variables,
                                      std::string_view key) {
    ThreeLevelParameters p;
    p.variables = std::move(variables);
    const std::int64_t coefficients = threeLevelCoefficientCount(p.variables);
    if (coefficients > dimmax) {
        throw TemplateError{std::string(key), "the design would have " + wholeText(coefficients) +
                                                  " coefficients; at most " + wholeText(dimmax) +
                                                  " fit"};
    }
    setModelVariables(p);
    return p;
}

void splitOutcomeVariance(ThreeLevelModel& m, const TemplateValues& values, double explained2,
                          double explained3) {
    const double icc2 = values.number("icc2");
    const double icc3 = values.number("icc3");
    if (!(icc2 + icc3 < 1.0)) {
        throw TemplateError{"icc3", "icc2 + icc3 must be below 1, leaving variance within groups"};
    }
    m.Sigma2 = (1.0 - icc2 - icc3) * (1.0 - values.number("r2_1"));
    m.Tau2(1, 1) = icc2 * (1.0 - explained2);
    m.Tau3(1, 1) = icc3 * (1.0 - explained3);
}

void applyThreeLevelSweep(ThreeLevelParameters& p, const TemplateValues& values) {
    const bool budget = values.given(kSiteBudgetKey.name);
    if (budget && values.given(kSitesKey.name)) {
        throw TemplateError{std::string(kSitesKey.name), "give either sites or budget"};
    }
    for (const TemplateKey* cost : {&kSiteCostKey, &kGroupCostKey}) {
        if (budget != values.given(cost->name)) {
            throw TemplateError{std::string(cost->name),
                                budget ? "missing; a budget needs the costs of a site and a group"
                                       : "goes with budget only"};
        }
    }
    if (!budget && !values.given(kSitesKey.name)) {
        throw TemplateError{std::string(kSitesKey.name),
                            "missing; give sites=MIN:MAX or budget, site_cost and group_cost"};
    }
    ThreeLevelSweep& s = p.sweep;
    const std::vector<double>& groups = values.values(kGroupsPerSiteKey.name);
    s.MinGroups = static_cast<std::int32_t>(groups[0]);
    s.MaxGroups = static_cast<std::int32_t>(groups[1]);
    s.GroupsStep = groupsStepFor(std::int64_t{s.MaxGroups} - s.MinGroups);
    const std::vector<double>& sizes = values.values(kGroupSizesKey.name);
    s.MinGroupSize = static_cast<std::int32_t>(sizes[0]);
    s.MaxGroupSize = static_cast<std::int32_t>(sizes[1]);
    s.GroupSizeStep = static_cast<std::int32_t>(sizes[2]);
    s.BudgetMode = budget;
    if (!budget) {
        const std::vector<double>& sites = values.values(kSitesKey.name);
        s.MinSites = static_cast<std::int32_t>(sites[0]);
        s.MaxSites = static_cast<std::int32_t>(sites[1]);
        s.SitesStep = groupsStepFor(std::int64_t{s.MaxSites} - s.MinSites);
        return;
    }
    s.Budget = static_cast<std::int32_t>(values.number(kSiteBudgetKey.name));
    s.SiteCost = static_cast<std::int32_t>(values.number(kSiteCostKey.name));
    s.GroupCost = static_cast<std::int32_t>(values.number(kGroupCostKey.name));
    const std::int64_t smallestSite =
        s.SiteCost + std::int64_t{s.MinGroups} * (std::int64_t{s.GroupCost} + s.MinGroupSize);
    if (smallestSite > s.Budget) {
        throw TemplateError{std::string(kSiteBudgetKey.name),
                            "does not pay for one site of the smallest size: site_cost + groups "
                            "(group_cost + n) = " +
                                wholeText(smallestSite)};
    }
}

TemplateDesign threeLevelDesign(ThreeLevelParameters p, const std::vector<std::string>& roles) {
    TemplateDesign design{initialDesignParameters(), {}, std::nullopt};
    const std::vector<Coefficient> coefficients = threeLevelCoefficients(p.model, variableNames(p));
    for (std::size_t i = 0; i < coefficients.size() && i < roles.size(); ++i) {
        design.roles.push_back({coefficients[i].name, roles[i]});
    }
    design.threeLevel = std::move(p);
    return design;
}

}  // namespace tavi
