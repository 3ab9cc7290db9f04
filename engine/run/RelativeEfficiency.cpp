#include "engine/run/RelativeEfficiency.h"

#include "engine/CovarianceComputation.h"
#include "engine/ExpectedInformation.h"
#include "engine/run/NumberFields.h"

#include <cmath>
#include <limits>
#include <memory>

namespace tavi {

void computeSizedPoint(EngineState& e, const GroupSizeSettings& settings, std::int32_t n,
                       std::int32_t N, SizedPointWork& work, Vector& efficiency) {
    e.GroupSize = n;
    e.NumGroups = N;
    groupSizesAt(settings, n, work.planned, work.sizes);
    const double groups = expectedGroups(settings, N);
    work.equal.clear();
    work.equal.add(work.sizes.mean(), 1.0);
    computeExpectedPoint(e, work.equal, groups);
    for (int i = 1; i <= e.NumCoef; ++i) {
        efficiency(i) = usableStandardError(e, i);
    }
    computeExpectedPoint(e, work.sizes, groups);
    for (int i = 1; i <= e.NumCoef; ++i) {
        const double ratio = efficiency(i) / usableStandardError(e, i);
        efficiency(i) = ratio * ratio;
    }
}

Vector efficiencyAt(const EngineState& design, const GroupSizeSettings& settings,
                    const SweepPoint& point) {
    const auto state = std::make_unique<EngineState>(design);
    const auto work = std::make_unique<SizedPointWork>();
    Vector efficiency;
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
