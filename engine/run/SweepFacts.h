// What the summary of a run's tests tells of its sweep, gathered as the points arrive, a table
// of them at a time: how many there are, the first, the largest group size, and for each tested
// quantity the points at which its df rule leaves no test and whether any point gives it a
// standard error.
#pragma once

#include "engine/SampleSizes.h"
#include "engine/power/DegreesOfFreedom.h"
#include "engine/power/SweepTable.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace tavi {

class SweepFacts {
public:
    // A sweep of a design of levels levels, with quantities tested quantities.
    SweepFacts(int levels, bool budgetMode, int quantities);

    // The next points, whose quantities have the degrees of freedom df.
    void add(const SweepTable& points, const DegreesOfFreedom& df);

    int levels() const { return m_levels; }
    bool budgetMode() const { return m_budgetMode; }
    std::int64_t points() const { return m_points; }
    const std::optional<SweepPoint>& first() const { return m_first; }
    int quantities() const { return static_cast<int>(m_untestable.size()); }
    // The largest n of any point; 0 before any.
    std::int32_t largestGroupSize() const { return m_largestGroupSize; }
    // The points at which quantity q's df is below 1.
    std::int64_t untestable(int q) const { return m_untestable[q]; }
    // Whether quantity q has a standard error at any point.
    bool anyStandardError(int q) const { return m_anyStandardError[q]; }

private:
    int m_levels;
    bool m_budgetMode;
    std::int64_t m_points = 0;
    std::optional<SweepPoint> m_first;
    std::int32_t m_largestGroupSize = 0;
    std::vector<std::int64_t> m_untestable;
    std::vector<bool> m_anyStandardError;
};

}  // namespace tavi
