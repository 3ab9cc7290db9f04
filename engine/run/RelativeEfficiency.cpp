#include "engine/run/RelativeEfficiency.h"

#include "engine/CovarianceComputation.h"
#include "engine/ExpectedInformation.h"
#include "engine/run/NumberFields.h"

#include <cmath>
#include <limits>
#include <memory>

namespace tavi {

void expectedGroupAt(const EngineState& e, const GroupSizeSettings& settings, std::int32_t n,
                     SizedPointWork& work) {
    groupSizesAt(settings, n, work.planned, work.sizes);
    expectedGroupOf(e, work.sizes, work.group);
}

void computeSizedPoint(EngineState& e, const GroupSizeSettings& settings, std::int32_t n,
                       std::int32_t N, SizedPointWork& work, Vector& efficiency) {
    e.GroupSize = n;
    e.NumGroups = N;
    const double groups = expectedGroups(settings, N);
    work.equal.meanSize = work.group.meanSize;
    groupPrecisionAt(e, work.equal.meanSize, work.equal.meanPrecision);
    computeFromExpectedGroup(e, work.equal, groups);
    Vector equalSe{};
    for (int i = 1; i <= e.NumCoef; ++i) {
        equalSe(i) = usableStandardError(e, i);
    }
    computeFromExpectedGroup(e, work.group, groups);
    for (int i = 1; i <= e.NumCoef; ++i) {
        const double ratio = equalSe(i) / usableStandardError(e, i);
        efficiency(i) = ratio * ratio;
    }
}

void ExpectedGroupCache::fill(const EngineState& e, const GroupSizeSettings& settings,
                              std::int32_t n, SizedPointWork& work) {
    {
        const std::lock_guard lock(m_mutex);
        for (const Entry& entry : m_entries) {
            if (entry.n == n) {
                work.group = entry.group;
                return;
            }
        }
    }
    expectedGroupAt(e, settings, n, work);
    const std::lock_guard lock(m_mutex);
    m_entries[m_next] = {n, work.group};
    m_next = (m_next + 1) % m_entries.size();
}

Vector efficiencyAt(const EngineState& design, const GroupSizeSettings& settings,
                    const SweepPoint& point) {
    const auto state = std::make_unique<EngineState>(design);
    const auto work = std::make_unique<SizedPointWork>();
    Vector efficiency;
    expectedGroupAt(*state, settings, point.n, *work);
    computeSizedPoint(*state, settings, point.n, point.N, *work, efficiency);
    return efficiency;
}

std::string describeGroupSizes(const GroupSizeSettings& settings) {
    std::string text;
    const auto part = [&text](const std::string& words) {
        text += (text.empty() ? "" : ", ") + words;
    };
    if (!settings.sizes.empty()) {
        part(std::to_string(settings.sizes.size()) + " groups of the sizes given (mean " +
             briefNumber(meanGivenSize(settings)) + ")");
    }
    if (settings.sizeCv > 0.0) {
        part("group sizes varying around n with CV " + exactNumber(settings.sizeCv));
    }
    if (settings.dropout > 0.0) {
        part("each unit missing with probability " + exactNumber(settings.dropout));
    }
    if (settings.groupDropout > 0.0) {
        part("each group lost with probability " + exactNumber(settings.groupDropout));
    }
    return text;
}

double groupsToMakeUp(std::int64_t N, double efficiency) {
    if (!(efficiency > 0.0)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    // An efficiency of 1 that comes out a rounding below it must not ask for one group more.
    return std::ceil(static_cast<double>(N) / efficiency * (1.0 - 1.0e-12));
}

}  // namespace tavi
