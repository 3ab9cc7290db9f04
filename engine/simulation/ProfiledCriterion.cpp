#include "engine/simulation/ProfiledCriterion.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace tavi {

namespace {

using Eigen::Index;
using Eigen::MatrixXd;
using Eigen::VectorXd;

// X' V^-1 X counts as singular, the fixed part as not estimable, when a pivot of its Cholesky
// factor is below this share of the largest: a condition number beyond about 1e14.
constexpr double kSmallestPivotShare = 1.0e-7;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Once per group, so that even a fit of many groups with many random effects, whose single
// evaluation of the criterion takes long, stops at once.
void checkStop(const std::atomic<bool>* stop) {
    if (stop != nullptr && stop->load(std::memory_order_relaxed)) {
        throw FitStopped{};
    }
}

Index triangle(Index order) {
    return order * (order + 1) / 2;
}

// The lower triangle of L, column by column, from theta at first.
void unpack(const VectorXd& theta, Index first, MatrixXd& L) {
    Index next = first;
    for (Index j = 0; j < L.cols(); ++j) {
        for (Index i = j; i < L.rows(); ++i) {
            L(i, j) = theta(next++);
        }
    }
}

void pack(const MatrixXd& full, Index first, VectorXd& theta) {
    Index next = first;
    for (Index j = 0; j < full.cols(); ++j) {
        for (Index i = j; i < full.rows(); ++i) {
            theta(next++) = full(i, j);
        }
    }
}

}  // namespace

ProfiledCriterion::ProfiledCriterion(const NestedData& data, const std::atomic<bool>* stop)
    : m_stop(stop), m_q2(data.Z2.cols()), m_q3(data.Z3.cols()), m_p(data.X.cols()) {
    const auto groups = static_cast<Index>(data.groupStart.size()) - 1;
    m_siteStart = data.siteStart.empty() ? std::vector<Index>{0, groups} : data.siteStart;
    for (Index g = 0; g < groups; ++g) {
        checkStop(stop);
        const Index first = data.groupStart[g];
        const Index size = data.groupStart[g + 1] - first;
        const auto Z = data.Z2.middleRows(first, size);
        m_ZZ.emplace_back(Z.transpose() * Z);
        m_ZX.emplace_back(Z.transpose() * data.X.middleRows(first, size));
        m_Zy.emplace_back(Z.transpose() * data.y.segment(first, size));
        m_ZZ3.emplace_back(m_q3 > 0 ? MatrixXd(Z.transpose() * data.Z3.middleRows(first, size))
                                    : MatrixXd(m_q2, 0));
    }
    const auto sites = static_cast<Index>(m_siteStart.size()) - 1;
    for (Index s = 0; s < sites && m_q3 > 0; ++s) {
        const Index first = data.groupStart[m_siteStart[s]];
        const Index size = data.groupStart[m_siteStart[s + 1]] - first;
        const auto Z = data.Z3.middleRows(first, size);
        m_SS.emplace_back(Z.transpose() * Z);
        m_SX.emplace_back(Z.transpose() * data.X.middleRows(first, size));
        m_Sy.emplace_back(Z.transpose() * data.y.segment(first, size));
    }
    m_XX = data.X.transpose() * data.X;
    m_Xy = data.X.transpose() * data.y;
    m_yy = data.y.squaredNorm();
    m_units = data.y.size();
    m_M2.assign(groups, MatrixXd(m_q2, m_q2));
    m_M3.assign(sites, MatrixXd(m_q3, m_q3));
    m_siteW.assign(sites, MatrixXd(m_q3, m_q3));
    m_siteP.assign(sites, MatrixXd(m_q3, m_p));
    m_siteR.assign(sites, VectorXd(m_q3));
}

Index ProfiledCriterion::parameters() const {
    return triangle(m_q2) + triangle(m_q3);
}

VectorXd ProfiledCriterion::start() const {
    VectorXd theta = VectorXd::Zero(parameters());
    for (const Index i : diagonalPositions()) {
        theta(i) = 0.5;
    }
    return theta;
}

std::vector<Index> ProfiledCriterion::diagonalPositions() const {
    std::vector<Index> positions;
    Index next = 0;
    for (const Index order : {m_q2, m_q3}) {
        for (Index j = 0; j < order; ++j) {
            positions.push_back(next);
            next += order - j;
        }
    }
    return positions;
}

void ProfiledCriterion::setFactors(const VectorXd& theta) {
    m_L2.setZero(m_q2, m_q2);
    m_L3.setZero(m_q3, m_q3);
    unpack(theta, 0, m_L2);
    unpack(theta, triangle(m_q2), m_L3);
}

// For a block whose random effects have the relative factor L and the cross-product
// C = Z' D^-1 Z (D the identity for a group, its groups' V / sigma2 for a site): M gets
// L (I + L' C L)^-1 L', so that the block's (V / sigma2)^-1 is D^-1 - D^-1 Z M Z' D^-1; returns
// log |I + L' C L|, the block's log |V / sigma2| beyond log |D|. With I + L' C L = F F', M is
// W' W for W = F^-1 L': one triangular solve, and M exactly symmetric.
double ProfiledCriterion::woodbury(const MatrixXd& L, const MatrixXd& crossProduct, MatrixXd& M,
                                   BlockWork& w) {
    w.work.noalias() = crossProduct * L;
    w.B.noalias() = L.transpose() * w.work;
    w.B.diagonal().array() += 1.0;
    w.llt.compute(w.B);
    const double logDet = 2.0 * w.llt.matrixLLT().diagonal().array().log().sum();
    w.work = L.transpose();
    w.llt.matrixL().solveInPlace(w.work);
    M.noalias() = w.work.transpose() * w.work;
    return logDet;
}

// The Woodbury term of a block from X' V^-1 X, X' V^-1 y and y' V^-1 y, given the block's M and
// its Z' D^-1 X and Z' D^-1 y.
void ProfiledCriterion::subtractBlock(const MatrixXd& M, const MatrixXd& ZX, const VectorXd& Zy,
                                      MatrixXd& xtvx, VectorXd& xtvy, double& yvy) {
    m_MZX.noalias() = M * ZX;
    xtvx.noalias() -= ZX.transpose() * m_MZX;
    xtvy.noalias() -= m_MZX.transpose() * Zy;
    m_Mzy.noalias() = M * Zy;
    yvy -= Zy.dot(m_Mzy);
}

// Per group, V / sigma2 = I + Z2 L2 L2' Z2' by Woodbury; per site, V / sigma2 = D + Z3 L3 L3' Z3'
// by Woodbury again, with the site's Z3' D^-1 [Z3, X, y] from its groups' cross-products.
double ProfiledCriterion::evaluate(const VectorXd& theta, VectorXd* gradient) {
    setFactors(theta);
    MatrixXd xtvx = m_XX;  // X' (V / sigma2)^-1 X
    VectorXd xtvy = m_Xy;
    double yvy = m_yy;
    double logDet = 0.0;
    const bool sites = m_q3 > 0;
    for (std::size_t s = 0; s + 1 < m_siteStart.size(); ++s) {
        if (sites) {
            m_siteW[s] = m_SS[s];
            m_siteP[s] = m_SX[s];
            m_siteR[s] = m_Sy[s];
        }
        for (Index g = m_siteStart[s]; g < m_siteStart[s + 1]; ++g) {
            checkStop(m_stop);
            logDet += woodbury(m_L2, m_ZZ[g], m_M2[g], m_groupBlock);
            subtractBlock(m_M2[g], m_ZX[g], m_Zy[g], xtvx, xtvy, yvy);
            if (sites) {
                m_MZZ3.noalias() = m_M2[g] * m_ZZ3[g];
                m_siteW[s].noalias() -= m_ZZ3[g].transpose() * m_MZZ3;
                m_siteP[s].noalias() -= m_MZZ3.transpose() * m_ZX[g];
                m_siteR[s].noalias() -= m_MZZ3.transpose() * m_Zy[g];
            }
        }
        if (sites) {
            logDet += woodbury(m_L3, m_siteW[s], m_M3[s], m_siteBlock);
            subtractBlock(m_M3[s], m_siteP[s], m_siteR[s], xtvx, xtvy, yvy);
        }
    }
    m_xllt.compute(xtvx);
    const auto pivots = m_xllt.matrixLLT().diagonal();
    if (m_xllt.info() != Eigen::Success ||
        !(pivots.minCoeff() > kSmallestPivotShare * pivots.maxCoeff())) {
        return kNaN;
    }
    m_beta = m_xllt.solve(xtvy);
    const double dof = static_cast<double>(m_units - m_p);
    m_sigma2 = (yvy - m_beta.dot(xtvy)) / dof;
    if (!(m_sigma2 > 0.0) || !std::isfinite(logDet)) {
        return kNaN;
    }
    const double criterion = logDet + 2.0 * m_xllt.matrixLLT().diagonal().array().log().sum() +
                             dof * (1.0 + std::log(2.0 * std::numbers::pi * m_sigma2));
    if (gradient != nullptr) {
        gradientInto(*gradient);
    }
    return criterion;
}

MatrixXd ProfiledCriterion::covarianceOfBeta() const {
    return m_sigma2 * m_xllt.solve(MatrixXd::Identity(m_p, m_p));
}

// a += h h' / sigma2 - (W - WM W) + G C G' for a block whose Z' D^-1 Z is W, WM = W M its
// Woodbury term, with C = (X' (V / sigma2)^-1 X)^-1: the block's term of A below.
void ProfiledCriterion::addDerivativeTerm(const VectorXd& h, const MatrixXd& G, const MatrixXd& W,
                                          const MatrixXd& WM, const MatrixXd& C, MatrixXd& a) {
    a.noalias() += h * h.transpose() / m_sigma2;
    a -= W;
    a.noalias() += WM * W;
    m_work2.noalias() = G * C;
    a.noalias() += m_work2 * G.transpose();
}

// For the random effects of one level, with the residual r of the GLS fit and per unit of that
// level (group or site) W = Z' (V / sigma2)^-1 Z, G = Z' (V / sigma2)^-1 X and
// h = Z' (V / sigma2)^-1 r, the derivative of log L by its Tau is the symmetric
// A / (2 sigma2^2), A = sum of (h h' / sigma2 - W + G (X' (V / sigma2)^-1 X)^-1 G'); through
// Tau = sigma2 L L' (sigma2 held at its optimum) the criterion's derivative by L is -2 A L. Within
// a site, a group's Z2' (V / sigma2)^-1 is Z2' D^-1 less the site's Woodbury term
// (Z2' D^-1 Z3) M3 Z3' D^-1.
void ProfiledCriterion::gradientInto(VectorXd& gradient) {
    const MatrixXd xtvxInverse = m_xllt.solve(MatrixXd::Identity(m_p, m_p));
    MatrixXd a2 = MatrixXd::Zero(m_q2, m_q2);
    MatrixXd a3 = MatrixXd::Zero(m_q3, m_q3);
    const bool sites = m_q3 > 0;
    MatrixXd toSite;  // a group's Z2' D^-1 Z3
    MatrixXd toSiteM;
    MatrixXd siteWM;
    MatrixXd siteG;
    VectorXd siteH;
    for (std::size_t s = 0; s + 1 < m_siteStart.size(); ++s) {
        if (sites) {
            siteWM.noalias() = m_siteW[s] * m_M3[s];
            siteG = m_siteP[s];
            siteG.noalias() -= siteWM * m_siteP[s];
            siteH = m_siteR[s];
            siteH.noalias() -= siteWM * m_siteR[s];
            siteH.noalias() -= siteG * m_beta;
            addDerivativeTerm(siteH, siteG, m_siteW[s], siteWM, xtvxInverse, a3);
        }
        for (Index g = m_siteStart[s]; g < m_siteStart[s + 1]; ++g) {
            checkStop(m_stop);
            m_SM.noalias() = m_ZZ[g] * m_M2[g];
            m_G = m_ZX[g];
            m_G.noalias() -= m_SM * m_ZX[g];
            m_h = m_Zy[g];
            m_h.noalias() -= m_SM * m_Zy[g];
            if (sites) {
                toSite = m_ZZ3[g];
                toSite.noalias() -= m_SM * m_ZZ3[g];
                toSiteM.noalias() = toSite * m_M3[s];
                m_G.noalias() -= toSiteM * m_siteP[s];
                m_h.noalias() -= toSiteM * m_siteR[s];
                a2.noalias() += toSiteM * toSite.transpose();
            }
            m_h.noalias() -= m_G * m_beta;
            addDerivativeTerm(m_h, m_G, m_ZZ[g], m_SM, xtvxInverse, a2);
        }
    }
    gradient.resize(parameters());
    pack(-2.0 * a2 * m_L2, 0, gradient);
    pack(-2.0 * a3 * m_L3, triangle(m_q2), gradient);
}

}  // namespace tavi
