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

double clusterCorrelation(const PeriodCorrelations& c, std::int32_t t, std::int32_t s) {
    return t == s ? 1.0 : c.cac * std::pow(c.decay, std::abs(t - s));
}

double unitCorrelation(const PeriodCorrelations& c, std::int32_t t, std::int32_t s) {
    if (t == s) {
        return 1.0;
    }
    return c.cohort ? c.iac * std::pow(c.cohortDecay, std::abs(t - s)) : 0.0;
}

double periodMeansCovariance(const PeriodCorrelations& c, std::int32_t t, std::int32_t s,
                             double n) {
    return c.icc * clusterCorrelation(c, t, s) + (1.0 - c.icc) / n * unitCorrelation(c, t, s);
}

PeriodColumns periodColumns(const ClusterPeriods& periods, std::int32_t period, PeriodCell cell) {
    PeriodColumns c;
    c.columns[c.count++] = 1;
    if (period >= 2) {
        c.columns[c.count++] = period;
    }
    if (cell == PeriodCell::Treated) {
        c.columns[c.count++] = periods.periods() + 1;
    }
    return c;
}

}  // namespace tavi
