#include "engine/templates/TemplateRecord.h"

#include "engine/Coefficients.h"
#include "files/NumberText.h"
#include "files/ParameterDesign.h"
#include "files/ParameterFile.h"

#include <cmath>

namespace tavi {

namespace {

std::string wholeText(std::int64_t value) {
    std::string text;
    appendInteger(text, value);
    return text;
}

}  // namespace

DesignParameters recordWithCounts(std::int32_t k, std::int32_t k1, std::int32_t kw,
                                  std::string_view key) {
    if (!countsFitCapacity(k, k1, kw)) {
        throw TemplateError{std::string(key),
                            "the design would have " + wholeText(coefficientCount(k, k1, kw)) +
                                " coefficients; at most " + wholeText(dimmax) + " fit"};
    }
    DesignParameters p = initialDesignParameters();
    p.k = k;
    p.k1 = k1;
    p.kw = kw;
    deriveMatrixOrders(p);
    return p;
}

double binaryVariance(double share) {
    return share * (1.0 - share);
}

void setGroupTreatment(DesignParameters& p, double share) {
    p.Means2(1) = share;
    p.BetweenCov(1, 1) = binaryVariance(share);
}

NestedDesign designOfVariables(std::vector<DesignVariable> variables, int levels,
                               std::string_view key) {
    NestedDesign d;
    d.model.levels = levels;
    d.variables = std::move(variables);
    const std::int64_t coefficients = termCount(d.variables);
    if (coefficients > dimmax) {
        throw TemplateError{std::string(key), "the design would have " + wholeText(coefficients) +
                                                  " coefficients; at most " + wholeText(dimmax) +
                                                  " fit"};
    }
    setModelVariables(d);
    return d;
}

void splitOutcomeVariance(NestedModel& m, const TemplateValues& values, double explained2,
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

namespace {

// The range of a key's values MIN:MAX, its step following from the width.
CountRange countsOf(const TemplateValues& values, std::string_view key) {
    const std::vector<double>& range = values.values(key);
    const auto least = static_cast<std::int32_t>(range[0]);
    const auto most = static_cast<std::int32_t>(range[1]);
    return {least, most, groupsStepFor(std::int64_t{most} - least)};
}

}  // namespace

void applySweep(NestedDesign& d, const TemplateValues& values, std::int32_t fixedGroupSize) {
    const bool three = d.levels() == 3;
    const TemplateKey& budgetKey = three ? kSiteBudgetKey : kBudgetKey;
    const TemplateKey& topKey = three ? kSitesKey : kGroupsKey;
    const bool budget = values.given(budgetKey.name);
    const std::string top(three ? "sites" : "groups");
    if (budget && values.given(topKey.name)) {
        throw TemplateError{std::string(topKey.name), "give either " + top + " or budget"};
    }
    std::vector<const TemplateKey*> costs = {&kGroupCostKey};
    if (three) {
        costs.insert(costs.begin(), &kSiteCostKey);
    }
    for (const TemplateKey* cost : costs) {
        if (budget != values.given(cost->name)) {
            throw TemplateError{std::string(cost->name),
                                !budget ? "goes with budget only"
                                : three ? "missing; a budget needs the costs of a site and a group"
                                        : "missing; a budget needs the cost of a group"};
        }
    }
    if (!budget && !values.given(topKey.name)) {
        throw TemplateError{std::string(topKey.name),
                            three
                                ? "missing; give sites=MIN:MAX or budget, site_cost and group_cost"
                                : "missing; give groups=MIN:MAX or budget and group_cost"};
    }
    std::vector<double> sizes = values.values(kGroupSizesKey.name);
    if (fixedGroupSize > 0) {
        if (values.given(kGroupSizesKey.name) &&
            (sizes[0] != fixedGroupSize || sizes[1] != fixedGroupSize)) {
            throw TemplateError{std::string(kGroupSizesKey.name),
                                "must be the number of occasions, " + wholeText(fixedGroupSize)};
        }
        sizes = {double(fixedGroupSize), double(fixedGroupSize), 1.0};
    }
    SampleSizes& s = d.sizes;
    s.units = {static_cast<std::int32_t>(sizes[0]), static_cast<std::int32_t>(sizes[1]),
               static_cast<std::int32_t>(sizes[2])};
    if (three) {
        s.groups = countsOf(values, kGroupsPerSiteKey.name);
    }
    s.BudgetMode = budget;
    if (!budget) {
        s.top = countsOf(values, topKey.name);
        return;
    }
    s.Budget = static_cast<std::int32_t>(values.number(budgetKey.name));
    s.GroupCost = static_cast<std::int32_t>(values.number(kGroupCostKey.name));
    s.SiteCost = three ? static_cast<std::int32_t>(values.number(kSiteCostKey.name)) : 0;
    const std::int64_t smallest = topUnitCost(s, d.levels(), s.groups.least, s.units.least);
    if (smallest > s.Budget) {
        throw TemplateError{std::string(budgetKey.name),
                            three ? "does not pay for one site of the smallest size: site_cost + "
                                    "groups (group_cost + n) = " +
                                        wholeText(smallest)
                                  : "does not pay for one group of the smallest size: n + "
                                    "group_cost = " +
                                        wholeText(smallest)};
    }
}

TemplateDesign templateDesign(NestedDesign d, const std::vector<std::string>& roles) {
    TemplateDesign design{std::move(d), {}};
    const std::vector<Coefficient> coefficients =
        coefficientsOf(design.design.model, variableNames(design.design));
    for (std::size_t i = 0; i < coefficients.size() && i < roles.size(); ++i) {
        design.roles.push_back({coefficients[i].name, roles[i]});
    }
    return design;
}

TemplateDesign templateDesign(const DesignParameters& p, const TemplateValues& values,
                              const std::vector<std::string>& roles, std::int32_t fixedGroupSize) {
    NestedDesign d = designOf(p).design;
    applySweep(d, values, fixedGroupSize);
    return templateDesign(std::move(d), roles);
}

}  // namespace tavi
