// Cluster designs over periods for the tests and benchmarks.
#pragma once

#include "engine/ClusterPeriods.h"

#include <vector>

namespace tavi::test {

// A complete stepped wedge of equal shares over sequences + 1 periods, sequence s (1-based) in
// control up to period s and treated after it, with the correlations c.
inline ClusterPeriods steppedWedge(int sequences, const PeriodCorrelations& c) {
    ClusterPeriods d;
    for (int s = 1; s <= sequences; ++s) {
        std::vector<PeriodCell> row;
        for (int t = 1; t <= sequences + 1; ++t) {
            row.push_back(t <= s ? PeriodCell::Control : PeriodCell::Treated);
        }
        d.sequences.push_back(row);
        d.clusterShares.push_back(1.0);
    }
    d.correlations = c;
    return d;
}

}  // namespace tavi::test
