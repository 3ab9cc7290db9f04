// What the three-level templates' mappings share: a record of named variables, the outcome's
// variance split over the three levels, the sample sizes from the sweep keys, and the
// coefficients' roles.
#pragma once

#include "engine/templates/TemplateKeys.h"
#include "engine/templates/TemplateRecord.h"
#include "files/ThreeLevelParameters.h"

#include <string>
#include <string_view>
#include <vector>

namespace tavi {

// The sweep keys of the three-level templates besides n and group_cost: numbers of sites, or a
// budget with the cost of a site, and the groups per site.
inline constexpr TemplateKey kSitesKey{"sites", ValueKind::GroupsRange, Need::Conditional,
                                       "none: give sites or budget",
                                       "numbers of sites K to compute, without budget"};
inline constexpr TemplateKey kGroupsPerSiteKey{"groups", ValueKind::GroupsRange, Need::Required, "",
                                               "numbers of groups per site J to compute"};
inline constexpr TemplateKey kSiteBudgetKey{
    "budget", ValueKind::Amount, Need::Conditional, "none: give budget or sites",
    "total budget, counted in level-1 units; with site_cost and group_cost"};
inline constexpr TemplateKey kSiteCostKey{
    "site_cost", ValueKind::Count, Need::Conditional, "none: needed with budget",
    "cost of one more site beyond its groups, relative to one more level-1 unit"};

// A record of these variables with its model's counts; throws TemplateError naming key when
// their coefficients do not fit the capacity.
ThreeLevelParameters threeLevelRecord(std::vector<ThreeLevelVariable> variables,
                                      std::string_view key);

// The outcome of total variance 1: icc3 between sites (Tau3's intercept), icc2 between the
// groups of a site (Tau2's), the rest within groups (Sigma2), each less the share that
// covariates explain: r2_1 of the rest, explained2 of icc2, explained3 of icc3. Throws
// TemplateError naming icc3 when icc2 + icc3 is not below 1.
void splitOutcomeVariance(ThreeLevelModel& m, const TemplateValues& values, double explained2,
                          double explained3);

// Sets the sample sizes of p from the sweep keys: under a budget with budget, site_cost,
// group_cost, groups and n, or over ranges with sites, groups and n; the steps of K and J
// follow from the widths of their ranges as the number of groups' does for two levels. Throws
// TemplateError for keys that do not go together, a missing key, and a budget that does not pay
// for one site of the smallest size.
void applyThreeLevelSweep(ThreeLevelParameters& p, const TemplateValues& values);

// The template's design from p, with the roles of its coefficients in their order.
TemplateDesign threeLevelDesign(ThreeLevelParameters p, const std::vector<std::string>& roles);

}  // namespace tavi
