#include "engine/SiteInformation.h"

#include "engine/Coefficients.h"
#include "engine/CovarianceComputation.h"
#include "engine/MatrixRoutines.h"

#include <Eigen/Eigenvalues>
#include <algorithm>
#include <cassert>
#include <vector>

namespace tavi {

namespace {

void addTerm(GroupValue& value, double c, int site, int group) {
    assert(value.count < GroupValue::kMostTerms);
    value.terms[value.count++] = {c, static_cast<std::int8_t>(site),
                                  static_cast<std::int8_t>(group)};
}

GroupValue constantValue() {
    GroupValue value;
    addTerm(value, 1.0, 0, 0);
    return value;
}

// A product never meets two site parts or two group parts: a variable with a group part in a
// product is centred within sites, and its partner is a level-3 variable.
GroupValue product(const GroupValue& a, const GroupValue& b) {
    GroupValue value;
    for (int i = 0; i < a.count; ++i) {
        for (int j = 0; j < b.count; ++j) {
            const GroupValueTerm& x = a.terms[i];
            const GroupValueTerm& y = b.terms[j];
            assert((x.site == 0 || y.site == 0) && (x.group == 0 || y.group == 0));
            addTerm(value, x.c * y.c, x.site + y.site, x.group + y.group);
        }
    }
    return value;
}

// Variable v at the group level: for a level-1 variable its group mean. Its mean and its part
// between sites when it has one, and its part between the groups of a site when it has one.
GroupValue levelValue(const NestedModel& m, std::int32_t v) {
    GroupValue value;
    const std::int32_t site = betweenSitesIndex(m, v);
    if (site > 0) {
        addTerm(value, m.Means(site), 0, 0);
        addTerm(value, 1.0, site, 0);
    }
    const std::int32_t group = betweenGroupsIndex(m, v);
    if (group > 0) {
        addTerm(value, 1.0, 0, group);
    }
    return value;
}

// The column of a coefficient: a level-1 variable brings its deviations, scaled by the
// moderator's value in an interaction; the group-level value is the product of the factors'.
DesignColumn columnOf(const NestedModel& m, const DesignTerm& term) {
    DesignColumn column;
    if (term.first < 0) {
        column.mean = constantValue();
        return column;
    }
    column.mean = levelValue(m, term.first);
    GroupValue scale = constantValue();
    if (term.second >= 0) {
        scale = levelValue(m, term.second);
        column.mean = product(column.mean, scale);
    }
    if (levelOf(m, term.first) == 1) {
        column.within = term.first + 1;
        column.scale = scale;
    }
    return column;
}

// The moment of two parts: the constant (0) is 1 and uncorrelated with the centred parts.
double partMoment(const Matrix& covariance, int a, int b) {
    if (a == 0 || b == 0) {
        return a == b ? 1.0 : 0.0;
    }
    return covariance(a, b);
}

// E(f g) over all groups of all sites.
double momentOf(const NestedModel& m, const GroupValue& f, const GroupValue& g) {
    double sum = 0.0;
    for (int i = 0; i < f.count; ++i) {
        for (int j = 0; j < g.count; ++j) {
            const GroupValueTerm& x = f.terms[i];
            const GroupValueTerm& y = g.terms[j];
            sum += x.c * y.c * partMoment(m.SiteCov, x.site, y.site) *
                   partMoment(m.BetweenCov, x.group, y.group);
        }
    }
    return sum;
}

// The three moments of every pair of columns.
void columnMoments(const NestedModel& m, const DesignColumn* columns, int count, Matrix& meanMean,
                   Matrix& meanScale, Matrix& scaleScale) {
    for (int a = 0; a < count; ++a) {
        for (int b = 0; b < count; ++b) {
            meanMean(a + 1, b + 1) = momentOf(m, columns[a].mean, columns[b].mean);
            meanScale(a + 1, b + 1) = momentOf(m, columns[a].mean, columns[b].scale);
            scaleScale(a + 1, b + 1) = momentOf(m, columns[a].scale, columns[b].scale);
        }
    }
}

// The site's principal directions: the constant with weight 1, then the eigenvectors of SiteCov
// with their eigenvalues as weights (those of weight 0 add nothing). loadings(t, u) is site
// part t's share of direction u.
int siteDirections(const NestedModel& m, double* weights, Eigen::MatrixXd& loadings) {
    const std::int32_t parts = betweenSitesOrder(m);
    loadings = Eigen::MatrixXd::Zero(parts + 1, parts + 1);
    loadings(0, 0) = 1.0;
    weights[0] = 1.0;
    if (parts == 0) {
        return 1;
    }
    Eigen::MatrixXd covariance(parts, parts);
    for (int i = 0; i < parts; ++i) {
        for (int j = 0; j < parts; ++j) {
            covariance(i, j) = m.SiteCov(i + 1, j + 1);
        }
    }
    const Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> solver(covariance);
    int directions = 1;
    for (int u = 0; u < parts; ++u) {
        if (solver.eigenvalues()(u) != 0.0) {
            weights[directions] = solver.eigenvalues()(u);
            loadings.block(1, directions, parts, 1) = solver.eigenvectors().col(u);
            ++directions;
        }
    }
    return directions;
}

// Adds, for every direction, the part of E(f g | site) over a site's groups that lies along it
// to block(u, k, c); f is free of site parts.
void addSiteBlock(const NestedModel& m, const GroupValue& f, const GroupValue& g,
                  const Eigen::MatrixXd& loadings, int directions, int level3, int k, int c,
                  double* block) {
    for (int i = 0; i < f.count; ++i) {
        for (int j = 0; j < g.count; ++j) {
            const GroupValueTerm& x = f.terms[i];
            const GroupValueTerm& y = g.terms[j];
            assert(x.site == 0);
            const double value = x.c * y.c * partMoment(m.BetweenCov, x.group, y.group);
            for (int u = 0; u < directions; ++u) {
                block[(u * level3 + k) * dimmax + c] += loadings(y.site, u) * value;
            }
        }
    }
}

void prepareSiteBlocks(SitesDesign& d) {
    const NestedModel& m = d.model;
    Eigen::MatrixXd loadings;
    d.directions = siteDirections(m, d.directionWeight, loadings);
    double* blocks[] = {d.meanMean, d.meanScale, d.scaleMean, d.scaleScale};
    for (double* block : blocks) {
        std::fill(block, block + d.directions * d.level3 * dimmax, 0.0);
    }
    for (int k = 0; k < d.level3; ++k) {
        const DesignColumn& f = d.siteColumns[k];
        for (int c = 0; c < d.NumCoef; ++c) {
            const DesignColumn& g = d.fixedColumns[c];
            addSiteBlock(m, f.mean, g.mean, loadings, d.directions, d.level3, k, c, d.meanMean);
            addSiteBlock(m, f.mean, g.scale, loadings, d.directions, d.level3, k, c, d.meanScale);
            addSiteBlock(m, f.scale, g.mean, loadings, d.directions, d.level3, k, c, d.scaleMean);
            addSiteBlock(m, f.scale, g.scale, loadings, d.directions, d.level3, k, c, d.scaleScale);
        }
    }
}

// Within groups: the random part's second moments inverted, the other level-1 variables
// regressed on it, and what is left of their covariance, over Sigma2.
void prepareUnits(SitesDesign& d) {
    const NestedModel& m = d.model;
    int random = 0;
    d.others = 0;
    d.randomUnits[random++] = 0;
    for (std::int32_t x = 0; x < m.p1; ++x) {
        if (variesAtLevel2(m.slope1[x])) {
            d.randomUnits[random++] = x + 1;
        } else {
            d.otherUnits[d.others++] = x + 1;
        }
    }
    const auto moment = [&m](int a, int b) { return partMoment(m.WithinCov, a, b); };
    Matrix random2;
    Matrix randomOther;
    for (int a = 0; a < d.level2; ++a) {
        for (int b = 0; b < d.level2; ++b) {
            random2(a + 1, b + 1) = moment(d.randomUnits[a], d.randomUnits[b]);
        }
        for (int f = 0; f < d.others; ++f) {
            randomOther(a + 1, f + 1) = moment(d.randomUnits[a], d.otherUnits[f]);
        }
    }
    InvertMatrix(d.InvMomR, random2, d.level2);
    MatMult(d.OtherOnRandom, d.InvMomR, randomOther, d.level2, d.level2, d.others);
    Matrix explained;
    Matrix otherRandom;
    Transpose(otherRandom, randomOther, d.level2, d.others);
    MatMult(explained, otherRandom, d.OtherOnRandom, d.others, d.level2, d.others);
    for (int f = 0; f < d.others; ++f) {
        for (int g = 0; g < d.others; ++g) {
            d.OtherWithin(f + 1, g + 1) =
                (moment(d.otherUnits[f], d.otherUnits[g]) - explained(f + 1, g + 1)) / m.Sigma2;
        }
    }
}

// Q'V^-1Q of one group of units units whose deviations count as withinUnits (withinUnitsOf),
// Q = [1, deviations], into u: the random part's precision, its products with the others'
// regression on it, and the others' residual information.
void clearSquare(Matrix& m, int order) {
    for (int i = 1; i <= order; ++i) {
        for (int j = 1; j <= order; ++j) {
            m(i, j) = 0.0;
        }
    }
}

void unitInformation(const SitesDesign& d, SitesPoint& p, double units, double withinUnits,
                     Matrix& u) {
    const NestedModel& m = d.model;
    if (d.level2 > 1 && withinUnits <= 0.0) {
        // The slopes' deviations vanish within such a group: only the intercept is seen.
        for (int a = 1; a <= d.level2; ++a) {
            for (int b = 1; b <= d.level2; ++b) {
                p.groupPrecision(a, b) = 0.0;
            }
        }
        p.groupPrecision(1, 1) = 1.0 / ((m.Sigma2 * d.InvMomR(1, 1)) / units + m.Tau2(1, 1));
    } else {
        for (int a = 1; a <= d.level2; ++a) {
            for (int b = 1; b <= d.level2; ++b) {
                const double seen = a == 1 || b == 1 ? units : withinUnits;
                p.work(a, b) = (m.Sigma2 * d.InvMomR(a, b)) / seen + m.Tau2(a, b);
            }
        }
        InvertMatrix(p.groupPrecision, p.work, d.level2);
    }
    MatMult(p.randomOnOthers, p.groupPrecision, d.OtherOnRandom, d.level2, d.level2, d.others);
    Transpose(p.work, d.OtherOnRandom, d.level2, d.others);
    MatMult(p.otherInformation, p.work, p.randomOnOthers, d.others, d.level2, d.others);
    for (int a = 0; a < d.level2; ++a) {
        const int ra = d.randomUnits[a] + 1;
        for (int b = 0; b < d.level2; ++b) {
            u(ra, d.randomUnits[b] + 1) = p.groupPrecision(a + 1, b + 1);
        }
        for (int f = 0; f < d.others; ++f) {
            const int of = d.otherUnits[f] + 1;
            u(ra, of) = p.randomOnOthers(a + 1, f + 1);
            u(of, ra) = p.randomOnOthers(a + 1, f + 1);
        }
    }
    for (int f = 0; f < d.others; ++f) {
        for (int g = 0; g < d.others; ++g) {
            u(d.otherUnits[f] + 1, d.otherUnits[g] + 1) =
                p.otherInformation(f + 1, g + 1) + withinUnits * d.OtherWithin(f + 1, g + 1);
        }
    }
}

// a'(Q'V^-1Q)b per group for two columns, from their moments.
double pairInformation(const Matrix& u, const DesignColumn& a, const DesignColumn& b,
                       double meanMean, double meanScale, double scaleMean, double scaleScale) {
    const int wa = a.within + 1;
    const int wb = b.within + 1;
    return u(1, 1) * meanMean + u(1, wb) * meanScale + u(wa, 1) * scaleMean +
           u(wa, wb) * scaleScale;
}

}  // namespace

void prepareSitesDesign(const NestedModel& m, SitesDesign& d) {
    d.model = m;
    const std::vector<DesignTerm> terms = designTerms(m);
    d.NumCoef = static_cast<std::int32_t>(terms.size());
    d.level2 = level2Effects(m);
    d.level3 = level3Effects(m);
    d.units = 1 + m.p1;
    prepareUnits(d);
    for (int c = 0; c < d.NumCoef; ++c) {
        d.fixedColumns[c] = columnOf(m, terms[c]);
    }
    // The level-3 random effects' columns are those of the intercept and of the main effects of
    // the variables whose slopes vary at level 3.
    d.siteColumns[0] = columnOf(m, {-1, -1});
    for (std::int32_t v = 0; v < m.p1 + m.p2; ++v) {
        const std::int32_t k = level3EffectIndex(m, v);
        if (k > 0) {
            d.siteColumns[k - 1] = columnOf(m, {v, -1});
        }
    }
    columnMoments(m, d.fixedColumns, d.NumCoef, d.MeanMoments, d.MeanScaleMoments, d.ScaleMoments);
    columnMoments(m, d.siteColumns, d.level3, d.SiteMeanMoments, d.SiteMeanScaleMoments,
                  d.SiteScaleMoments);
    prepareSiteBlocks(d);
}

namespace {

// The information of K sites whose groups have, on average, the unit information p.meanUnits,
// a site holding j groups with probability weight in groupCounts: the part linear in the groups,
// K E(j) times a group's, less along each direction of the sites' parts K times B' E(j^2 W(j)) B,
// B the level-3 columns times the fixed columns per group and W(j) = Tau3 (I + j S Tau3)^-1, S
// the level-3 random effects' information per group. Leaves it and its inverse in p.
void siteInformationOf(const SitesDesign& d, SitesPoint& p, double K,
                       const GroupSizeSupport& groupCounts) {
    const int level3 = d.level3;
    const int numCoef = d.NumCoef;
    const Matrix& u = p.meanUnits;
    for (int k = 0; k < level3; ++k) {
        for (int l = 0; l < level3; ++l) {
            p.siteInformation(k + 1, l + 1) = pairInformation(
                u, d.siteColumns[k], d.siteColumns[l], d.SiteMeanMoments(k + 1, l + 1),
                d.SiteMeanScaleMoments(k + 1, l + 1), d.SiteMeanScaleMoments(l + 1, k + 1),
                d.SiteScaleMoments(k + 1, l + 1));
        }
    }
    const double groups = groupCounts.mean();
    for (int a = 0; a < numCoef; ++a) {
        for (int b = a; b < numCoef; ++b) {
            const double value =
                pairInformation(u, d.fixedColumns[a], d.fixedColumns[b],
                                d.MeanMoments(a + 1, b + 1), d.MeanScaleMoments(a + 1, b + 1),
                                d.MeanScaleMoments(b + 1, a + 1), d.ScaleMoments(a + 1, b + 1));
            p.InfoMatrix(a + 1, b + 1) = K * groups * value;
        }
    }

    // The site's random effects: Tau3 (I + j siteInformation Tau3)^-1 weighs what the site's j
    // groups share; a single number of groups keeps j^2 with the scale.
    const bool single = groupCounts.count == 1;
    for (int k = 1; k <= level3; ++k) {
        for (int l = 1; l <= level3; ++l) {
            p.siteWeight(k, l) = 0.0;
        }
    }
    MatMult(p.weightedBlock, p.siteInformation, d.model.Tau3, level3, level3, level3);
    for (int c = 0; c < groupCounts.count; ++c) {
        const double j = groupCounts.sizes[c];
        if (j == 0.0 || groupCounts.weights[c] == 0.0) {
            continue;
        }
        for (int k = 1; k <= level3; ++k) {
            for (int l = 1; l <= level3; ++l) {
                p.work(k, l) = (k == l ? 1.0 : 0.0) + j * p.weightedBlock(k, l);
            }
        }
        InvertMatrix(p.siteBlock, p.work, level3);
        MatMult(p.siteBlock, d.model.Tau3, p.siteBlock, level3, level3, level3);
        const double share = single ? 1.0 : groupCounts.weights[c] * j * j;
        for (int k = 1; k <= level3; ++k) {
            for (int l = 1; l <= level3; ++l) {
                p.siteWeight(k, l) += share * p.siteBlock(k, l);
            }
        }
    }
    const double squares = single ? groupCounts.sizes[0] * groupCounts.sizes[0] : 1.0;

    // Less, along each direction of the sites' parts, B' W B.
    for (int dir = 0; dir < d.directions; ++dir) {
        const int offset = dir * level3 * dimmax;
        for (int k = 0; k < level3; ++k) {
            const int wk = d.siteColumns[k].within + 1;
            for (int c = 0; c < numCoef; ++c) {
                const int wc = d.fixedColumns[c].within + 1;
                const int at = offset + k * dimmax + c;
                p.siteBlock(k + 1, c + 1) = u(1, 1) * d.meanMean[at] + u(1, wc) * d.meanScale[at] +
                                            u(wk, 1) * d.scaleMean[at] +
                                            u(wk, wc) * d.scaleScale[at];
            }
        }
        MatMult(p.weightedBlock, p.siteWeight, p.siteBlock, level3, level3, numCoef);
        const double scale = K * squares * d.directionWeight[dir];
        // Row by row, so that the innermost loop runs along contiguous rows; each sum still adds
        // its terms in the order of k.
        for (int a = 1; a <= numCoef; ++a) {
            double* const sums = p.work.row(a);
            std::fill(sums + a - 1, sums + numCoef, 0.0);
            for (int k = 1; k <= level3; ++k) {
                const double factor = p.siteBlock(k, a);
                const double* const weighted = p.weightedBlock.row(k);
                for (int b = a - 1; b < numCoef; ++b) {
                    sums[b] += factor * weighted[b];
                }
            }
            double* const info = p.InfoMatrix.row(a);
            for (int b = a - 1; b < numCoef; ++b) {
                info[b] -= scale * sums[b];
            }
        }
    }
    for (int a = 1; a <= numCoef; ++a) {
        for (int b = 1; b < a; ++b) {
            p.InfoMatrix(a, b) = p.InfoMatrix(b, a);
        }
    }
    InvertMatrix(p.CovCoef, p.InfoMatrix, numCoef);
}

}  // namespace

void computeSitesPoint(const SitesDesign& d, SitesPoint& p, std::int32_t K, std::int32_t J,
                       std::int32_t n) {
    p.K = K;
    p.J = J;
    p.n = n;
    unitInformation(d, p, n, n, p.meanUnits);
    p.groupCounts.clear();
    p.groupCounts.add(J, 1.0);
    siteInformationOf(d, p, K, p.groupCounts);
}

void computeSitesWithSizes(const SitesDesign& d, SitesPoint& p, double K,
                           const GroupSizeSupport& groupSizes, double n,
                           const GroupSizeSupport& groupCounts) {
    clearSquare(p.meanUnits, d.units);
    for (int s = 0; s < groupSizes.count; ++s) {
        const double units = groupSizes.sizes[s];
        const double weight = groupSizes.weights[s];
        if (!(units > 0.0) || weight == 0.0) {
            continue;
        }
        unitInformation(d, p, units, withinUnitsOf(units, n), p.unitInformation);
        for (int i = 1; i <= d.units; ++i) {
            for (int j = 1; j <= d.units; ++j) {
                p.meanUnits(i, j) += weight * p.unitInformation(i, j);
            }
        }
    }
    siteInformationOf(d, p, K, groupCounts);
}

}  // namespace tavi
