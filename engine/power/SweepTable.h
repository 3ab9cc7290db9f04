// The sample-size points of a run with the standard error of every coefficient and contrast,
// and the covariance matrix of each joint test's members, held in memory so that power, MDES
// and the best allocation can be computed over them without files.
#pragma once

#include "engine/EngineState.h"
#include "engine/power/TestedQuantities.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace tavi {

struct SweepPoint {
    std::int32_t N = 0;     // groups; in a three-level design, sites
    std::int32_t n = 0;     // units per group
    std::int64_t cost = 0;  // budget mode: N (n + CostParameter); otherwise 0
    std::int32_t J = 0;     // in a three-level design, groups per site; otherwise 0

    bool operator==(const SweepPoint&) const = default;
};

// The level-1 units of a point: N*n, or K*J*n for three levels.
std::int64_t unitsOf(const SweepPoint& point);

class SweepTable {
public:
    // A table of the given number of coefficients, without contrasts or joint tests.
    SweepTable(int coefficients, bool budgetMode, bool threeLevel = false);
    // A table of the tested quantities.
    SweepTable(std::shared_ptr<const TestedQuantities> tested, bool budgetMode,
               bool threeLevel = false);

    // Adds a point; se holds one standard error per column, NaN where there is none. A point
    // without groups has none: its information is zero, whatever its inverse says.
    void add(const SweepPoint& point, std::span<const double> se);

    // Adds the engine's current point with the standard errors of its coefficients and
    // contrasts, NaN where the report shows its marker and at a point without groups, and the
    // covariances of the joint tests' members.
    void addCurrent(const EngineState& e, std::int64_t cost);

    // The columns: the coefficients, then the contrasts.
    int coefficients() const { return m_coefficients; }
    const std::shared_ptr<const TestedQuantities>& tested() const { return m_tested; }
    bool budgetMode() const { return m_budgetMode; }
    bool threeLevel() const { return m_threeLevel; }
    std::size_t size() const { return m_points.size(); }
    const SweepPoint& point(std::size_t i) const { return m_points[i]; }
    double se(std::size_t i, int coefficient) const {
        return m_se[i * m_coefficients + coefficient];
    }
    // Joint test j's members' covariance at point i, packed as TestedQuantities packs it.
    std::span<const double> jointCovariance(std::size_t i, int j) const { return m_joint.at(i, j); }

private:
    std::shared_ptr<const TestedQuantities> m_tested;
    int m_coefficients;
    bool m_budgetMode;
    bool m_threeLevel;
    std::vector<SweepPoint> m_points;
    std::vector<double> m_se;  // point by point, m_coefficients each
    JointCovariances m_joint;
};

}  // namespace tavi
