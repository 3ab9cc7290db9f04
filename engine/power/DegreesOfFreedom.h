// The degrees of freedom of each coefficient's t test, by the between-within rules: a
// coefficient estimated from differences between groups has N - kw - 1, one estimated within
// groups has N*n - N - p1 with p1 = k1 + (k - k1)(kw + 1). The user may give any coefficient's
// df instead. A test of several coefficients, a contrast or a joint test, has the smallest df
// among them. A three-level design's rules (ThreeLevelDf) count the units of each level net of
// those of the level above: K, K*J - K or K*J*n - K*J, less the coefficients estimated there.
#pragma once

#include "engine/EngineState.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tavi {

// SweepTable.h holds it, and includes this header through TestedQuantities.h.
struct SweepPoint;

class DegreesOfFreedom {
public:
    // A coefficient estimated at level (1, 2 or 3; for two levels 3 is between groups and 1
    // within), its df the units there net of those above, less estimated.
    struct LevelRule {
        int level;
        std::int64_t estimated;

        bool operator==(const LevelRule&) const = default;
    };

    // The rules for the design in e: Fixed coefficients within groups; Const, Group, Random
    // and Cross-L between groups, except a Random slope whose variance in Tau2 is 0, which with
    // its Cross-L coefficients is estimated within groups.
    explicit DegreesOfFreedom(const EngineState& e);

    // The rules of a three-level design, coefficient by coefficient.
    explicit DegreesOfFreedom(const std::vector<LevelRule>& rules);

    // Entry i (0-based, in coefficient order, then the entries added) gets df instead of its
    // rule.
    void give(int i, double df);

    // Adds an entry with the smallest df among the entries members, as they are now.
    void addSmallestOf(const std::vector<int>& members);

    // Entries of their own, each the smallest df among the entries of one group here.
    DegreesOfFreedom smallestOf(const std::vector<std::vector<int>>& groups) const;

    // Each of the N groups is lost with probability groupDropout: the rules then take for N the
    // expected number of groups left, rounded down.
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

    bool m_threeLevel;
    double m_groupsKept = 1.0;
    std::vector<Entry> m_entries;
};

}  // namespace tavi
