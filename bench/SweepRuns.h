// The two ways the benchmarks run a sweep: tavi-calc in this process with its arguments, and
// the sweep's points computed one after the other on the calling thread, with no files and no
// other thread.
#pragma once

#include "app/CalcCommand.h"
#include "engine/run/CalculationRun.h"

#include <benchmark/benchmark.h>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace tavi {

// Runs tavi-calc with arguments (the program's name left out): its error output when it does
// not complete.
inline std::optional<std::string> calcFailure(const std::vector<const char*>& arguments) {
    std::ostringstream out;
    std::ostringstream err;
    const int status =
        runCalcCommand(static_cast<int>(arguments.size()), arguments.data(), out, err, false);
    if (status == kExitComplete) {
        return std::nullopt;
    }
    return err.str();
}

// Computes every point of the sweep of d on the calling thread, the design prepared anew.
inline void computeOnOneThread(const NestedDesign& d) {
    const auto design = prepareDesign(d);
    const auto work = design->information->newWork();
    for (std::int64_t k = 0; k < pointCount(d); ++k) {
        const PointCovariance covariance =
            design->information->compute(*work, pointAt(d.sizes, d.levels(), k));
        benchmark::DoNotOptimize(covariance.CovCoef.data[0]);
    }
}

}  // namespace tavi
