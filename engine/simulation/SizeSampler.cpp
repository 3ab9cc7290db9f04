#include "engine/simulation/SizeSampler.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace tavi {

std::int64_t SizeSampler::VaryingSizes::draw(RandomStream& random) const {
    // The last size takes what rounding leaves of the distribution function below 1.
    const double u = random.uniform() * cumulative.back();
    const auto at = std::upper_bound(cumulative.begin(), cumulative.end() - 1, u);
    return std::llround(sizes[at - cumulative.begin()]);
}

SizeSampler::VaryingSizes SizeSampler::varyingAround(double cv, std::int32_t mean) {
    VaryingSizes varying;
    if (!(cv > 0.0)) {
        return varying;
    }
    GroupSizeSettings settings;
    settings.sizeCv = cv;
    const auto planned = std::make_unique<GroupSizeSupport>();
    plannedGroupSizes(settings, mean, *planned);
    double cumulative = 0.0;
    for (int i = 0; i < planned->count; ++i) {
        cumulative += planned->weights[i];
        varying.sizes.push_back(planned->sizes[i]);
        varying.cumulative.push_back(cumulative);
    }
    return varying;
}

SizeSampler::SizeSampler(const GroupSizeSettings& unequal, const SweepPoint& point, int levels)
    : m_unequal(unequal), m_point(point), m_sites(levels == 3) {
    if (unequal.sizes.empty()) {
        m_groupSizes = varyingAround(unequal.sizeCv, point.n);
        if (m_sites) {
            m_siteSizes = varyingAround(unequal.siteSizeCv, point.J);
        }
    }
}

std::int64_t SizeSampler::plannedGroups(RandomStream& random) const {
    if (!m_unequal.sizes.empty()) {
        return static_cast<std::int64_t>(m_unequal.sizes.size());
    }
    if (!m_sites) {
        return m_point.N;
    }
    return m_siteSizes.empty() ? m_point.J : m_siteSizes.draw(random);
}

std::int64_t SizeSampler::groupUnits(RandomStream& random, std::size_t group) const {
    std::int64_t planned = m_point.n;
    if (!m_unequal.sizes.empty()) {
        planned = m_unequal.sizes[group];
    } else if (!m_groupSizes.empty()) {
        planned = m_groupSizes.draw(random);
    }
    std::int64_t kept = planned;
    if (m_unequal.dropout > 0.0) {
        kept = 0;
        for (std::int64_t i = 0; i < planned; ++i) {
            kept += random.uniform() < m_unequal.dropout ? 0 : 1;
        }
    }
    if (m_unequal.groupDropout > 0.0 && random.uniform() < m_unequal.groupDropout) {
        kept = 0;
    }
    return kept;
}

void SizeSampler::draw(RandomStream& random, DataSetSizes& sizes) const {
    sizes.groupUnits.clear();
    sizes.siteGroups.clear();
    const std::int64_t sites = m_sites ? m_point.N : 1;
    for (std::int64_t s = 0; s < sites; ++s) {
        const std::int64_t planned = plannedGroups(random);
        std::int64_t kept = 0;
        for (std::int64_t g = 0; g < planned; ++g) {
            const std::int64_t units = groupUnits(random, static_cast<std::size_t>(g));
            if (units > 0) {
                sizes.groupUnits.push_back(units);
                ++kept;
            }
        }
        if (kept > 0) {
            sizes.siteGroups.push_back(kept);
        }
    }
}

}  // namespace tavi
