// What a run leaves for the tests of its coefficients: every point with its standard errors,
// the design's coefficients and their degrees of freedom, kept in memory as the run sweeps.
#pragma once

#include "engine/Coefficients.h"
#include "engine/power/DegreesOfFreedom.h"
#include "engine/power/SweepTable.h"
#include "engine/power/TestedQuantities.h"
#include "engine/run/CalculationRun.h"

#include <memory>
#include <optional>
#include <vector>

namespace tavi {

struct RunResults {
    SweepTable table;  // with the contrasts and joint tests asked for
    std::vector<Coefficient> coefficients;
    std::int32_t k1;  // level-1 variables with a fixed effect only, for the coefficients' titles
    DegreesOfFreedom df;  // of the coefficients
    // The design with its run constants, from which the points can be computed again.
    std::shared_ptr<const EngineState> design;
    // The sizes of the groups, for the assumptions the results rest on; none in force when every
    // group has n units.
    GroupSizeSettings sizes;
    // With sizes in force, point by point each coefficient's relative efficiency against groups
    // of equal size; otherwise empty.
    std::vector<double> efficiency;

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

    void sweepStarts(const EngineState& design, std::int64_t points) override;
    void pointDone(const EngineState& e, std::int64_t cost) override;
    void groupSizesInForce(const GroupSizeSettings& sizes) override;
    void unequalPointDone(const EngineState& e, std::int64_t cost,
                          const Vector& efficiency) override;

    // Empty until the sweep has started: a refused design has no results.
    std::optional<RunResults>& results() { return m_results; }

private:
    std::shared_ptr<const TestedQuantities> m_tested;
    std::optional<RunResults> m_results;
    GroupSizeSettings m_sizes;
};

}  // namespace tavi
