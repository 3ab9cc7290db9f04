// The replications of a nested design of two or three levels: data sets of units in groups (and
// sites) drawn by the DesignSampler, each fitted by the REML fit of nested random effects.
#pragma once

#include "engine/NestedDesign.h"
#include "engine/SampleSizes.h"
#include "engine/simulation/DesignSampler.h"
#include "engine/simulation/Replications.h"

#include <Eigen/Core>
#include <memory>

namespace tavi {

class NestedReplications final : public ReplicatedDesign {
public:
    // The design d at point, as DesignSampler draws it; coefficients holds the true values in the
    // order of designTerms(d.model).
    NestedReplications(const NestedDesign& d, const SweepPoint& point,
                       const Eigen::VectorXd& coefficients);

    int coefficients() const override { return m_sampler.coefficients(); }
    std::unique_ptr<ReplicationWork> newWork() const override;

private:
    DesignSampler m_sampler;
};

}  // namespace tavi
