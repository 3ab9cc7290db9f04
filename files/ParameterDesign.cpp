#include "files/ParameterDesign.h"

#include <string>
#include <vector>

namespace tavi {

namespace {

// The model's variables in the record's order: the level-1 ones with a fixed slope, those with a
// random slope, then the level-2 ones.
struct RecordOrder {
    std::vector<std::int32_t> fixed;
    std::vector<std::int32_t> random;
    std::vector<std::int32_t> level2;
};

RecordOrder recordOrder(const NestedModel& m) {
    RecordOrder order;
    for (std::int32_t x = 0; x < m.p1; ++x) {
        (variesAtLevel2(m.slope1[x]) ? order.random : order.fixed).push_back(x);
    }
    for (std::int32_t w = m.p1; w < m.p1 + m.p2; ++w) {
        order.level2.push_back(w);
    }
    return order;
}

}  // namespace

DesignReading designOf(const DesignParameters& p) {
    DesignReading reading;
    NestedDesign& d = reading.design;
    d.model.levels = 2;
    if (!countsArePossible(p.k, p.k1, p.kw)) {
        std::string counts = "k = ";
        counts.append(std::to_string(p.k)).append(", k1 = ").append(std::to_string(p.k1));
        counts.append(", kw = ").append(std::to_string(p.kw));
        reading.unheld = Unheld{std::move(counts), 0};
        return reading;
    }
    if (!countsFitCapacity(p.k, p.k1, p.kw)) {
        reading.unheld = Unheld{"", coefficientCount(p.k, p.k1, p.kw)};
        return reading;
    }
    for (std::int32_t i = 1; i <= p.k; ++i) {
        d.variables.push_back({std::string("x").append(std::to_string(i)), 1,
                               i <= p.k1 ? SlopeVariation::None : SlopeVariation::Level2});
    }
    for (std::int32_t i = 1; i <= p.kw; ++i) {
        d.variables.push_back(
            {std::string("w").append(std::to_string(i)), 2, SlopeVariation::None});
    }
    setModelVariables(d);
    NestedModel& m = d.model;
    m.Sigma2 = p.ResidualVariance;
    const std::int32_t nRandom = p.k - p.k1 + 1;
    for (int i = 1; i <= nRandom; ++i) {
        for (int j = 1; j <= i; ++j) {
            m.Tau2(i, j) = m.Tau2(j, i) = p.Tau(i, j);
        }
    }
    for (int i = 1; i <= p.k; ++i) {
        for (int j = 1; j <= i; ++j) {
            m.WithinCov(i, j) = m.WithinCov(j, i) = p.WithinCov(i, j);
        }
    }
    // The record holds the level-2 variables first and the group means of the fixed-only
    // variables after them; the model the other way round.
    const auto place = [&p](int i) { return i <= p.k1 ? p.kw + i : i - p.k1; };
    for (int i = 1; i <= p.k1 + p.kw; ++i) {
        for (int j = 1; j <= i; ++j) {
            const int a = place(i);
            const int b = place(j);
            m.BetweenCov(i, j) = m.BetweenCov(j, i) =
                a >= b ? p.BetweenCov(a, b) : p.BetweenCov(b, a);
        }
    }
    for (int i = 1; i <= p.k1; ++i) {
        m.Means(i) = p.Means1(i);
    }
    for (int i = 1; i <= p.kw; ++i) {
        m.Means(p.k1 + i) = p.Means2(i);
    }
    SampleSizes& s = d.sizes;
    s.BudgetMode = p.BudgetMode;
    s.Budget = p.Budget;
    s.GroupCost = p.CostParameter;
    s.units = {p.MinGroupSize, p.MaxGroupSize, p.GroupSizeStep};
    s.top = {p.MinGroups, p.MaxGroups, groupsStepFor(std::int64_t{p.MaxGroups} - p.MinGroups)};
    return reading;
}

DesignParameters parametersOf(const NestedDesign& d) {
    const NestedModel& m = d.model;
    const RecordOrder order = recordOrder(m);
    DesignParameters p = initialDesignParameters();
    p.k = m.p1;
    p.k1 = static_cast<std::int32_t>(order.fixed.size());
    p.kw = m.p2;
    deriveMatrixOrders(p);
    std::vector<std::int32_t> level1 = order.fixed;
    level1.insert(level1.end(), order.random.begin(), order.random.end());
    std::vector<std::int32_t> between = order.level2;
    between.insert(between.end(), order.fixed.begin(), order.fixed.end());
    for (int i = 1; i <= p.nRandom; ++i) {
        for (int j = 1; j <= p.nRandom; ++j) {
            p.Tau(i, j) = m.Tau2(i, j);
        }
    }
    for (int i = 1; i <= p.k; ++i) {
        for (int j = 1; j <= p.k; ++j) {
            p.WithinCov(i, j) =
                m.WithinCov(withinIndex(m, level1[i - 1]), withinIndex(m, level1[j - 1]));
        }
    }
    for (int i = 1; i <= p.nBetween; ++i) {
        for (int j = 1; j <= p.nBetween; ++j) {
            p.BetweenCov(i, j) = m.BetweenCov(betweenGroupsIndex(m, between[i - 1]),
                                              betweenGroupsIndex(m, between[j - 1]));
        }
    }
    for (int i = 1; i <= p.k1; ++i) {
        p.Means1(i) = m.Means(topIndex(m, order.fixed[i - 1]));
    }
    for (int i = 1; i <= p.kw; ++i) {
        p.Means2(i) = m.Means(topIndex(m, order.level2[i - 1]));
    }
    p.ResidualVariance = m.Sigma2;
    const SampleSizes& s = d.sizes;
    p.BudgetMode = s.BudgetMode;
    p.Budget = s.Budget;
    p.CostParameter = s.GroupCost;
    p.MinGroupSize = s.units.least;
    p.MaxGroupSize = s.units.most;
    p.GroupSizeStep = s.units.step;
    p.MinGroups = s.top.least;
    p.MaxGroups = s.top.most;
    return p;
}

}  // namespace tavi
