#include "engine/NestedModel.h"

namespace tavi {

namespace {

std::int32_t variableCount(const NestedModel& m) {
    return m.p1 + m.p2 + m.p3;
}

// Every matrix lists its variables in the order of their numbers, so a variable's place in one
// is the count of the variables up to it that belong there.
template <typename Belongs>
std::int32_t placeAmong(const NestedModel& m, std::int32_t v, const Belongs& belongs) {
    if (!belongs(m, v)) {
        return 0;
    }
    std::int32_t place = 0;
    for (std::int32_t u = 0; u <= v; ++u) {
        place += belongs(m, u) ? 1 : 0;
    }
    return place;
}

template <typename Belongs>
std::int32_t countAmong(const NestedModel& m, const Belongs& belongs) {
    std::int32_t count = 0;
    for (std::int32_t v = 0; v < variableCount(m); ++v) {
        count += belongs(m, v) ? 1 : 0;
    }
    return count;
}

bool hasGroupPart(const NestedModel& m, std::int32_t v) {
    const int level = levelOf(m, v);
    return level == 2 || (level == 1 && !variesAtLevel2(slopeOf(m, v)));
}

bool hasSitePart(const NestedModel& m, std::int32_t v) {
    return m.levels == 3 && slopeOf(m, v) == SlopeVariation::None;
}

bool hasLevel2Effect(const NestedModel& m, std::int32_t v) {
    return levelOf(m, v) == 1 && variesAtLevel2(slopeOf(m, v));
}

bool hasLevel3Effect(const NestedModel& m, std::int32_t v) {
    return m.levels == 3 && variesAtLevel3(slopeOf(m, v));
}

}  // namespace

bool variesAtLevel2(SlopeVariation variation) {
    return variation == SlopeVariation::Level2 || variation == SlopeVariation::Levels2And3;
}

bool variesAtLevel3(SlopeVariation variation) {
    return variation == SlopeVariation::Level3 || variation == SlopeVariation::Levels2And3;
}

std::int32_t level2Effects(const NestedModel& m) {
    return 1 + countAmong(m, hasLevel2Effect);
}

std::int32_t level3Effects(const NestedModel& m) {
    return m.levels == 3 ? 1 + countAmong(m, hasLevel3Effect) : 0;
}

std::int32_t betweenGroupsOrder(const NestedModel& m) {
    return countAmong(m, hasGroupPart);
}

std::int32_t betweenSitesOrder(const NestedModel& m) {
    return countAmong(m, hasSitePart);
}

std::int32_t topOrder(const NestedModel& m) {
    return m.levels == 3 ? betweenSitesOrder(m) : betweenGroupsOrder(m);
}

std::int64_t termCount(std::span<const SlopeVariation> level1,
                       std::span<const SlopeVariation> level2, std::int64_t p3) {
    const auto p2 = static_cast<std::int64_t>(level2.size());
    std::int64_t count = 1 + static_cast<std::int64_t>(level1.size()) + p2 + p3;
    for (const SlopeVariation variation : level1) {
        count += (variesAtLevel2(variation) ? p2 : 0) + (variesAtLevel3(variation) ? p3 : 0);
    }
    for (const SlopeVariation variation : level2) {
        count += variesAtLevel3(variation) ? p3 : 0;
    }
    return count;
}

std::int64_t termCount(const NestedModel& m) {
    return termCount(std::span(m.slope1, m.p1), std::span(m.slope2, m.p2), m.p3);
}

int levelOf(const NestedModel& m, std::int32_t v) {
    return v < m.p1 ? 1 : v < m.p1 + m.p2 ? 2 : 3;
}

SlopeVariation slopeOf(const NestedModel& m, std::int32_t v) {
    switch (levelOf(m, v)) {
        case 1:
            return m.slope1[v];
        case 2:
            return m.slope2[v - m.p1];
        default:
            break;
    }
    return SlopeVariation::None;
}

std::int32_t withinIndex(const NestedModel& m, std::int32_t v) {
    return v < m.p1 ? v + 1 : 0;
}

std::int32_t betweenGroupsIndex(const NestedModel& m, std::int32_t v) {
    return placeAmong(m, v, hasGroupPart);
}

std::int32_t betweenSitesIndex(const NestedModel& m, std::int32_t v) {
    return placeAmong(m, v, hasSitePart);
}

std::int32_t topIndex(const NestedModel& m, std::int32_t v) {
    return m.levels == 3 ? betweenSitesIndex(m, v) : betweenGroupsIndex(m, v);
}

std::int32_t level2EffectIndex(const NestedModel& m, std::int32_t v) {
    const std::int32_t place = placeAmong(m, v, hasLevel2Effect);
    return place == 0 ? 0 : place + 1;
}

std::int32_t level3EffectIndex(const NestedModel& m, std::int32_t v) {
    const std::int32_t place = placeAmong(m, v, hasLevel3Effect);
    return place == 0 ? 0 : place + 1;
}

bool variesWithVariance(const NestedModel& m, std::int32_t v, int level) {
    if (level > m.levels) {
        return false;
    }
    const Matrix& tau = level == 2 ? m.Tau2 : m.Tau3;
    const std::int32_t index = v < 0        ? 1
                               : level == 2 ? level2EffectIndex(m, v)
                                            : level3EffectIndex(m, v);
    return index > 0 && tau(index, index) > 0.0;
}

}  // namespace tavi
