// Simulated data sets of a design: N groups of n units whose explanatory variables, random
// effects and residuals follow the design's moments, and whose outcome follows the model with
// given coefficients.
#pragma once

#include "engine/EngineState.h"
#include "engine/power/GroupSizeDistribution.h"
#include "engine/simulation/RandomStream.h"
#include "engine/simulation/TwoLevelData.h"

#include <Eigen/Core>
#include <atomic>
#include <cstdint>
#include <vector>

namespace tavi {

class DesignSampler {
public:
    // The design in e (engine layout); coefficients holds the NumCoef true values in coefficient
    // order. N and n at least 1. With sizes in force the groups' sizes are drawn as the expected
    // information assumes: each planned size n, or one drawn from the sizes varying around n;
    // then each unit kept with probability 1 - dropout and each group with probability
    // 1 - groupDropout. Given sizes are exactly those groups, whatever N and n. Groups left
    // without units are not in the data.
    DesignSampler(const EngineState& e, std::int32_t N, std::int32_t n,
                  const Eigen::VectorXd& coefficients, const GroupSizeSettings& sizes = {});

    // Draws one data set into data, resizing it when needed. Per group: the level-2 variables
    // and the group means of the fixed-only variables from the means Mu3 and Mu1 with the
    // covariance SigmaB; the random effects from Tau2; the units' deviations from the group
    // means from SigmaW, centred within the group and scaled by sqrt(n / (n - 1)); the
    // residuals with variance Sigma2. SigmaW is a divisor-n covariance, the mean over a group's
    // units of the products of their deviations from the group mean, of which centred draws
    // would have (n - 1) / n on average: after the scaling the group means are exactly those
    // drawn (the random-slope variables' 0) and the divisor-n covariance is SigmaW on average.
    // Returns false, with the data set incomplete, when stop (if given) is set before the last
    // group.
    bool draw(RandomStream& random, TwoLevelData& data,
              const std::atomic<bool>* stop = nullptr) const;

    // The number of fixed coefficients, NumCoef.
    int coefficients() const { return static_cast<int>(m_coefficients.size()); }

private:
    // The units of each of the N planned groups in one data set.
    void drawSizes(RandomStream& random, std::vector<std::int64_t>& sizes) const;

    std::int32_t m_N;
    std::int32_t m_n;
    std::int32_t m_k1;
    std::int32_t m_nRandom;
    std::int32_t m_LenW3;
    Eigen::VectorXd m_coefficients;
    Eigen::VectorXd m_betweenMean;    // level-2 variables, then fixed-only group means
    Eigen::MatrixXd m_betweenFactor;  // F with F F' = their covariance
    Eigen::MatrixXd m_withinFactor;   // fixed-only, then random-slope variables
    Eigen::MatrixXd m_tauFactor;      // random intercept, then random slopes
    double m_sigma;
    GroupSizeSettings m_sizes;
    std::vector<double> m_plannedSizes;       // the sizes varying around n, when they do
    std::vector<double> m_plannedCumulative;  // their distribution function
};

}  // namespace tavi
