// The degrees of freedom of each coefficient's t test, by one between-within rule for two and
// three levels: the units at the highest level at which the coefficient varies, less those of the
// level above, less the fixed coefficients estimated at that level in the same equation. The user
// may give any coefficient's df instead. A test of several coefficients, a contrast or a joint
// test, has the smallest df among them.
//
// A coefficient belongs to the equation of a slope (the intercept's, a level-1 or a level-2
// variable's) and is estimated at the highest level at which that slope varies with a variance
// above 0, up to the level of its moderator: the main effect of a slope and its interactions with
// top-level variables at the top level or below, its interactions with level-2 variables of a
// three-level design at level 2 or 1. The main effect of a top-level variable, and of a level-2
// variable whose slope does not vary, moderates the intercept. At the top level a coefficient has
// N - m (two levels) or K - m degrees of freedom, at level 2 of three levels K*J - K - m, m
// counting the coefficients of its equation at its level; at level 1 N*n - N - p1 or
// K*J*n - K*J - p1, p1 counting every coefficient with a level-1 variable. For a two-level design
// these are N - kw - 1 between groups and N*n - N - p1 within.
//
// A cluster design over periods tests every coefficient against its clusters, K - 2, the
// convention of the field's formulas for these designs.
#pragma once

#include "engine/NestedDesign.h"
#include "engine/NestedModel.h"
#include "engine/SampleSizes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tavi {

class DegreesOfFreedom {
public:
    // A coefficient estimated at level (1, 2 or 3), its df the units there net of those above,
    // less estimated.
    struct LevelRule {
        int level;
        std::int64_t estimated;

        bool operator==(const LevelRule&) const = default;
    };

    // The rules of the coefficients of m, in the order of its information matrix.
    explicit DegreesOfFreedom(const NestedModel& m);
    // The same rule for each of coefficients coefficients of a design with levels levels.
    DegreesOfFreedom(int levels, std::int32_t coefficients, LevelRule rule);

    // Entry i (0-based, in coefficient order, then the entries added) gets df instead of its
    // rule.
    void give(int i, double df);

    // Adds an entry with the smallest df among the entries members, as they are now.
    void addSmallestOf(const std::vector<int>& members);

    // Entries of their own, each the smallest df among the entries of one group here.
    DegreesOfFreedom smallestOf(const std::vector<std::vector<int>>& groups) const;

    // Each group is lost with probability groupDropout: the rules then take for the groups (N, or
    // K*J) the expected number left, rounded down.
    void loseGroups(double groupDropout) { m_groupsKept = 1.0 - groupDropout; }

    // The df of entry i with N groups of n units; below 1 no test is possible.
    double at(int i, std::int64_t N, std::int64_t n) const;
    // The same at a point of either kind.
    double at(int i, const SweepPoint& point) const;

    // How entry i's df comes about, for messages: "N - 2", "N*n - N - 7", for three levels
    // "K - 2", "K*J - K - 2", "K*J*n - K*J - 3", "given", or "the smallest of N - 2 and
    // N*n - N - 7".
    std::string ruleText(int i) const;

private:
    struct Part {
        LevelRule rule;  // level 0: given
        double given;

        bool operator==(const Part&) const = default;
    };
    // The smallest of its parts, each part once.
    using Entry = std::vector<Part>;

    Entry smallestEntryOf(const std::vector<int>& members) const;
    std::string partText(const Part& part) const;

    int m_levels;
    double m_groupsKept = 1.0;
    std::vector<Entry> m_entries;
};

// The rules of the coefficients of d, with the groups its dropout loses.
DegreesOfFreedom degreesOfFreedomOf(const NestedDesign& d);

}  // namespace tavi
