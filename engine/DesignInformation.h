// The information matrix of a design at a sample-size point, whatever its levels: one interface
// over the two-level computation (GroupBlocks, AssembleInfo, InvertMatrix on the engine state)
// and the three-level one (the site blocks), so that every sweep, table and search is written
// once. A design is prepared once; each thread then computes points in a work of its own.
#pragma once

#include "engine/Coefficients.h"
#include "engine/EngineState.h"
#include "engine/Matrix.h"
#include "engine/NestedDesign.h"
#include "engine/SampleSizes.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace tavi {

// The information and covariance matrices of the estimates at one point, of order NumCoef; they
// stay valid until the work they were computed in computes another point.
struct PointCovariance {
    const Matrix& InfoMatrix;
    const Matrix& CovCoef;
    std::int32_t NumCoef;
};

// The standard error of coefficient i (1-based) for the tests and tables: usableStandardError
// of its diagonal elements.
double usableStandardError(const PointCovariance& covariance, int i);

// Working space of one point in flight.
class PointWork {
public:
    virtual ~PointWork() = default;
};

class DesignInformation {
public:
    virtual ~DesignInformation() = default;

    virtual std::int32_t coefficientCount() const = 0;
    // Working space for the points of one thread.
    virtual std::unique_ptr<PointWork> newWork() const = 0;

    // The point with groups of exactly n units, and with three levels sites of exactly J groups.
    // A point without top-level units has a zero information matrix. Allocates nothing.
    virtual PointCovariance compute(PointWork& work, const SweepPoint& point) const = 0;

    // The point with the design's sizes (which must be in force): the expected information of
    // its groups and sites, and in efficiency(i) coefficient i's relative efficiency against
    // groups (and sites) of equal size with the same expected numbers of units, groups and sites
    // (NaN where either has no standard error).
    virtual PointCovariance computeWithSizes(PointWork& work, const SweepPoint& point,
                                             Vector& efficiency) const = 0;

    // A two-level design's engine state with its run constants, which the report of its
    // parameter file shows; nullptr for a design of other levels.
    virtual const EngineState* engineState() const { return nullptr; }
};

// A design prepared for computing: the design, its coefficients and its information. Only read
// once made, so that one serves every thread.
struct PreparedDesign {
    NestedDesign design;
    std::vector<Coefficient> coefficients;
    std::unique_ptr<const DesignInformation> information;

    std::int32_t NumCoef() const { return information->coefficientCount(); }
};

// Prepares d, a design held by the model whose residual variance allows its computation (not 0
// where the two-level computation divides by it, above 0 for three levels).
std::shared_ptr<const PreparedDesign> prepareDesign(NestedDesign d);

}  // namespace tavi
