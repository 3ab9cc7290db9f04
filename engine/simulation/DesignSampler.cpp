#include "engine/simulation/DesignSampler.h"

#include "engine/Coefficients.h"
#include "engine/simulation/CovarianceFactor.h"

#include <cmath>
#include <limits>

namespace tavi {

namespace {

using Eigen::Index;
using Eigen::MatrixXd;
using Eigen::VectorXd;

// F with F F' = the leading square of m of this order.
MatrixXd factorOf(const Matrix& m, Index order) {
    MatrixXd a(order, order);
    for (Index i = 0; i < order; ++i) {
        for (Index j = 0; j < order; ++j) {
            a(i, j) = m(static_cast<int>(i) + 1, static_cast<int>(j) + 1);
        }
    }
    return covarianceFactor(a);
}

// The slot of variable v among a unit's values; -1, the constant, has slot 0.
Index slotOf(std::int32_t v) {
    return v + 1;
}

using IndexOf = std::int32_t (*)(const NestedModel&, std::int32_t);

// The slots of the variables v that stand at indexOf(m, v) > 0 of a matrix, in its order, which
// is theirs.
std::vector<Index> slotsIn(const NestedModel& m, IndexOf indexOf) {
    std::vector<Index> slots;
    for (std::int32_t v = 0; v < m.p1 + m.p2 + m.p3; ++v) {
        if (indexOf(m, v) > 0) {
            slots.push_back(slotOf(v));
        }
    }
    return slots;
}

// The slots of a level's random effects: the constant's, then those of the variables whose
// slopes vary there, which stand at indexOf(m, v) > 0 of its covariance matrix.
std::vector<Index> effectSlots(const NestedModel& m, IndexOf indexOf) {
    std::vector<Index> slots = slotsIn(m, indexOf);
    slots.insert(slots.begin(), 0);
    return slots;
}

// Centred draws of count rows have (count - 1) / count of their covariance on average: the scale
// that restores it, or a tiny one that keeps a single row at 0.
double centredScale(Index count) {
    return count > 1 ? std::sqrt(static_cast<double>(count) / static_cast<double>(count - 1))
                     : std::numeric_limits<double>::min();
}

}  // namespace

// Working space of one draw: the standard normal draws and their product with a factor, and
// the parts, values and random effects of the site and group under way.
struct DesignSampler::Draws {
    VectorXd normals;
    VectorXd correlated;
    MatrixXd siteParts;
    MatrixXd groupParts;
    MatrixXd unitParts;
    VectorXd siteEffects;
    VectorXd groupEffects;
    VectorXd siteValues;
    VectorXd groupValues;
    VectorXd unitValues;

    // count rows of F times standard normal draws into parts; where centred (scale above 0),
    // centred over the rows and scaled by scale.
    void drawParts(RandomStream& random, const MatrixXd& factor, Index count, double scale,
                   MatrixXd& parts) {
        normals.resize(factor.cols());
        parts.resize(count, factor.rows());
        // A level without parts has no storage, and a row of no storage is no row at all.
        if (factor.rows() == 0) {
            return;
        }
        for (Index i = 0; i < count; ++i) {
            for (Index j = 0; j < normals.size(); ++j) {
                normals(j) = random.normal();
            }
            correlated.noalias() = factor * normals;
            parts.row(i) = correlated.transpose();
        }
        if (scale > 0.0) {
            parts.rowwise() -= parts.colwise().mean();
            parts *= scale;
        }
    }

    // Random effects: F times standard normal draws.
    void drawEffects(RandomStream& random, const MatrixXd& factor, VectorXd& effects) {
        normals.resize(factor.cols());
        for (Index j = 0; j < normals.size(); ++j) {
            normals(j) = random.normal();
        }
        effects.noalias() = factor * normals;
    }
};

DesignSampler::LevelParts DesignSampler::partsOf(const NestedModel& m, const Matrix& covariance,
                                                 bool top,
                                                 std::int32_t (*indexOf)(const NestedModel&,
                                                                         std::int32_t)) {
    LevelParts parts;
    parts.slots = slotsIn(m, indexOf);
    const auto order = static_cast<Index>(parts.slots.size());
    parts.factor = factorOf(covariance, order);
    parts.mean = VectorXd::Zero(order);
    for (Index i = 0; top && i < order; ++i) {
        parts.mean(i) = m.Means(static_cast<int>(i) + 1);
    }
    return parts;
}

DesignSampler::DesignSampler(const NestedDesign& d, const SweepPoint& point,
                             const Eigen::VectorXd& coefficients)
    : m_sites(d.levels() == 3),
      m_sizes(d.unequal, point, d.levels()),
      m_coefficients(coefficients),
      m_slotCount(1 + d.model.p1 + d.model.p2 + d.model.p3),
      m_sigma(std::sqrt(std::fmax(d.model.Sigma2, 0.0))),
      m_unitScale(point.n > 1 ? centredScale(point.n) : 1.0) {
    const NestedModel& m = d.model;
    if (m_sites) {
        m_siteParts = partsOf(m, m.SiteCov, true, betweenSitesIndex);
        m_tau3Factor = factorOf(m.Tau3, level3Effects(m));
        m_z3Slots = effectSlots(m, level3EffectIndex);
    }
    m_groupParts = partsOf(m, m.BetweenCov, !m_sites, betweenGroupsIndex);
    m_unitParts = partsOf(m, m.WithinCov, false, withinIndex);
    m_tau2Factor = factorOf(m.Tau2, level2Effects(m));
    m_z2Slots = effectSlots(m, level2EffectIndex);
    for (const DesignTerm& term : designTerms(m)) {
        m_termSlots.push_back({slotOf(term.first), slotOf(term.second)});
    }
}

void DesignSampler::LevelParts::addTo(const MatrixXd& parts, Index r, VectorXd& values) const {
    for (Index j = 0; j < parts.cols(); ++j) {
        values(slots[j]) += mean(j) + parts(r, j);
    }
}

void DesignSampler::drawGroup(RandomStream& random, const VectorXd& above, Index units, Index first,
                              Draws& w, NestedData& data) const {
    w.drawEffects(random, m_tau2Factor, w.groupEffects);
    w.drawParts(random, m_unitParts.factor, units, m_unitScale, w.unitParts);
    for (Index i = 0; i < units; ++i) {
        const Index row = first + i;
        w.unitValues = above;
        m_unitParts.addTo(w.unitParts, i, w.unitValues);
        for (std::size_t c = 0; c < m_termSlots.size(); ++c) {
            data.X(row, static_cast<Index>(c)) =
                w.unitValues(m_termSlots[c][0]) * w.unitValues(m_termSlots[c][1]);
        }
        for (std::size_t j = 0; j < m_z2Slots.size(); ++j) {
            data.Z2(row, static_cast<Index>(j)) = w.unitValues(m_z2Slots[j]);
        }
        for (std::size_t j = 0; j < m_z3Slots.size(); ++j) {
            data.Z3(row, static_cast<Index>(j)) = w.unitValues(m_z3Slots[j]);
        }
        const double siteEffect = m_sites ? data.Z3.row(row).dot(w.siteEffects) : 0.0;
        data.y(row) = data.X.row(row).dot(m_coefficients) + data.Z2.row(row).dot(w.groupEffects) +
                      siteEffect + m_sigma * random.normal();
    }
}

bool DesignSampler::draw(RandomStream& random, NestedData& data,
                         const std::atomic<bool>* stop) const {
    DataSetSizes sizes;
    m_sizes.draw(random, sizes);
    Index units = 0;
    for (const std::int64_t size : sizes.groupUnits) {
        units += size;
    }
    const auto groups = static_cast<Index>(sizes.groupUnits.size());
    data.X.resize(units, m_coefficients.size());
    data.Z2.resize(units, static_cast<Index>(m_z2Slots.size()));
    data.Z3.resize(units, static_cast<Index>(m_z3Slots.size()));
    data.y.resize(units);
    data.groupStart.resize(groups + 1);
    data.siteStart.clear();

    Draws w;
    w.siteValues = VectorXd::Zero(m_slotCount);
    w.siteValues(0) = 1.0;
    w.siteEffects.resize(0);
    Index group = 0;
    Index first = 0;
    for (const std::int64_t siteGroups : sizes.siteGroups) {
        if (m_sites) {
            data.siteStart.push_back(group);
            w.drawParts(random, m_siteParts.factor, 1, 0.0, w.siteParts);
            w.siteValues.tail(m_slotCount - 1).setZero();
            m_siteParts.addTo(w.siteParts, 0, w.siteValues);
            w.drawEffects(random, m_tau3Factor, w.siteEffects);
            w.drawParts(random, m_groupParts.factor, siteGroups, centredScale(siteGroups),
                        w.groupParts);
        }
        for (Index g = 0; g < siteGroups; ++g, ++group) {
            if (stop != nullptr && stop->load(std::memory_order_relaxed)) {
                return false;
            }
            // Without sites the groups are the top level, each drawn on its own.
            if (!m_sites) {
                w.drawParts(random, m_groupParts.factor, 1, 0.0, w.groupParts);
            }
            w.groupValues = w.siteValues;
            m_groupParts.addTo(w.groupParts, m_sites ? g : 0, w.groupValues);
            const auto size = static_cast<Index>(sizes.groupUnits[group]);
            data.groupStart[group] = first;
            drawGroup(random, w.groupValues, size, first, w, data);
            first += size;
        }
    }
    data.groupStart[groups] = units;
    if (m_sites) {
        data.siteStart.push_back(groups);
    }
    return true;
}

}  // namespace tavi
