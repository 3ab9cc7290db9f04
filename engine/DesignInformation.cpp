#include "engine/DesignInformation.h"

#include "engine/CovarianceComputation.h"
#include "engine/EngineLayout.h"
#include "engine/ExpectedInformation.h"
#include "engine/GroupKindsInformation.h"
#include "engine/GroupSizeDistribution.h"
#include "engine/PeriodInformation.h"
#include "engine/SiteInformation.h"

#include <stdexcept>

namespace tavi {

namespace {

// Two levels: the engine state's group blocks, N groups of n units.
class GroupBlocksInformation final : public DesignInformation {
public:
    explicit GroupBlocksInformation(const NestedDesign& d)
        : m_state(std::make_unique<EngineState>()), m_sizes(d.unequal) {
        loadEngineDesign(d, *m_state);
        prepareRunConstants(*m_state);
    }

    std::int32_t coefficientCount() const override { return m_state->NumCoef; }

    std::unique_ptr<PointWork> newWork() const override { return std::make_unique<Work>(*m_state); }

    PointCovariance compute(PointWork& work, const SweepPoint& point) const override {
        EngineState& e = static_cast<Work&>(work).state;
        computePoint(e, point.n, point.N);
        return {e.InfoMatrix, e.CovCoef, e.NumCoef};
    }

    PointCovariance computeWithSizes(PointWork& work, const SweepPoint& point,
                                     Vector& efficiency) const override {
        Work& w = static_cast<Work&>(work);
        m_cache.fill(w.state, m_sizes, point.n, w.sized);
        computeSizedPoint(w.state, m_sizes, point.n, point.N, w.sized, efficiency);
        return {w.state.InfoMatrix, w.state.CovCoef, w.state.NumCoef};
    }

    const EngineState* engineState() const override { return m_state.get(); }

private:
    struct Work final : PointWork {
        explicit Work(const EngineState& design) : state(design) {}
        EngineState state;
        SizedPointWork sized;
    };

    std::unique_ptr<EngineState> m_state;
    GroupSizeSettings m_sizes;
    mutable ExpectedGroupCache m_cache;
};

// Three levels: K sites of J groups of n units through the site blocks.
class SiteBlocksInformation final : public DesignInformation {
public:
    explicit SiteBlocksInformation(const NestedDesign& d)
        : m_design(std::make_unique<SitesDesign>()), m_sizes(d.unequal) {
        prepareSitesDesign(d.model, *m_design);
    }

    std::int32_t coefficientCount() const override { return m_design->NumCoef; }

    std::unique_ptr<PointWork> newWork() const override { return std::make_unique<Work>(); }

    PointCovariance compute(PointWork& work, const SweepPoint& point) const override {
        SitesPoint& p = static_cast<Work&>(work).point;
        computeSitesPoint(*m_design, p, point.N, point.J, point.n);
        return {p.InfoMatrix, p.CovCoef, m_design->NumCoef};
    }

    PointCovariance computeWithSizes(PointWork& work, const SweepPoint& point,
                                     Vector& efficiency) const override {
        Work& w = static_cast<Work&>(work);
        SitesPoint& p = w.point;
        groupSizesAt(m_sizes, point.n, w.planned, w.sizes);
        siteCountsAt(m_sizes, point.J, w.plannedCounts, w.counts);
        // As many units and groups, on average, in groups and sites of equal size.
        w.planned.clear();
        w.planned.add(w.sizes.mean(), 1.0);
        w.plannedCounts.clear();
        w.plannedCounts.add(w.counts.mean(), 1.0);
        computeSitesWithSizes(*m_design, p, point.N, w.planned, point.n, w.plannedCounts);
        Vector equalSe{};
        for (int i = 1; i <= m_design->NumCoef; ++i) {
            equalSe(i) = usableStandardError(p.InfoMatrix(i, i), p.CovCoef(i, i));
        }
        computeSitesWithSizes(*m_design, p, point.N, w.sizes, point.n, w.counts);
        for (int i = 1; i <= m_design->NumCoef; ++i) {
            const double ratio =
                equalSe(i) / usableStandardError(p.InfoMatrix(i, i), p.CovCoef(i, i));
            efficiency(i) = ratio * ratio;
        }
        return {p.InfoMatrix, p.CovCoef, m_design->NumCoef};
    }

private:
    struct Work final : PointWork {
        SitesPoint point;
        GroupSizeSupport planned;
        GroupSizeSupport sizes;
        GroupSizeSupport plannedCounts;
        GroupSizeSupport counts;
    };

    std::unique_ptr<SitesDesign> m_design;
    GroupSizeSettings m_sizes;
};

// A cluster design over periods: K clusters over the sequences, n units in each cluster-period.
class PeriodBlocksInformation final : public DesignInformation {
public:
    explicit PeriodBlocksInformation(const NestedDesign& d) : m_periods(*d.periods) {}

    std::int32_t coefficientCount() const override { return m_periods.coefficientCount(); }

    std::unique_ptr<PointWork> newWork() const override { return std::make_unique<Work>(); }

    PointCovariance compute(PointWork& work, const SweepPoint& point) const override {
        PeriodPoint& p = static_cast<Work&>(work).point;
        computePeriodPoint(m_periods, p, point.N, point.n);
        return {p.InfoMatrix, p.CovCoef, coefficientCount()};
    }

    // The checks of a run refuse unequal sizes for these designs before any point is computed.
    PointCovariance computeWithSizes(PointWork&, const SweepPoint&, Vector&) const override {
        throw std::logic_error("unequal sizes of a cluster design over periods");
    }

private:
    struct Work final : PointWork {
        PeriodPoint point;
    };

    ClusterPeriods m_periods;
};

}  // namespace

double usableStandardError(const PointCovariance& covariance, int i) {
    return usableStandardError(covariance.InfoMatrix(i, i), covariance.CovCoef(i, i));
}

std::shared_ptr<const PreparedDesign> prepareDesign(NestedDesign d) {
    auto prepared = std::make_shared<PreparedDesign>();
    prepared->coefficients = coefficientsOf(d.model, variableNames(d));
    if (d.periods) {
        prepared->information = std::make_unique<PeriodBlocksInformation>(d);
    } else if (d.kinds) {
        prepared->information = groupKindsInformation(d);
    } else if (d.levels() == 3) {
        prepared->information = std::make_unique<SiteBlocksInformation>(d);
    } else {
        prepared->information = std::make_unique<GroupBlocksInformation>(d);
    }
    prepared->design = std::move(d);
    return prepared;
}

}  // namespace tavi
