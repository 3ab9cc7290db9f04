#include "engine/simulation/NestedReplications.h"

#include "engine/simulation/NestedData.h"
#include "engine/simulation/RemlFit.h"

#include <utility>

namespace tavi {

namespace {

class NestedWork final : public ReplicationWork {
public:
    explicit NestedWork(const DesignSampler& sampler) : m_sampler(sampler) {}

    FitStatus replicate(RandomStream& random, const std::atomic<bool>& stop,
                        Eigen::VectorXd& estimates, Eigen::VectorXd& standardErrors) override {
        if (!m_sampler.draw(random, m_data, &stop)) {
            return FitStatus::Stopped;
        }
        RemlFit fit = fitReml(m_data, &stop);
        estimates = std::move(fit.beta);
        standardErrors = std::move(fit.standardErrors);
        return fit.status;
    }

private:
    const DesignSampler& m_sampler;
    NestedData m_data;
};

}  // namespace

NestedReplications::NestedReplications(const NestedDesign& d, const SweepPoint& point,
                                       const Eigen::VectorXd& coefficients)
    : m_sampler(d, point, coefficients) {}

std::unique_ptr<ReplicationWork> NestedReplications::newWork() const {
    return std::make_unique<NestedWork>(m_sampler);
}

}  // namespace tavi
