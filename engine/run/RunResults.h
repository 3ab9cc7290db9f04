// What a run leaves for the tests of its coefficients: every point with its standard errors,
// the design's coefficients and their degrees of freedom, kept in memory as the run sweeps.
#pragma once

#include "engine/Coefficients.h"
#include "engine/DesignInformation.h"
#include "engine/NestedDesign.h"
#include "engine/power/DegreesOfFreedom.h"
#include "engine/power/SweepTable.h"
#include "engine/power/TestedQuantities.h"
#include "engine/run/DesignSweep.h"

#include <memory>
#include <optional>
#include <vector>

namespace tavi {

struct RunResults {
    SweepTable table;  // with the contrasts and joint tests asked for
    std::vector<Coefficient> coefficients;
    DegreesOfFreedom df;  // of the coefficients
    // The design prepared for computing, from which the points can be computed again, with the
    // sizes of its groups that the results assume.
    std::shared_ptr<const PreparedDesign> design;
    // With the sizes of the groups in force, point by point each coefficient's relative
    // efficiency against groups of equal size; otherwise empty.
    std::vector<double> efficiency;

    const GroupSizeSettings& sizes() const { return design->design.unequal; }
    double efficiencyAt(std::size_t point, int coefficient) const {
        return efficiency[point * coefficients.size() + coefficient];
    }
};

// Keeps the points of a run as it sweeps, with the coefficients and degrees of freedom of the
// design that the run read.
class SweepCollector : public SweepObserver {
public:
    // Keeps the coefficients only.
    SweepCollector() = default;
    // Keeps the tested quantities of tested as well, made for the design that the run reads.
    explicit SweepCollector(std::shared_ptr<const TestedQuantities> tested)
        : m_tested(std::move(tested)) {}

    void sweepStarts(const std::shared_ptr<const PreparedDesign>& design,
                     std::int64_t points) override;
    void pointDone(const ComputedPoint& point) override;

    // Empty until the sweep has started: a refused design has no results.
    std::optional<RunResults>& results() { return m_results; }

private:
    std::shared_ptr<const TestedQuantities> m_tested;
    std::optional<RunResults> m_results;
};

}  // namespace tavi
