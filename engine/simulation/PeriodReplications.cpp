#include "engine/simulation/PeriodReplications.h"

#include "engine/simulation/PeriodCriterion.h"
#include "engine/simulation/PeriodData.h"
#include "engine/simulation/PeriodFit.h"

#include <utility>

namespace tavi {

namespace {

class PeriodWork final : public ReplicationWork {
public:
    PeriodWork(const ClusterPeriods& design, const PeriodSampler& sampler)
        : m_design(design), m_sampler(sampler), m_criterion(design) {}

    FitStatus replicate(RandomStream& random, const std::atomic<bool>& stop,
                        Eigen::VectorXd& estimates, Eigen::VectorXd& standardErrors) override {
        if (!m_sampler.draw(random, m_data, m_draws, &stop)) {
            return FitStatus::Stopped;
        }
        PeriodFit fit = fitPeriodReml(m_data, m_criterion, m_design.correlations, &stop);
        estimates = std::move(fit.beta);
        standardErrors = std::move(fit.standardErrors);
        return fit.status;
    }

private:
    const ClusterPeriods& m_design;
    const PeriodSampler& m_sampler;
    PeriodCriterion m_criterion;
    PeriodData m_data;
    PeriodSampler::Draws m_draws;
};

}  // namespace

PeriodReplications::PeriodReplications(const ClusterPeriods& d, const SweepPoint& point,
                                       const Eigen::VectorXd& coefficients)
    : m_design(d), m_sampler(d, point.N, point.n, coefficients) {}

std::unique_ptr<ReplicationWork> PeriodReplications::newWork() const {
    return std::make_unique<PeriodWork>(m_design, m_sampler);
}

}  // namespace tavi
