// What the templates' mappings share: the record of a two-level design with given counts, or a
// design of named variables; the outcome's variance
// split over three levels; the sample sizes from the sweep keys, and the coefficients' roles.
#pragma once

#include "engine/NestedDesign.h"
#include "engine/templates/TemplateKeys.h"
#include "files/DesignParameters.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavi {

// What a coefficient of a template's design stands for: "Group1", "the treatment".
struct CoefficientRole {
    std::string coefficient;
    std::string role;
};

// A template's design and the role of every coefficient, in the order of the report's columns.
struct TemplateDesign {
    NestedDesign design;
    std::vector<CoefficientRole> roles;
};

// The sweep keys every template takes: a budget with the cost of a group, or numbers of
// groups, and group sizes.
inline constexpr TemplateKey kBudgetKey{"budget", ValueKind::Amount, Need::Conditional,
                                        "none: give budget or groups",
                                        "total budget, counted in level-1 units; with group_cost"};
inline constexpr TemplateKey kGroupCostKey{
    "group_cost", ValueKind::Count, Need::Conditional, "none: needed with budget",
    "cost of one more group relative to one more level-1 unit"};
inline constexpr TemplateKey kGroupsKey{"groups", ValueKind::GroupsRange, Need::Conditional,
                                        "none: give groups or budget",
                                        "numbers of groups N to compute, without budget"};
inline constexpr TemplateKey kGroupSizesKey{"n", ValueKind::SizeRange, Need::Required, "",
                                            "group sizes n to compute"};

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

// A record with the counts k, k1 and kw and their derived orders, the start-up values
// elsewhere; throws TemplateError naming key when the design does not fit the capacity.
DesignParameters recordWithCounts(std::int32_t k, std::int32_t k1, std::int32_t kw,
                                  std::string_view key);

// The level-2 treatment as the first level-2 variable of p: 1 for a treated group and 0 for
// the others, so that its mean is the share treated and its variance share (1 - share).
void setGroupTreatment(DesignParameters& p, double share);

// The variance share (1 - share) of a 0/1 variable.
double binaryVariance(double share);

// The design of these variables, of levels levels, with its model's counts; throws TemplateError
// naming key when their coefficients do not fit the capacity.
NestedDesign designOfVariables(std::vector<DesignVariable> variables, int levels,
                               std::string_view key);

// The outcome of total variance 1: icc3 between sites (Tau3's intercept), icc2 between the
// groups of a site (Tau2's), the rest within groups (Sigma2), each less the share that
// covariates explain: r2_1 of the rest, explained2 of icc2, explained3 of icc3. Throws
// TemplateError naming icc3 when icc2 + icc3 is not below 1.
void splitOutcomeVariance(NestedModel& m, const TemplateValues& values, double explained2,
                          double explained3);

// Sets the sample sizes of d from the sweep keys: under a budget with budget and the costs of a
// group (and a site), or over ranges with the numbers of groups (or sites); the group sizes n, and
// with three levels the groups per site. The steps of N, K and J follow from the widths of their
// ranges. A design whose group size is fixed passes it as fixedGroupSize (0 for none); n may then
// be left out and must otherwise equal it. Throws TemplateError for keys that do not go together,
// a missing key, and a budget that does not pay for one group (or site) of the smallest size.
void applySweep(NestedDesign& d, const TemplateValues& values, std::int32_t fixedGroupSize);

// The template's design d, with the roles of its coefficients in their order.
TemplateDesign templateDesign(NestedDesign d, const std::vector<std::string>& roles);

// The same of a two-level record, whose sample sizes the sweep keys give.
TemplateDesign templateDesign(const DesignParameters& p, const TemplateValues& values,
                              const std::vector<std::string>& roles,
                              std::int32_t fixedGroupSize = 0);

}  // namespace tavi
