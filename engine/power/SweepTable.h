// The sample-size points of a run with the standard error of every coefficient and contrast,
// and the covariance matrix of each joint test's members, held in memory so that power, MDES
// and the best allocation can be computed over them without files.
#pragma once

#include "engine/DesignInformation.h"
#include "engine/SampleSizes.h"
#include "engine/power/TestedQuantities.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace tavi {

class SweepTable {
public:
    // A table of the given number of coefficients, without contrasts or joint tests, of a
    // design with levels levels.
    SweepTable(int coefficients, bool budgetMode, int levels = 2);
    // A table of the tested quantities.
    SweepTable(std::shared_ptr<const TestedQuantities> tested, bool budgetMode, int levels = 2);

    // Adds a point; se holds one standard error per column, NaN where there is none. A point
    // without groups has none: its information is zero, whatever its inverse says.
    void add(const SweepPoint& point, std::span<const double> se);

    // Adds point with the standard errors of its coefficients and contrasts from its covariance,
    // NaN where the report shows its marker and at a point without groups, and the covariances
    // of the joint tests' members.
    void add(const SweepPoint& point, const PointCovariance& covariance);

    // Forgets every point, keeping the columns.
    void clear();

    // The columns: the coefficients, then the contrasts.
    int coefficients() const { return m_coefficients; }
    const std::shared_ptr<const TestedQuantities>& tested() const { return m_tested; }
    bool budgetMode() const { return m_budgetMode; }
    // 2 (points N, n) or 3 (points K, J, n).
    int levels() const { return m_levels; }
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
    int m_levels;
    std::vector<SweepPoint> m_points;
    std::vector<double> m_se;  // point by point, m_coefficients each
    JointCovariances m_joint;
};

}  // namespace tavi
