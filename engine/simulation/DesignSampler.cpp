#include "engine/simulation/DesignSampler.h"

#include <Eigen/Cholesky>
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace tavi {

namespace {

// F with F F' = the matrix of e's rows and columns `positions` (1-based). A pivoted LDL'
// decomposition, so that semidefinite matrices (a variance of 0, perfectly correlated
// variables) work too; negative pivots, which only a matrix that is no covariance matrix has,
// count as 0.
Eigen::MatrixXd factorOf(const Matrix& m, const std::vector<int>& positions) {
    const auto size = static_cast<Eigen::Index>(positions.size());
    Eigen::MatrixXd a(size, size);
    for (Eigen::Index i = 0; i < size; ++i) {
        for (Eigen::Index j = 0; j < size; ++j) {
            a(i, j) = m(positions[i], positions[j]);
        }
    }
    if (size == 0) {
        return a;
    }
    const Eigen::LDLT<Eigen::MatrixXd> ldlt(a);
    const Eigen::VectorXd root = ldlt.vectorD().cwiseMax(0.0).cwiseSqrt();
    const Eigen::MatrixXd lower = ldlt.matrixL();
    return ldlt.transpositionsP().transpose() * (lower * root.asDiagonal());
}

std::vector<int> range(int first, int last) {
    std::vector<int> positions;
    for (int i = first; i <= last; ++i) {
        positions.push_back(i);
    }
    return positions;
}

// x := F times standard normal draws.
void drawCorrelated(RandomStream& random, const Eigen::MatrixXd& factor, Eigen::VectorXd& draws,
                    Eigen::VectorXd& x) {
    for (Eigen::Index i = 0; i < draws.size(); ++i) {
        draws(i) = random.normal();
    }
    x.noalias() = factor * draws;
}

}  // namespace

DesignSampler::DesignSampler(const EngineState& e, std::int32_t N, std::int32_t n,
                             const Eigen::VectorXd& coefficients, const GroupSizeSettings& sizes)
    : m_N(sizes.sizes.empty() ? N : static_cast<std::int32_t>(sizes.sizes.size())),
      m_n(n),
      m_k1(e.k1),
      m_nRandom(e.nRandom),
      m_LenW3(e.LenW3),
      m_coefficients(coefficients),
      m_sigma(std::sqrt(std::fmax(e.Sigma2, 0.0))),
      m_sizes(sizes) {
    if (sizes.sizes.empty() && sizes.sizeCv > 0.0) {
        const auto planned = std::make_unique<GroupSizeSupport>();
        plannedGroupSizes(sizes, n, *planned);
        double cumulative = 0.0;
        for (int i = 0; i < planned->count; ++i) {
            cumulative += planned->weights[i];
            m_plannedSizes.push_back(planned->sizes[i]);
            m_plannedCumulative.push_back(cumulative);
        }
    }
    const int kw = e.LenW3 - 1;
    m_betweenMean.resize(kw + e.k1);
    for (int i = 0; i < kw; ++i) {
        m_betweenMean(i) = e.Mu3(i + 2, 1);
    }
    for (int i = 0; i < e.k1; ++i) {
        m_betweenMean(kw + i) = e.Mu1(i + 1, 1);
    }
    m_betweenFactor = factorOf(e.SigmaB, range(2, e.LenW3 + e.k1));
    // SigmaW without the constant at k1 + 1.
    std::vector<int> within = range(1, e.k1);
    for (int i = e.k1 + 2; i <= e.k1 + e.nRandom; ++i) {
        within.push_back(i);
    }
    m_withinFactor = factorOf(e.SigmaW, within);
    m_tauFactor = factorOf(e.Tau2, range(1, e.nRandom));
}

void DesignSampler::drawSizes(RandomStream& random, std::vector<std::int64_t>& sizes) const {
    sizes.assign(m_N, m_n);
    if (!m_sizes.inForce()) {
        return;
    }
    for (std::int32_t g = 0; g < m_N; ++g) {
        std::int64_t planned = m_sizes.sizes.empty() ? m_n : m_sizes.sizes[g];
        if (!m_plannedSizes.empty()) {
            // The last size takes what rounding leaves of the distribution function below 1.
            const double u = random.uniform() * m_plannedCumulative.back();
            const auto at =
                std::upper_bound(m_plannedCumulative.begin(), m_plannedCumulative.end() - 1, u);
            planned = std::llround(m_plannedSizes[at - m_plannedCumulative.begin()]);
        }
        std::int64_t kept = planned;
        if (m_sizes.dropout > 0.0) {
            kept = 0;
            for (std::int64_t i = 0; i < planned; ++i) {
                kept += random.uniform() < m_sizes.dropout ? 0 : 1;
            }
        }
        if (m_sizes.groupDropout > 0.0 && random.uniform() < m_sizes.groupDropout) {
            kept = 0;
        }
        sizes[g] = kept;
    }
}

bool DesignSampler::draw(RandomStream& random, TwoLevelData& data,
                         const std::atomic<bool>* stop) const {
    std::vector<std::int64_t> sizes;
    drawSizes(random, sizes);
    Eigen::Index units = 0;
    std::int32_t groups = 0;
    for (const std::int64_t size : sizes) {
        units += size;
        groups += size > 0 ? 1 : 0;
    }
    const Eigen::Index k = m_withinFactor.rows();
    const Eigen::Index kw = m_LenW3 - 1;
    data.X.resize(units, m_coefficients.size());
    data.Z.resize(units, m_nRandom);
    data.y.resize(units);
    data.groupStart.resize(groups + 1);

    Eigen::VectorXd betweenDraws(m_betweenFactor.cols());
    Eigen::VectorXd between(m_betweenFactor.rows());
    Eigen::VectorXd randomDraws(m_nRandom);
    Eigen::VectorXd randomEffects(m_nRandom);
    Eigen::VectorXd withinDraws(k);
    Eigen::VectorXd unit(k);
    Eigen::MatrixXd deviations;
    Eigen::VectorXd level2(m_LenW3);  // the constant, then the level-2 variables
    Eigen::Index first = 0;
    std::int32_t group = 0;
    for (const std::int64_t size : sizes) {
        if (stop != nullptr && stop->load(std::memory_order_relaxed)) {
            return false;
        }
        if (size == 0) {
            continue;
        }
        const auto m = static_cast<Eigen::Index>(size);
        data.groupStart[group++] = first;
        drawCorrelated(random, m_betweenFactor, betweenDraws, between);
        between += m_betweenMean;
        drawCorrelated(random, m_tauFactor, randomDraws, randomEffects);
        deviations.resize(m, k);
        for (Eigen::Index i = 0; i < m; ++i) {
            drawCorrelated(random, m_withinFactor, withinDraws, unit);
            deviations.row(i) = unit.transpose();
        }
        deviations.rowwise() -= deviations.colwise().mean();
        deviations *= m > 1 ? std::sqrt(static_cast<double>(m) / static_cast<double>(m - 1)) : 0.0;

        level2(0) = 1.0;
        level2.tail(kw) = between.head(kw);
        for (Eigen::Index i = 0; i < m; ++i) {
            const Eigen::Index row = first + i;
            for (int c = 0; c < m_k1; ++c) {
                data.X(row, c) = between(kw + c) + deviations(i, c);
            }
            data.Z(row, 0) = 1.0;
            for (int j = 1; j < m_nRandom; ++j) {
                data.Z(row, j) = deviations(i, m_k1 + j - 1);
            }
            for (int j = 0; j < m_nRandom; ++j) {
                for (int s = 0; s < m_LenW3; ++s) {
                    data.X(row, m_k1 + j * m_LenW3 + s) = data.Z(row, j) * level2(s);
                }
            }
            data.y(row) = data.X.row(row).dot(m_coefficients) + data.Z.row(row).dot(randomEffects) +
                          m_sigma * random.normal();
        }
        first += m;
    }
    data.groupStart[groups] = units;
    return true;
}

}  // namespace tavi
