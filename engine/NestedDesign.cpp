#include "engine/NestedDesign.h"

#include <algorithm>
#include <cassert>

namespace tavi {

namespace {

std::vector<SlopeVariation> slopesAt(const std::vector<DesignVariable>& variables, int level) {
    std::vector<SlopeVariation> slopes;
    for (const DesignVariable& variable : variables) {
        if (variable.level == level) {
            slopes.push_back(variable.slope);
        }
    }
    return slopes;
}

}  // namespace

std::int64_t termCount(const std::vector<DesignVariable>& variables) {
    return termCount(slopesAt(variables, 1), slopesAt(variables, 2),
                     static_cast<std::int64_t>(slopesAt(variables, 3).size()));
}

void setModelVariables(NestedDesign& d) {
    assert(termCount(d.variables) <= dimmax);
    const std::vector<SlopeVariation> level1 = slopesAt(d.variables, 1);
    const std::vector<SlopeVariation> level2 = slopesAt(d.variables, 2);
    NestedModel& m = d.model;
    m.p1 = static_cast<std::int32_t>(level1.size());
    m.p2 = static_cast<std::int32_t>(level2.size());
    m.p3 = static_cast<std::int32_t>(d.variables.size()) - m.p1 - m.p2;
    std::copy(level1.begin(), level1.end(), m.slope1);
    std::copy(level2.begin(), level2.end(), m.slope2);
}

std::vector<std::string> variableNames(const NestedDesign& d) {
    std::vector<std::string> names;
    for (const DesignVariable& variable : d.variables) {
        names.push_back(variable.name);
    }
    return names;
}

std::int64_t pointCount(const NestedDesign& d) {
    return pointCount(d.sizes, d.levels());
}

namespace {

// A site holding the given groups: their number, their mean size and the cost of the site.
SweepPoint givenSite(const NestedDesign& d) {
    const SampleSizes& s = d.sizes;
    std::int64_t units = 0;
    for (const std::int32_t size : d.unequal.sizes) {
        units += size;
    }
    const auto J = static_cast<std::int32_t>(d.unequal.sizes.size());
    const SweepPoint given = givenSizesPoint(d.unequal, s);
    return {1, given.n, s.SiteCost + std::int64_t{J} * s.GroupCost + units, J};
}

}  // namespace

std::int64_t sizedPointCount(const NestedDesign& d) {
    if (d.unequal.sizes.empty()) {
        return pointCount(d);
    }
    return d.levels() == 2 || d.sizes.BudgetMode ? 1 : topCount(d.sizes.top);
}

SweepPoint sizedPointAt(const NestedDesign& d, std::int64_t k) {
    if (d.unequal.sizes.empty()) {
        return pointAt(d.sizes, d.levels(), k);
    }
    if (d.levels() == 2) {
        return givenSizesPoint(d.unequal, d.sizes);
    }
    SweepPoint site = givenSite(d);
    const std::int64_t siteCost = site.cost;
    const std::int64_t K =
        d.sizes.BudgetMode ? d.sizes.Budget / siteCost : d.sizes.top.least + k * d.sizes.top.step;
    site.N = static_cast<std::int32_t>(K);
    site.cost = d.sizes.BudgetMode ? K * siteCost : 0;
    return site;
}

}  // namespace tavi
