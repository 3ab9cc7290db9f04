#include "engine/simulation/PeriodData.h"

namespace tavi {

void SequenceSums::clear(Eigen::Index m) {
    clusters = 0;
    meanOfMeans = Eigen::VectorXd::Zero(m);
    scatterOfMeans = Eigen::MatrixXd::Zero(m, m);
    within = Eigen::MatrixXd::Zero(m, m);
}

void SequenceSums::addCluster(Eigen::MatrixXd& units) {
    const Eigen::VectorXd means = units.colwise().mean().transpose();
    units.rowwise() -= means.transpose();
    within.noalias() += units.transpose() * units;
    // Welford's update, which keeps the scatter accurate whatever the means' size.
    ++clusters;
    const Eigen::VectorXd delta = means - meanOfMeans;
    const double k = static_cast<double>(clusters);
    meanOfMeans += delta / k;
    scatterOfMeans.noalias() += ((k - 1.0) / k) * delta * delta.transpose();
}

std::vector<std::int32_t> observedPeriods(const ClusterPeriods& d, std::size_t s) {
    std::vector<std::int32_t> observed;
    for (std::int32_t t = 1; t <= d.periods(); ++t) {
        if (d.sequences[s][t - 1] != PeriodCell::Unobserved) {
            observed.push_back(t);
        }
    }
    return observed;
}

Eigen::MatrixXd fixedPartOf(const ClusterPeriods& d, std::size_t s) {
    const std::vector<std::int32_t> observed = observedPeriods(d, s);
    Eigen::MatrixXd X =
        Eigen::MatrixXd::Zero(static_cast<Eigen::Index>(observed.size()), d.coefficientCount());
    for (std::size_t i = 0; i < observed.size(); ++i) {
        const PeriodColumns columns =
            periodColumns(d, observed[i], d.sequences[s][observed[i] - 1]);
        for (std::int32_t a = 0; a < columns.count; ++a) {
            X(static_cast<Eigen::Index>(i), columns.columns[a] - 1) = 1.0;
        }
    }
    return X;
}

}  // namespace tavi
