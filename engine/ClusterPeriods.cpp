#include "engine/ClusterPeriods.h"

#include <cmath>
#include <cstdlib>

namespace tavi {

double clustersOfSequence(const ClusterPeriods& periods, std::size_t s, double K) {
    double sum = 0.0;
    for (const double share : periods.clusterShares) {
        sum += share;
    }
    return K * periods.clusterShares[s] / sum;
}

double periodMeansCovariance(const PeriodCorrelations& c, std::int32_t t, std::int32_t s,
                             double n) {
    const double units = (1.0 - c.icc) / n;
    if (t == s) {
        return c.icc + units;
    }
    const double apart = std::abs(t - s);
    const double cluster = c.icc * c.cac * std::pow(c.decay, apart);
    return c.cohort ? cluster + units * c.iac * std::pow(c.cohortDecay, apart) : cluster;
}

}  // namespace tavi
