#include "engine/simulation/RemlFit.h"

#include "engine/simulation/BoundedSearch.h"

#include <Eigen/Cholesky>
#include <Eigen/Eigenvalues>
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace tavi {

namespace {

using Eigen::Index;
using Eigen::MatrixXd;
using Eigen::VectorXd;

constexpr int kMaxIterations = 100;
constexpr int kMaxHalvings = 60;
// Newton steps that would lower the criterion (-2 log L) by less than this end the search, and
// so do steps of the derivative-free search that lower it by less.
constexpr double kDecrementTolerance = 1.0e-9;
// A diagonal element of the relative Cholesky factor below this makes Tau singular: a
// conditional variance below 1e-8 times the residual variance is a 0 that the search has not
// quite met. So is a variance below that: the square of the same bound.
constexpr double kBoundaryFactor = 1.0e-4;
// X' V^-1 X counts as singular, the fixed part as not estimable, when a pivot of its Cholesky
// factor is below this share of the largest: a condition number beyond about 1e14.
constexpr double kSmallestPivotShare = 1.0e-7;
// Curvatures below this share of the largest count as this share; a step is at most this long
// (the elements of L are ratios of standard deviations).
constexpr double kSmallestCurvature = 1.0e-8;
constexpr double kLongestStep = 4.0;
// Relative step of the differences that give the Hessian.
constexpr double kDifferenceStep = 1.0e-5;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// The derivative-free search after Newton's method: first steps of this length (the elements of
// L are ratios of standard deviations, mostly well below 1), ending also when its steps are
// this short in every coordinate, and at most so many evaluations per parameter.
constexpr double kSearchFirstStep = 0.1;
constexpr double kSearchStepTolerance = 1.0e-9;
constexpr int kSearchEvaluationsPerParameter = 500;

// Thrown when the stop is set: leaves the fit from inside its loops, among them the differences
// of gradients, which take one gradient per parameter.
struct FitStopped {};

// The data reduced to the cross-products that the likelihood needs.
struct CrossProducts {
    std::vector<MatrixXd> ZZ;  // per group, Z'Z
    std::vector<MatrixXd> ZX;  // per group, Z'X
    std::vector<VectorXd> Zy;  // per group, Z'y
    MatrixXd XX;
    VectorXd Xy;
    double yy = 0.0;
    Index units = 0;
};

// Once per group, so that even a fit of many groups with many random effects, whose single
// evaluation of the criterion takes long, stops at once.
void checkStop(const std::atomic<bool>* stop) {
    if (stop != nullptr && stop->load(std::memory_order_relaxed)) {
        throw FitStopped{};
    }
}

CrossProducts crossProductsOf(const TwoLevelData& data, const std::atomic<bool>* stop) {
    CrossProducts c;
    const Index groups = static_cast<Index>(data.groupStart.size()) - 1;
    for (Index g = 0; g < groups; ++g) {
        checkStop(stop);
        const Index first = data.groupStart[g];
        const Index size = data.groupStart[g + 1] - first;
        const auto Z = data.Z.middleRows(first, size);
        const auto X = data.X.middleRows(first, size);
        const auto y = data.y.segment(first, size);
        c.ZZ.emplace_back(Z.transpose() * Z);
        c.ZX.emplace_back(Z.transpose() * X);
        c.Zy.emplace_back(Z.transpose() * y);
    }
    c.XX = data.X.transpose() * data.X;
    c.Xy = data.X.transpose() * data.y;
    c.yy = data.y.squaredNorm();
    c.units = data.y.size();
    return c;
}

// The REML criterion -2 log L with sigma2 and the fixed coefficients profiled out, as a function
// of theta, the lower triangle of L (column by column), where Tau = sigma2 L L'. Per group,
// V / sigma2 = I + Z L L' Z' has the inverse I - Z M Z' with M = L (I + L' Z'Z L)^-1 L', and
// log|V / sigma2| = log|I + L' Z'Z L|.
class ProfiledCriterion {
public:
    ProfiledCriterion(const CrossProducts& c, const std::atomic<bool>* stop)
        : m_c(c),
          m_stop(stop),
          m_q(c.ZZ.empty() ? 0 : c.ZZ.front().rows()),
          m_p(c.XX.rows()),
          m_M(c.ZZ.size(), MatrixXd(m_q, m_q)) {}

    Index parameters() const { return m_q * (m_q + 1) / 2; }

    // Where the search starts: L = I / 2, random effects with a quarter of the residual variance
    // and uncorrelated, of the order of the variance ratios that two-level designs have.
    VectorXd start() const {
        VectorXd theta = VectorXd::Zero(parameters());
        for (const Index i : diagonalPositions()) {
            theta(i) = 0.5;
        }
        return theta;
    }

    // The criterion at theta, and its gradient when asked for; NaN when the fixed part cannot
    // be estimated. Leaves the estimates at theta behind.
    double evaluate(const VectorXd& theta, VectorXd* gradient) {
        setFactor(theta);
        MatrixXd xtvx = m_c.XX;  // X' (V / sigma2)^-1 X
        VectorXd xtvy = m_c.Xy;
        double yvy = m_c.yy;
        double logDet = 0.0;
        for (std::size_t g = 0; g < m_c.ZZ.size(); ++g) {
            checkStop(m_stop);
            m_work.noalias() = m_c.ZZ[g] * m_L;
            m_B.noalias() = m_L.transpose() * m_work;
            m_B.diagonal().array() += 1.0;
            m_llt.compute(m_B);
            logDet += 2.0 * m_llt.matrixLLT().diagonal().array().log().sum();
            m_work = m_L.transpose();
            m_llt.solveInPlace(m_work);
            m_M[g].noalias() = m_L * m_work;
            m_MZX.noalias() = m_M[g] * m_c.ZX[g];
            xtvx.noalias() -= m_c.ZX[g].transpose() * m_MZX;
            xtvy.noalias() -= m_MZX.transpose() * m_c.Zy[g];
            yvy -= m_c.Zy[g].dot(m_M[g] * m_c.Zy[g]);
        }
        m_xllt.compute(xtvx);
        const auto pivots = m_xllt.matrixLLT().diagonal();
        if (m_xllt.info() != Eigen::Success ||
            !(pivots.minCoeff() > kSmallestPivotShare * pivots.maxCoeff())) {
            return kNaN;
        }
        m_beta = m_xllt.solve(xtvy);
        const double dof = static_cast<double>(m_c.units - m_p);
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

    double sigma2() const { return m_sigma2; }
    const VectorXd& beta() const { return m_beta; }
    const MatrixXd& factor() const { return m_L; }
    MatrixXd covarianceOfBeta() const {
        return m_sigma2 * m_xllt.solve(MatrixXd::Identity(m_p, m_p));
    }

    // The positions of the diagonal of L in theta.
    std::vector<Index> diagonalPositions() const {
        std::vector<Index> positions;
        Index next = 0;
        for (Index j = 0; j < m_q; ++j) {
            positions.push_back(next);
            next += m_q - j;
        }
        return positions;
    }

private:
    void setFactor(const VectorXd& theta) {
        m_L.setZero(m_q, m_q);
        Index next = 0;
        for (Index j = 0; j < m_q; ++j) {
            for (Index i = j; i < m_q; ++i) {
                m_L(i, j) = theta(next++);
            }
        }
    }

    // With the residual r of the GLS fit, W = Z' (V / sigma2)^-1 Z, G = Z' (V / sigma2)^-1 X and
    // h = Z' (V / sigma2)^-1 r per group, the derivative of log L by Tau is the symmetric
    // A / (2 sigma2^2), A = sum of (h h' / sigma2 - W + G (X' (V / sigma2)^-1 X)^-1 G'); through
    // Tau = sigma2 L L' (sigma2 held at its optimum) the criterion's derivative by L is -2 A L.
    void gradientInto(VectorXd& gradient) {
        const MatrixXd xtvxInverse = m_xllt.solve(MatrixXd::Identity(m_p, m_p));
        MatrixXd a = MatrixXd::Zero(m_q, m_q);
        for (std::size_t g = 0; g < m_c.ZZ.size(); ++g) {
            checkStop(m_stop);
            m_SM.noalias() = m_c.ZZ[g] * m_M[g];
            m_G = m_c.ZX[g];
            m_G.noalias() -= m_SM * m_c.ZX[g];
            m_h = m_c.Zy[g];
            m_h.noalias() -= m_SM * m_c.Zy[g];
            m_h.noalias() -= m_G * m_beta;
            a.noalias() += m_h * m_h.transpose() / m_sigma2;
            a -= m_c.ZZ[g];
            a.noalias() += m_SM * m_c.ZZ[g];
            m_work2.noalias() = m_G * xtvxInverse;
            a.noalias() += m_work2 * m_G.transpose();
        }
        const MatrixXd full = -2.0 * a * m_L;
        gradient.resize(parameters());
        Index next = 0;
        for (Index j = 0; j < m_q; ++j) {
            for (Index i = j; i < m_q; ++i) {
                gradient(next++) = full(i, j);
            }
        }
    }

    const CrossProducts& m_c;
    const std::atomic<bool>* m_stop;
    Index m_q;
    Index m_p;
    std::vector<MatrixXd> m_M;
    MatrixXd m_L;
    MatrixXd m_B;
    MatrixXd m_work;
    MatrixXd m_work2;
    MatrixXd m_MZX;
    MatrixXd m_SM;
    MatrixXd m_G;
    VectorXd m_h;
    Eigen::LLT<MatrixXd> m_llt;
    Eigen::LLT<MatrixXd> m_xllt;
    VectorXd m_beta;
    double m_sigma2 = 0.0;
};

// The Hessian at theta from forward differences of the analytic gradient, made symmetric.
MatrixXd hessianAt(ProfiledCriterion& criterion, const VectorXd& theta, const VectorXd& gradient) {
    const Index m = theta.size();
    MatrixXd hessian(m, m);
    VectorXd point = theta;
    VectorXd plus;
    for (Index i = 0; i < m; ++i) {
        const double h = kDifferenceStep * std::max(1.0, std::fabs(theta(i)));
        point(i) = theta(i) + h;
        criterion.evaluate(point, &plus);
        point(i) = theta(i);
        hessian.col(i) = (plus - gradient) / h;
    }
    return (hessian + hessian.transpose()) / 2.0;
}

// The Newton step -H^-1 g, with the eigenvalues of H replaced by their magnitudes and kept
// away from 0, so that it goes downhill also where the criterion is not convex, and no longer
// than kLongestStep.
VectorXd newtonStep(const MatrixXd& hessian, const VectorXd& gradient) {
    const Eigen::SelfAdjointEigenSolver<MatrixXd> eigen(hessian);
    const VectorXd magnitudes = eigen.eigenvalues().cwiseAbs();
    const double floor = std::max(kSmallestCurvature * magnitudes.maxCoeff(), kSmallestCurvature);
    const VectorXd along = eigen.eigenvectors().transpose() * gradient;
    VectorXd step = -eigen.eigenvectors() * along.cwiseQuotient(magnitudes.cwiseMax(floor));
    const double length = step.norm();
    if (length > kLongestStep) {
        step *= kLongestStep / length;
    }
    return step;
}

// Minimises the criterion from theta; whether it converged.
bool minimise(ProfiledCriterion& criterion, VectorXd& theta, int& iterations) {
    VectorXd gradient;
    double value = criterion.evaluate(theta, &gradient);
    if (!std::isfinite(value) || !gradient.allFinite()) {
        return false;
    }
    for (iterations = 1; iterations <= kMaxIterations; ++iterations) {
        const MatrixXd hessian = hessianAt(criterion, theta, gradient);
        if (!hessian.allFinite()) {
            return false;
        }
        const VectorXd step = newtonStep(hessian, gradient);
        const double decrement = -gradient.dot(step);
        if (!(decrement >= 0.0)) {
            return false;
        }
        if (decrement < kDecrementTolerance) {
            // So close that the last step is as good as exact.
            theta += step;
            return true;
        }
        double t = 1.0;
        bool accepted = false;
        for (int halving = 0; halving < kMaxHalvings && !accepted; ++halving, t /= 2.0) {
            const VectorXd trial = theta + t * step;
            const double trialValue = criterion.evaluate(trial, nullptr);
            if (trialValue <= value - 1.0e-4 * t * decrement) {
                theta = trial;
                accepted = true;
            }
        }
        if (!accepted) {
            return false;
        }
        value = criterion.evaluate(theta, &gradient);
        if (!std::isfinite(value) || !gradient.allFinite()) {
            return false;
        }
    }
    return false;
}

// Minimises the criterion from theta, where Newton's method stopped, by the derivative-free
// search with the diagonal of L at least 0; whether it converged.
bool searchWithinBounds(ProfiledCriterion& criterion, VectorXd& theta) {
    const std::vector<Index> diagonal = criterion.diagonalPositions();
    VectorXd lower = VectorXd::Constant(theta.size(), -std::numeric_limits<double>::infinity());
    for (std::size_t j = 0; j < diagonal.size(); ++j) {
        lower(diagonal[j]) = 0.0;
        // A column of L and its negative give the same Tau: start with a diagonal of at least 0.
        if (theta(diagonal[j]) < 0.0) {
            const Index end = j + 1 < diagonal.size() ? diagonal[j + 1] : theta.size();
            theta.segment(diagonal[j], end - diagonal[j]) *= -1.0;
        }
    }
    const SearchSettings settings{
        kSearchFirstStep, kDecrementTolerance, kSearchStepTolerance,
        static_cast<int>(kSearchEvaluationsPerParameter * (theta.size() + 1))};
    return minimiseWithinBounds(
        [&criterion](const VectorXd& point) { return criterion.evaluate(point, nullptr); }, theta,
        lower, settings);
}

// Where Tau = sigma2 L L' lies: inside the parameter space, or on its boundary with a variance
// at 0 or with the random effects perfectly correlated.
FitStatus statusOf(const MatrixXd& L) {
    if (L.diagonal().cwiseAbs().minCoeff() >= kBoundaryFactor) {
        return FitStatus::Converged;
    }
    // Row j of L holds the variance of random effect j relative to sigma2 as its squared norm.
    return L.rowwise().squaredNorm().minCoeff() < kBoundaryFactor * kBoundaryFactor
               ? FitStatus::ZeroVariance
               : FitStatus::PerfectCorrelation;
}

// The estimates that the criterion left at its minimum, whose value is value.
void storeEstimates(const ProfiledCriterion& criterion, double value, RemlFit& fit) {
    const MatrixXd& L = criterion.factor();
    fit.status = statusOf(L);
    fit.beta = criterion.beta();
    fit.standardErrors = criterion.covarianceOfBeta().diagonal().cwiseSqrt();
    fit.sigma2 = criterion.sigma2();
    fit.tau = fit.sigma2 * L * L.transpose();
    fit.logLikelihood = -0.5 * value;
}

}  // namespace

RemlFit fitReml(const TwoLevelData& data, const std::atomic<bool>* stop) {
    RemlFit fit;
    if (data.groupStart.size() < 2 || data.y.size() <= data.X.cols() || data.Z.cols() < 1) {
        return fit;
    }
    try {
        const CrossProducts products = crossProductsOf(data, stop);
        ProfiledCriterion criterion(products, stop);
        VectorXd theta = criterion.start();
        bool converged = minimise(criterion, theta, fit.iterations);
        // Nothing can be searched from a point where the criterion is not defined, which only
        // the start can be.
        if (!converged && std::isfinite(criterion.evaluate(theta, nullptr))) {
            converged = searchWithinBounds(criterion, theta);
        }
        const double value = criterion.evaluate(theta, nullptr);
        if (converged && std::isfinite(value)) {
            storeEstimates(criterion, value, fit);
        }
    } catch (const FitStopped&) {
        fit = RemlFit{};
        fit.status = FitStatus::Stopped;
    }
    return fit;
}

}  // namespace tavi
