#include "engine/PeriodInformation.h"

#include "engine/MatrixRoutines.h"

namespace tavi {

void computePeriodPoint(const ClusterPeriods& d, PeriodPoint& p, double K, double n) {
    const std::int32_t numCoef = d.coefficientCount();
    for (std::int32_t a = 1; a <= numCoef; ++a) {
        for (std::int32_t b = 1; b <= numCoef; ++b) {
            p.InfoMatrix(a, b) = 0.0;
        }
    }
    std::int32_t observed[dimmax];
    std::int32_t m = 0;
    for (std::size_t s = 0; s < d.sequences.size(); ++s) {
        const std::vector<PeriodCell>& cells = d.sequences[s];
        // Sequences observed in the same periods share the covariance of their means: a complete
        // design inverts it once.
        const auto observedAlike = [&](const std::vector<PeriodCell>& other) {
            for (std::int32_t t = 0; t < d.periods(); ++t) {
                if ((cells[t] == PeriodCell::Unobserved) != (other[t] == PeriodCell::Unobserved)) {
                    return false;
                }
            }
            return true;
        };
        if (s == 0 || !observedAlike(d.sequences[s - 1])) {
            m = 0;
            for (std::int32_t t = 1; t <= d.periods(); ++t) {
                if (cells[t - 1] != PeriodCell::Unobserved) {
                    observed[m++] = t;
                }
            }
            for (std::int32_t i = 1; i <= m; ++i) {
                for (std::int32_t j = 1; j <= m; ++j) {
                    p.covariance(i, j) =
                        periodMeansCovariance(d.correlations, observed[i - 1], observed[j - 1], n);
                }
            }
            InvertMatrix(p.precision, p.covariance, m);
        }
        const double clusters = clustersOfSequence(d, s, K);
        PeriodColumns columns[dimmax];
        for (std::int32_t i = 0; i < m; ++i) {
            columns[i] = periodColumns(d, observed[i], cells[observed[i] - 1]);
        }
        for (std::int32_t i = 1; i <= m; ++i) {
            const PeriodColumns& row = columns[i - 1];
            for (std::int32_t j = 1; j <= m; ++j) {
                const PeriodColumns& column = columns[j - 1];
                const double weight = clusters * p.precision(i, j);
                for (std::int32_t a = 0; a < row.count; ++a) {
                    for (std::int32_t b = 0; b < column.count; ++b) {
                        p.InfoMatrix(row.columns[a], column.columns[b]) += weight;
                    }
                }
            }
        }
    }
    InvertMatrix(p.CovCoef, p.InfoMatrix, numCoef);
}

}  // namespace tavi
