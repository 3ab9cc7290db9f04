// Simulated data sets of a nested design at one sample-size point: units in groups, with three
// levels groups in sites, whose explanatory variables, random effects and residuals follow the
// design's moments, and whose outcome follows the model with given coefficients.
#pragma once

#include "engine/NestedDesign.h"
#include "engine/SampleSizes.h"
#include "engine/simulation/NestedData.h"
#include "engine/simulation/RandomStream.h"
#include "engine/simulation/SizeSampler.h"

#include <Eigen/Core>
#include <array>
#include <atomic>
#include <vector>

namespace tavi {

class DesignSampler {
public:
    // The design d, held by the model, at point with the sizes of d.unequal as SizeSampler draws
    // them; coefficients holds the true values in the order of designTerms(d.model).
    DesignSampler(const NestedDesign& d, const SweepPoint& point,
                  const Eigen::VectorXd& coefficients);

    // Draws one data set into data, resizing it when needed. Each variable is the sum of its
    // parts at the levels where it has any. The parts of the top level (the groups of a
    // two-level design, the sites of a three-level one) are drawn around the Means with the top
    // level's covariance matrix. Below it they are deviations within the unit above: the
    // groups' parts within their site from BetweenCov, the units' within their group from
    // WithinCov, centred there, so that the means above are exactly those drawn (0 for the
    // variables centred there, as in the model). BetweenCov is the divisor-J covariance of a
    // site's groups: the draws are scaled by sqrt(J / (J - 1)) with the site's own J. WithinCov
    // is the divisor-n covariance at the point's n: the draws are scaled by sqrt(n / (n - 1)),
    // so that a group of s units holds (s - 1) n / (n - 1) times it on average, one of one
    // unit nothing, as the expected information takes it. Then the random effects of each site from
    // Tau3 and of each group from Tau2, the X columns as the products of the design's terms, and
    // the residuals with variance Sigma2. Returns false, with the data set incomplete, when stop
    // (if given) is set before the last group.
    bool draw(RandomStream& random, NestedData& data,
              const std::atomic<bool>* stop = nullptr) const;

    // The number of fixed coefficients.
    int coefficients() const { return static_cast<int>(m_coefficients.size()); }

private:
    // The parts of the variables at one level: F with F F' their covariance, their means (0
    // below the top level) and where each variable's value stands among a unit's values.
    struct LevelParts {
        Eigen::MatrixXd factor;
        Eigen::VectorXd mean;
        std::vector<Eigen::Index> slots;

        // values(slot of each part) += its mean plus row r of parts.
        void addTo(const Eigen::MatrixXd& parts, Eigen::Index r, Eigen::VectorXd& values) const;
    };

    // Working space of one draw.
    struct Draws;

    static LevelParts partsOf(const NestedModel& m, const Matrix& covariance, bool top,
                              std::int32_t (*indexOf)(const NestedModel&, std::int32_t));
    void drawGroup(RandomStream& random, const Eigen::VectorXd& above, Eigen::Index units,
                   Eigen::Index first, Draws& w, NestedData& data) const;

    bool m_sites;
    SizeSampler m_sizes;
    Eigen::VectorXd m_coefficients;
    LevelParts m_siteParts;   // three levels: the variables not centred within sites
    LevelParts m_groupParts;  // the variables not centred within groups
    LevelParts m_unitParts;   // the level-1 variables
    Eigen::MatrixXd m_tau2Factor;
    Eigen::MatrixXd m_tau3Factor;  // no rows without sites
    // A unit's values stand at slot 0, the constant 1, and at 1 + v for variable v: the slots
    // of each term's two factors, and of the columns of Z2 and Z3.
    Eigen::Index m_slotCount;
    std::vector<std::array<Eigen::Index, 2>> m_termSlots;
    std::vector<Eigen::Index> m_z2Slots;
    std::vector<Eigen::Index> m_z3Slots;
    double m_sigma;
    double m_unitScale;  // of the units' centred deviations
};

}  // namespace tavi
