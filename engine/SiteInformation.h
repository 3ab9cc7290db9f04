// The expected information matrix of all regression coefficients of a balanced three-level
// design, K sites of J groups of n units, and its inverse, the covariance matrix of the
// estimates. What depends on the design alone is prepared once (prepareSitesDesign); a
// point then costs a few small inversions, products of at most dimmax square and the inversion
// of the information, with nothing allocated.
//
// Every column of the fixed and random design matrices is, within a group, a group-level value
// plus a group-level scale times one level-1 variable's deviation from its group mean; the
// group-level values are sums of products of a site's parts and a group's parts. With the
// deviations' moments within groups, the groups' within sites and the sites' as the design
// gives them, X'V^-1X summed over the sites follows from the design's moments exactly (the
// derivation is in docs/three-levels.md).
#pragma once

#include "engine/GroupSizeSupport.h"
#include "engine/Matrix.h"
#include "engine/NestedModel.h"

#include <cstdint>

namespace tavi {

// c times the product of site part `site` and group part `group` (0: the constant 1).
struct GroupValueTerm {
    double c;
    std::int8_t site;
    std::int8_t group;
};

// A sum of such terms: a variable's value at the group level, or a product of two.
struct GroupValue {
    static constexpr int kMostTerms = 4;
    int count = 0;
    GroupValueTerm terms[kMostTerms];
};

// One column of a design matrix: at unit i of a group, mean + scale * d_i[within], d_i the
// deviations of the level-1 variables from their group means (within 0: none, and scale empty).
struct DesignColumn {
    std::int32_t within = 0;
    GroupValue mean;
    GroupValue scale;
};

// Rows of the site blocks: a block of level3 x NumCoef per site direction. Directions and the
// level-3 random effects are distinct coefficients (the intercept shared), so their product is at
// most 20 x 21 within the capacity.
inline constexpr int kSiteBlockRows = 420;

// The design with what every point of a sweep shares: computed once, then only read, so one
// serves points on every thread.
struct SitesDesign {
    NestedModel model;
    std::int32_t NumCoef;
    std::int32_t level2;  // random effects at level 2, the order of Tau2
    std::int32_t level3;  // at level 3, the order of Tau3
    std::int32_t units;   // 1 + p1: the constant and the level-1 deviations

    // Within groups: the random part at level 2 (the constant, then the level-1 variables
    // varying at level 2) and the other level-1 variables, by their place among the units.
    std::int32_t randomUnits[dimmax];
    std::int32_t otherUnits[dimmax];
    std::int32_t others;
    Matrix InvMomR;        // level2 square: inverse second moments of the random part
    Matrix OtherOnRandom;  // level2 x others: the others regressed on the random part
    Matrix OtherWithin;    // others square: their residual covariance over Sigma2

    DesignColumn fixedColumns[dimmax];  // X: one per coefficient
    DesignColumn siteColumns[dimmax];   // Z at level 3: one per level-3 random effect

    // Moments of the columns' group-level values over all groups of all sites: the means with
    // the means, the means with the scales, the scales with the scales.
    Matrix MeanMoments;
    Matrix MeanScaleMoments;
    Matrix ScaleMoments;
    Matrix SiteMeanMoments;
    Matrix SiteMeanScaleMoments;
    Matrix SiteScaleMoments;

    // Within a site, sums over its groups of the level-3 columns times the fixed columns are
    // linear in the site's parts; along each principal direction of the sites' covariance
    // (direction 0 the constant, of weight 1) they are these four blocks of level3 x NumCoef,
    // for the pairs mean-mean, mean-scale, scale-mean and scale-scale.
    std::int32_t directions;
    double directionWeight[dimmax + 1];
    double meanMean[kSiteBlockRows * dimmax];
    double meanScale[kSiteBlockRows * dimmax];
    double scaleMean[kSiteBlockRows * dimmax];
    double scaleScale[kSiteBlockRows * dimmax];
};

// One point of the sweep, with its scratch; one per thread.
struct SitesPoint {
    std::int32_t K;  // sites
    std::int32_t J;  // groups per site
    std::int32_t n;  // units per group

    Matrix work;
    Matrix groupPrecision;         // level2 square
    Matrix randomOnOthers;         // level2 x others
    Matrix otherInformation;       // others square: through the random part
    Matrix unitInformation;        // units square: Q'V^-1Q of one group, Q = [1, deviations]
    Matrix meanUnits;              // units square: the same averaged over a site's groups
    Matrix siteInformation;        // level3 square, per group of a site
    Matrix siteWeight;             // level3 square: Tau3 (I + J siteInformation Tau3)^-1
    Matrix siteBlock;              // level3 x NumCoef
    Matrix weightedBlock;          // level3 x NumCoef
    GroupSizeSupport groupCounts;  // of a site's groups

    Matrix InfoMatrix;  // NumCoef square
    Matrix CovCoef;     // NumCoef square: its inverse
};

// Prepares d for the model m: the columns, the moments and the site blocks. Expects counts
// whose coefficients fit dimmax and a positive Sigma2.
void prepareSitesDesign(const NestedModel& m, SitesDesign& d);

// Leaves the information and covariance matrices of K sites of J groups of n units in point.
// Needs J >= 1 and n >= 1; K = 0 gives a zero information matrix.
void computeSitesPoint(const SitesDesign& d, SitesPoint& point, std::int32_t K, std::int32_t J,
                       std::int32_t n);

// The same for K sites (which need not be whole) whose groups' sizes follow groupSizes, in a
// design of groups of n units (what its within-groups matrix is the covariance of, with divisor
// n), and whose numbers of groups follow groupCounts; sizes and counts of 0 add nothing. The
// counts are exact. A site's groups enter at their expected information, the average over their
// sizes: exact for groups of given sizes where nothing varies between the groups of a site
// (then only the sum over a site's groups matters), and exact whatever the sizes where the sites
// have no random effects; otherwise a little above the expectation, since the site's share is
// convex in its groups' information and, where values vary between a site's groups, depends on
// which group has which size. Allocates nothing.
void computeSitesWithSizes(const SitesDesign& d, SitesPoint& point, double K,
                           const GroupSizeSupport& groupSizes, double n,
                           const GroupSizeSupport& groupCounts);

}  // namespace tavi
