// The replications of a cluster design over periods: data sets drawn by the PeriodSampler, each
// fitted by the REML fit over its sums with the design's own model.
#pragma once

#include "engine/ClusterPeriods.h"
#include "engine/SampleSizes.h"
#include "engine/simulation/PeriodSampler.h"
#include "engine/simulation/Replications.h"

#include <Eigen/Core>
#include <memory>

namespace tavi {

class PeriodReplications final : public ReplicatedDesign {
public:
    // The design d at point: point.N clusters in all, which must give every sequence a whole
    // number of them, and point.n >= 1 units in every cluster-period; coefficients holds the
    // true values in the design's order.
    PeriodReplications(const ClusterPeriods& d, const SweepPoint& point,
                       const Eigen::VectorXd& coefficients);

    int coefficients() const override { return m_design.coefficientCount(); }
    std::unique_ptr<ReplicationWork> newWork() const override;

private:
    ClusterPeriods m_design;
    PeriodSampler m_sampler;
};

}  // namespace tavi
