#include "files/ThreeLevelParameters.h"

#include <cassert>

namespace tavi {

namespace {

std::vector<SlopeVariation> slopesAt(const std::vector<ThreeLevelVariable>& variables, int level) {
    std::vector<SlopeVariation> slopes;
    for (const ThreeLevelVariable& variable : variables) {
        if (variable.level == level) {
            slopes.push_back(variable.slope);
        }
    }
    return slopes;
}

}  // namespace

std::int64_t threeLevelCoefficientCount(const std::vector<ThreeLevelVariable>& variables) {
    return threeLevelCoefficientCount(slopesAt(variables, 1), slopesAt(variables, 2),
                                      static_cast<std::int64_t>(slopesAt(variables, 3).size()));
}

void setModelVariables(ThreeLevelParameters& p) {
    assert(threeLevelCoefficientCount(p.variables) <= dimmax);
    const std::vector<SlopeVariation> level1 = slopesAt(p.variables, 1);
    const std::vector<SlopeVariation> level2 = slopesAt(p.variables, 2);
    ThreeLevelModel& m = p.model;
    m.p1 = static_cast<std::int32_t>(level1.size());
    m.p2 = static_cast<std::int32_t>(level2.size());
    m.p3 = static_cast<std::int32_t>(p.variables.size()) - m.p1 - m.p2;
    std::copy(level1.begin(), level1.end(), m.slope1);
    std::copy(level2.begin(), level2.end(), m.slope2);
}

std::vector<std::string> variableNames(const ThreeLevelParameters& p) {
    std::vector<std::string> names;
    for (const ThreeLevelVariable& variable : p.variables) {
        names.push_back(variable.name);
    }
    return names;
}

}  // namespace tavi
