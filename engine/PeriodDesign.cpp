#include "engine/PeriodDesign.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <string>

namespace tavi {

namespace {

constexpr std::int64_t kLargestWhole = std::numeric_limits<std::int32_t>::max();

}  // namespace

std::int32_t clustersPerRound(const ClusterPeriods& periods) {
    std::int64_t divisor = 0;
    std::int64_t sum = 0;
    for (const double share : periods.clusterShares) {
        if (share != std::floor(share) || share > kLargestWhole) {
            return 1;
        }
        divisor = std::gcd(divisor, static_cast<std::int64_t>(share));
        sum += static_cast<std::int64_t>(share);
    }
    return divisor == 0 || sum / divisor > kLargestWhole ? 1
                                                         : static_cast<std::int32_t>(sum / divisor);
}

NestedDesign periodDesignOf(ClusterPeriods periods, const CountRange& clusters,
                            const CountRange& units) {
    NestedDesign d;
    for (std::int32_t t = 2; t <= periods.periods(); ++t) {
        d.variables.push_back({"period" + std::to_string(t), 2, SlopeVariation::None});
    }
    d.variables.push_back({"treatment", 2, SlopeVariation::None});
    d.model.levels = 3;
    setModelVariables(d);
    const PeriodCorrelations& c = periods.correlations;
    d.model.Sigma2 = 1.0 - c.icc;
    d.model.Tau2(1, 1) = c.icc * (1.0 - c.cac);
    d.model.Tau3(1, 1) = c.icc * c.cac;
    d.sizes.top = clusters;
    d.sizes.groups = {periods.periods(), periods.periods(), 1};
    d.sizes.units = units;
    d.periods = std::move(periods);
    return d;
}

}  // namespace tavi
