// The joint tests of a run: at every point the F test of several tested quantities at once,
// with the noncentrality lambda = theta' C^-1 theta of the members' true values theta and the
// covariance C of their estimates, numerator df the number of members and denominator df the
// smallest df among them.
//
// C at N groups of n units is the covariance with one group divided by N, so lambda grows as N
// does, just as (effect / SE)^2 of a coefficient does. A joint test is therefore searched like
// a coefficient whose effect is 1 and whose standard error is lambda^-1/2: its power is the F
// test's, its exact MDES the detectable scale (the factor by which theta must be multiplied to
// reach the target power), and the best points and required numbers of groups follow as for a
// coefficient.
#pragma once

#include "engine/power/BestAllocation.h"
#include "engine/power/BudgetLine.h"
#include "engine/power/DegreesOfFreedom.h"
#include "engine/power/PointTests.h"
#include "engine/power/RequiredGroups.h"
#include "engine/power/SweepTable.h"
#include "engine/power/TestedQuantities.h"

#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace tavi {

// theta' C^-1 theta for C given as its packed lower triangle; NaN where C holds NaN or is not
// positive definite.
double jointNoncentrality(std::span<const double> packed, std::span<const double> theta);

class JointTests {
public:
    // The F tests of tested's joint tests under settings, their denominator df from jointDf
    // (an entry per joint test), their members' true values from effects (per tested quantity;
    // a member without one makes its test's noncentrality NaN).
    JointTests(const TestSettings& settings, DegreesOfFreedom jointDf,
               const std::shared_ptr<const TestedQuantities>& tested,
               const std::vector<std::optional<double>>& effects);

    int count() const { return static_cast<int>(m_theta.size()); }
    double numeratorDf(int j) const { return double(m_theta[j].size()); }
    // lambda of joint test j for its members' covariance packed.
    double noncentrality(int j, std::span<const double> packed) const {
        return jointNoncentrality(packed, m_theta[j]);
    }

    // The joint tests as columns of lambda^-1/2 at the points of table, for tests().
    SweepTable unitEffectTable(const SweepTable& table) const;
    // The same for the unit variances with one group: the columns of 1 / lambda.
    UnitVariances unitEffectVariances(const UnitVariances& unit) const;

    // The tests of those columns, each with effect 1: power is the F test's, mdesExact the
    // detectable scale, mdes NaN, df the denominator df.
    PointTests& tests() { return m_tests; }

private:
    std::vector<std::vector<double>> m_theta;
    PointTests m_tests;
};

// What a run's joint tests are planned on. Entries are indexed by joint test; their se is
// lambda^-1/2 at the point.
struct JointAnswers {
    // Per joint test: its highest_power point, then its cheapest_for_power.
    std::vector<BestPoint> best;
    // Per joint test, its required groups at every group size searched.
    std::vector<RequiredGroups> required;
};

}  // namespace tavi
