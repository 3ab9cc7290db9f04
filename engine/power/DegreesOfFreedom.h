// The degrees of freedom of each coefficient's t test, by the between-within rules: a
// coefficient estimated from differences between groups has N - kw - 1, one estimated within
// groups has N*n - N - p1 with p1 = k1 + (k - k1)(kw + 1). The user may give any coefficient's
// df instead.
#pragma once

#include "engine/EngineState.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tavi {

class DegreesOfFreedom {
public:
    // The rules for the design in e: Fixed coefficients within groups; Const, Group, Random
    // and Cross-L between groups, except a Random slope whose variance in Tau2 is 0, which with
    // its Cross-L coefficients is estimated within groups.
    explicit DegreesOfFreedom(const EngineState& e);

    // Coefficient i (0-based, in coefficient order) gets df instead of its rule.
    void give(int i, double df);

    // Each of the N groups is lost with probability groupDropout: the rules then take for N the
    // expected number of groups left, rounded down.
    void loseGroups(double groupDropout) { m_groupsKept = 1.0 - groupDropout; }

    // The df of coefficient i with N groups of n units; below 1 no test is possible.
    double at(int i, std::int64_t N, std::int64_t n) const;

    // How coefficient i's df comes about, for messages: "N - 2", "N*n - N - 7" or "given".
    std::string ruleText(int i) const;

private:
    enum class Rule { Between, Within, Given };
    struct Entry {
        Rule rule;
        double given;
    };

    std::int64_t m_kw;
    std::int64_t m_p1;
    double m_groupsKept = 1.0;
    std::vector<Entry> m_entries;
};

}  // namespace tavi
