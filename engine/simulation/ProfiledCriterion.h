// The REML criterion of nested random effects, -2 log L with the residual variance sigma2 and the
// fixed coefficients profiled out, as a function of the Cholesky factors L2 of Tau2 / sigma2
// (between groups) and L3 of Tau3 / sigma2 (between sites), with its gradient.
#pragma once

#include "engine/simulation/FitStatus.h"
#include "engine/simulation/NestedData.h"

#include <Eigen/Cholesky>
#include <Eigen/Core>
#include <atomic>
#include <vector>

namespace tavi {

class ProfiledCriterion {
public:
    // The criterion of data, reduced to its cross-products: per group those with its level-2
    // random effects, per site those with its level-3 ones, so that memory grows with the groups
    // and sites rather than the units. data needs at least one group, and with sites (Z3 with
    // columns) siteStart over its groups. Throws FitStopped when stop (if given) is set; it is
    // looked at once per group.
    ProfiledCriterion(const NestedData& data, const std::atomic<bool>* stop);

    // theta: the lower triangles of L2, then of L3, column by column.
    Eigen::Index parameters() const;

    // Where the search starts: L2 = I / 2 and L3 = I / 2, random effects with a quarter of the
    // residual variance and uncorrelated, of the order of the variance ratios of nested designs.
    Eigen::VectorXd start() const;

    // The criterion at theta, and its gradient when asked for; NaN when the fixed part cannot
    // be estimated. Leaves the estimates at theta behind.
    double evaluate(const Eigen::VectorXd& theta, Eigen::VectorXd* gradient);

    double sigma2() const { return m_sigma2; }
    const Eigen::VectorXd& beta() const { return m_beta; }
    const Eigen::MatrixXd& level2Factor() const { return m_L2; }
    const Eigen::MatrixXd& level3Factor() const { return m_L3; }
    Eigen::MatrixXd covarianceOfBeta() const;

    // The positions of the diagonals of L2 and L3 in theta.
    std::vector<Eigen::Index> diagonalPositions() const;

private:
    // Working space of the Woodbury step of a group or a site.
    struct BlockWork {
        Eigen::MatrixXd work;
        Eigen::MatrixXd B;
        Eigen::LLT<Eigen::MatrixXd> llt;
    };

    void setFactors(const Eigen::VectorXd& theta);
    static double woodbury(const Eigen::MatrixXd& L, const Eigen::MatrixXd& crossProduct,
                           Eigen::MatrixXd& M, BlockWork& w);
    void subtractBlock(const Eigen::MatrixXd& M, const Eigen::MatrixXd& ZX,
                       const Eigen::VectorXd& Zy, Eigen::MatrixXd& xtvx, Eigen::VectorXd& xtvy,
                       double& yvy);
    void addDerivativeTerm(const Eigen::VectorXd& h, const Eigen::MatrixXd& G,
                           const Eigen::MatrixXd& W, const Eigen::MatrixXd& WM,
                           const Eigen::MatrixXd& C, Eigen::MatrixXd& a);
    void gradientInto(Eigen::VectorXd& gradient);

    // Per group: Z2'Z2, Z2'X, Z2'y and Z2'Z3.
    std::vector<Eigen::MatrixXd> m_ZZ;
    std::vector<Eigen::MatrixXd> m_ZX;
    std::vector<Eigen::VectorXd> m_Zy;
    std::vector<Eigen::MatrixXd> m_ZZ3;
    // Per site: Z3'Z3, Z3'X and Z3'y; and its first group, followed by the number of groups.
    std::vector<Eigen::MatrixXd> m_SS;
    std::vector<Eigen::MatrixXd> m_SX;
    std::vector<Eigen::VectorXd> m_Sy;
    std::vector<Eigen::Index> m_siteStart;
    Eigen::MatrixXd m_XX;
    Eigen::VectorXd m_Xy;
    double m_yy = 0.0;
    Eigen::Index m_units = 0;

    const std::atomic<bool>* m_stop;
    Eigen::Index m_q2;
    Eigen::Index m_q3;
    Eigen::Index m_p;
    Eigen::MatrixXd m_L2;
    Eigen::MatrixXd m_L3;
    // At the last evaluation, per group M2 = L2 (I + L2' Z2'Z2 L2)^-1 L2', and per site M3
    // likewise of Z3' D^-1 Z3 and the site's Z3' D^-1 X and Z3' D^-1 y, D the block diagonal of
    // its groups' V / sigma2.
    std::vector<Eigen::MatrixXd> m_M2;
    std::vector<Eigen::MatrixXd> m_M3;
    std::vector<Eigen::MatrixXd> m_siteW;
    std::vector<Eigen::MatrixXd> m_siteP;
    std::vector<Eigen::VectorXd> m_siteR;
    BlockWork m_groupBlock;
    BlockWork m_siteBlock;
    Eigen::MatrixXd m_work2;
    Eigen::MatrixXd m_MZX;
    Eigen::MatrixXd m_MZZ3;
    Eigen::VectorXd m_Mzy;
    Eigen::MatrixXd m_SM;
    Eigen::MatrixXd m_G;
    Eigen::VectorXd m_h;
    Eigen::LLT<Eigen::MatrixXd> m_xllt;
    Eigen::VectorXd m_beta;
    double m_sigma2 = 0.0;
};

}  // namespace tavi
