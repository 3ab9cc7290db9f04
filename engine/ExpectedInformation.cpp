#include "engine/ExpectedInformation.h"

#include "engine/CovarianceComputation.h"
#include "engine/MatrixRoutines.h"

namespace tavi {

void expectedGroupOf(const EngineState& e, const GroupSizeSupport& sizes, double n,
                     ExpectedGroup& group) {
    const int nRandom = e.nRandom;
    Matrix precision;
    for (int i = 1; i <= nRandom; ++i) {
        for (int j = 1; j <= nRandom; ++j) {
            group.meanPrecision(i, j) = 0.0;
        }
    }
    group.meanSize = 0.0;
    group.meanWithin = 0.0;
    for (int k = 0; k < sizes.count; ++k) {
        const double units = sizes.sizes[k];
        const double weight = sizes.weights[k];
        // An empty group has no precision: Tau2 + (Sigma2 / n) InvMomR grows without bound.
        if (!(units > 0.0) || weight == 0.0) {
            continue;
        }
        const double within = withinUnitsOf(units, n);
        groupPrecisionAt(e, units, within, precision);
        for (int i = 1; i <= nRandom; ++i) {
            for (int j = 1; j <= nRandom; ++j) {
                group.meanPrecision(i, j) += weight * precision(i, j);
            }
        }
        group.meanSize += weight * units;
        group.meanWithin += weight * within;
    }
}

void computeFromExpectedGroup(EngineState& e, const ExpectedGroup& group, double groups) {
    blocksFromPrecision(e, group.meanWithin, group.meanPrecision, e.FixedBlock, e.CrossBlock,
                        e.RandomBlock);
    assembleScaled(e, groups, e.InfoMatrix);
    InvertMatrix(e.CovCoef, e.InfoMatrix, e.NumCoef);
}

void computeExpectedPoint(EngineState& e, const GroupSizeSupport& sizes, double n, double groups) {
    ExpectedGroup group;
    expectedGroupOf(e, sizes, n, group);
    computeFromExpectedGroup(e, group, groups);
}

void expectedGroupAt(const EngineState& e, const GroupSizeSettings& settings, std::int32_t n,
                     SizedPointWork& work) {
    groupSizesAt(settings, n, work.planned, work.sizes);
    expectedGroupOf(e, work.sizes, n, work.group);
}

void computeSizedPoint(EngineState& e, const GroupSizeSettings& settings, std::int32_t n,
                       std::int32_t N, SizedPointWork& work, Vector& efficiency) {
    e.GroupSize = n;
    e.NumGroups = N;
    const double groups = expectedGroups(settings, N);
    work.equal.meanSize = work.group.meanSize;
    work.equal.meanWithin = withinUnitsOf(work.equal.meanSize, n);
    groupPrecisionAt(e, work.equal.meanSize, work.equal.meanWithin, work.equal.meanPrecision);
    computeFromExpectedGroup(e, work.equal, groups);
    Vector equalSe{};
    for (int i = 1; i <= e.NumCoef; ++i) {
        equalSe(i) = usableStandardError(e, i);
    }
    computeFromExpectedGroup(e, work.group, groups);
    for (int i = 1; i <= e.NumCoef; ++i) {
        const double ratio = equalSe(i) / usableStandardError(e, i);
        efficiency(i) = ratio * ratio;
    }
}

void ExpectedGroupCache::fill(const EngineState& e, const GroupSizeSettings& settings,
                              std::int32_t n, SizedPointWork& work) {
    {
        const std::lock_guard lock(m_mutex);
        for (const Entry& entry : m_entries) {
            if (entry.n == n) {
                work.group = entry.group;
                return;
            }
        }
    }
    expectedGroupAt(e, settings, n, work);
    const std::lock_guard lock(m_mutex);
    m_entries[m_next] = {n, work.group};
    m_next = (m_next + 1) % m_entries.size();
}

}  // namespace tavi
