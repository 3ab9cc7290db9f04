#include "engine/GroupKindsInformation.h"

#include "engine/CovarianceComputation.h"
#include "engine/EngineLayout.h"
#include "engine/MatrixRoutines.h"

#include <stdexcept>
#include <vector>

namespace tavi {

namespace {

class GroupKindsInformation final : public DesignInformation {
public:
    explicit GroupKindsInformation(const NestedDesign& d) {
        NestedDesign kindDesign = d;
        for (const GroupKind& kind : d.kinds->kinds) {
            kindDesign.model = kindModel(d.model, d.kinds->armVariable, kind);
            auto state = std::make_unique<EngineState>();
            loadEngineDesign(kindDesign, *state);
            prepareRunConstants(*state);
            m_kinds.push_back({kind.share, kind.groupSize, std::move(state)});
        }
    }

    std::int32_t coefficientCount() const override { return m_kinds.front().state->NumCoef; }

    std::unique_ptr<PointWork> newWork() const override {
        auto work = std::make_unique<Work>();
        for (const Kind& kind : m_kinds) {
            work->states.push_back(std::make_unique<EngineState>(*kind.state));
        }
        return work;
    }

    // Each kind's groups in its own engine state, their information summed before the one
    // inversion.
    PointCovariance compute(PointWork& work, const SweepPoint& point) const override {
        Work& w = static_cast<Work&>(work);
        const std::int32_t order = coefficientCount();
        for (int i = 1; i <= order; ++i) {
            for (int j = 1; j <= order; ++j) {
                w.InfoMatrix(i, j) = 0.0;
            }
        }
        for (std::size_t k = 0; k < m_kinds.size(); ++k) {
            const Kind& kind = m_kinds[k];
            EngineState& e = *w.states[k];
            const double units = kind.groupSize.value_or(point.n);
            const double within = withinUnitsOf(units, units);
            groupPrecisionAt(e, units, within, w.precision);
            blocksFromPrecision(e, within, w.precision, e.FixedBlock, e.CrossBlock, e.RandomBlock);
            assembleScaled(e, kind.share * point.N, e.InfoMatrix);
            MatAdd(w.InfoMatrix, w.InfoMatrix, e.InfoMatrix, order, order);
        }
        InvertMatrix(w.CovCoef, w.InfoMatrix, order);
        return {w.InfoMatrix, w.CovCoef, order};
    }

    // Groups of several kinds do not yet vary in size within a kind; no reader gives both.
    PointCovariance computeWithSizes(PointWork&, const SweepPoint&, Vector&) const override {
        throw std::logic_error("unequal sizes of groups of several kinds");
    }

private:
    struct Kind {
        double share;
        std::optional<std::int32_t> groupSize;
        std::unique_ptr<const EngineState> state;
    };
    struct Work final : PointWork {
        std::vector<std::unique_ptr<EngineState>> states;
        Matrix precision;
        Matrix InfoMatrix;
        Matrix CovCoef;
    };

    std::vector<Kind> m_kinds;
};

}  // namespace

std::unique_ptr<const DesignInformation> groupKindsInformation(const NestedDesign& d) {
    if (d.levels() != 2 || !d.kinds || d.kinds->kinds.empty()) {
        throw std::invalid_argument("groups of several kinds need a two-level design");
    }
    return std::make_unique<GroupKindsInformation>(d);
}

}  // namespace tavi
