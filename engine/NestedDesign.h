// The one model of a design that every capability works on: its variables with the level each
// lives at and where its slope varies, their variances and moments (NestedModel), the sample
// sizes to compute and how the sizes of the groups and sites differ from the planned ones. A
// two-level parameter file and a three-level file are two readers into it, a template a third
// writer of it.
#pragma once

#include "engine/ClusterPeriods.h"
#include "engine/GroupKinds.h"
#include "engine/GroupSizeDistribution.h"
#include "engine/NestedModel.h"
#include "engine/SampleSizes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavi {

struct DesignVariable {
    std::string name;
    int level;             // 1, 2 or 3
    SlopeVariation slope;  // level 1: any; level 2: None or Level3; level 3: None
};

struct NestedDesign {
    std::vector<DesignVariable> variables;  // level 1 first, then level 2, then level 3
    SampleSizes sizes;
    GroupSizeSettings unequal;  // none in force: groups of exactly n units, sites of J groups
    // Its levels always; the counts and slopes follow the variables, and the matrices are held,
    // only when the design's coefficients fit the capacity.
    NestedModel model;
    // A cluster design over periods: its three levels are the clusters of every sequence (K),
    // the periods (J) and the units of a cluster-period (n); the variables are the period
    // indicators and the treatment, which the sequences place, not the model's moments.
    std::optional<ClusterPeriods> periods;
    // Groups of several kinds, such as a trial's arms with their own variances and sizes; none:
    // every group alike.
    std::optional<GroupKinds> kinds;

    int levels() const { return model.levels; }
};

// Why the variables a file declares cannot be held: counts that describe no design, or more
// coefficients than the capacity dimmax.
struct Unheld {
    std::string impossibleCounts;  // "k = 3, k1 = 4, kw = 0", or empty
    std::int64_t coefficients = 0;
};

// A design as a reader gives it: held, or why not (the design then has its levels and, where
// the file could declare them, its variables).
struct DesignReading {
    NestedDesign design;
    std::optional<Unheld> unheld;
};

// The number of coefficients of a design with these variables, however many.
std::int64_t termCount(const std::vector<DesignVariable>& variables);

// Sets the model's counts and slopes from the variables, which must fit the capacity.
void setModelVariables(NestedDesign& d);

// The variables' names in the model's order.
std::vector<std::string> variableNames(const NestedDesign& d);

// The number of points of the design's sweep, groups of exactly n units in sites of exactly J
// groups, as its report has them.
std::int64_t pointCount(const NestedDesign& d);

// The points of the sweep with the sizes of the design's groups: those of its report, but with
// given sizes a two-level design's one point of those groups, and a three-level design's points
// of every K (or under a budget the one K it pays for) of sites holding those groups, with J
// their number and n their mean rounded to whole units.
std::int64_t sizedPointCount(const NestedDesign& d);
SweepPoint sizedPointAt(const NestedDesign& d, std::int64_t k);

}  // namespace tavi
