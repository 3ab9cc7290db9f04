// What the templates' mappings share: the record of a design with given counts, its values as
// the parameter file holds them, the sample sizes from the sweep keys, and the coefficients'
// roles.
#pragma once

#include "engine/templates/TemplateKeys.h"
#include "files/DesignParameters.h"
#include "files/ThreeLevelParameters.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavi {

// What a coefficient of a template's design stands for: "Group1", "the treatment".
struct CoefficientRole {
    std::string coefficient;
    std::string role;
};

// A template's design: the record to write and the role of every coefficient, in the order of
// the report's columns. A three-level design's record is threeLevel, and parameters unused.
struct TemplateDesign {
    DesignParameters parameters;
    std::vector<CoefficientRole> roles;
    std::optional<ThreeLevelParameters> threeLevel = std::nullopt;
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

// A record with the counts k, k1 and kw and their derived orders, the start-up values
// elsewhere; throws TemplateError naming key when the design does not fit the capacity.
DesignParameters recordWithCounts(std::int32_t k, std::int32_t k1, std::int32_t kw,
                                  std::string_view key);

// value as the parameter file holds it with `decimals` decimals, so that the record is the
// file. Throws TemplateError naming key when that changes it by more than a ten-thousandth of
// scale, the size of the variances it goes with; what names the quantity in the message.
double asWritten(double value, double scale, int decimals, std::string_view key,
                 std::string_view what);

// A variance as the parameter file holds it: the residual variance with its own decimals, any
// other with those of the matrices; asWritten tells the rest.
double residualAsWritten(double variance, std::string_view key, std::string_view what);
double varianceAsWritten(double variance, std::string_view key, std::string_view what);

// The level-2 treatment as the first level-2 variable of p: 1 for a treated group and 0 for
// the others, so that its mean is the share treated and its variance share (1 - share);
// key names the share in messages.
void setGroupTreatment(DesignParameters& p, double share, std::string_view key);

// The variance share (1 - share) of a 0/1 variable, as the parameter file holds it.
double binaryVariance(double share, std::string_view key);

// Sets the sample sizes of p from the sweep keys: budget mode with budget, group_cost and n,
// or all combinations of groups and n. A design whose group size is fixed passes it as
// fixedGroupSize (0 for none); n may then be left out and must otherwise equal it. Throws
// TemplateError for keys that do not go together, a missing key, and a budget that does not
// pay for one group of the smallest size.
void applySweep(DesignParameters& p, const TemplateValues& values, std::int32_t fixedGroupSize);

// The roles of p's coefficients, given in the order of the report's columns.
std::vector<CoefficientRole> rolesOf(const DesignParameters& p,
                                     const std::vector<std::string>& roles);

}  // namespace tavi
