// Groups that differ in size: the settings that make them (sizes varying around the planned n,
// a given list of sizes, units and groups lost), and the distribution of one group's size that
// they give at a planned group size, on a support of bounded size.
//
// Varying sizes around n are 1 + a gamma variable with mean n - 1 and standard deviation CV * n,
// so that every size is at least 1, the mean is n and the coefficient of variation is CV before
// the sizes are made whole. Each value x is made whole by splitting it between the two whole
// numbers around it in proportion to its nearness (x = 3.25 counts 0.75 for 3 and 0.25 for 4), so
// the mean stays exactly n. The smallest and the largest 10^-12 of the distribution are each
// gathered at their own mean. When the sizes span more than 256 whole numbers, they are gathered
// the same way on a grid of 256 whole numbers, every one of them at small sizes and then steps
// of a fixed share of the size, which keeps the mean too.
#pragma once

#include "engine/EngineState.h"
#include "engine/GroupSizeSupport.h"
#include "engine/SampleSizes.h"

#include <cstdint>
#include <vector>

namespace tavi {

struct GroupSizeSettings {
    double sizeCv = 0.0;  // sizes vary around n with this coefficient of variation
    // Exactly these groups: of a two-level design, one design of as many groups; of a
    // three-level design, the groups of every site. Empty: groups of n units.
    std::vector<std::int32_t> sizes;
    double dropout = 0.0;       // each unit is missing with this probability
    double groupDropout = 0.0;  // each group is lost with this probability
    // Three levels: the numbers of groups of the sites vary around J with this coefficient of
    // variation.
    double siteSizeCv = 0.0;

    // Whether any of them departs from groups of exactly n units (and sites of J groups).
    bool inForce() const {
        return sizeCv > 0.0 || !sizes.empty() || dropout > 0.0 || groupDropout > 0.0 ||
               siteSizeCv > 0.0;
    }
};

// The given sizes, when there are: their number and their mean.
double meanGivenSize(const GroupSizeSettings& settings);

// The point of the given sizes of a two-level design: their number of groups and their mean
// rounded to whole units, with the cost of all their units and groups under the budget of s.
SweepPoint givenSizesPoint(const GroupSizeSettings& settings, const SampleSizes& s);

// The coefficients of variation of the sizes taken besides 0: sizes varying more are no plan of a
// study; less, they differ by less than the whole units they come in.
inline constexpr double kLeastSizeCv = 0.01;
inline constexpr double kMostSizeCv = 10.0;

// The most different sizes that a list of given sizes may hold.
inline constexpr int kMaxGivenSizes = GroupSizeSupport::kCapacity;

// The sizes planned for a group at planned size n (at least 1): n itself, the given sizes with
// their shares, or sizes varying around n.
void plannedGroupSizes(const GroupSizeSettings& settings, std::int32_t n,
                       GroupSizeSupport& planned);

// The sizes left of planned sizes when each unit is missing with probability dropout: for a
// planned size m a binomial(m, 1 - dropout) size, 0 included.
void sizesAfterDropout(const GroupSizeSupport& planned, double dropout, GroupSizeSupport& left);

// The sizes of a group at planned size n after the loss of units; planned is working space.
void groupSizesAt(const GroupSizeSettings& settings, std::int32_t n, GroupSizeSupport& planned,
                  GroupSizeSupport& sizes);

// The numbers of groups of a site at planned J (at least 1), with three levels: J itself or
// numbers varying around J, then each group lost with the settings' probability, a binomial
// number left, 0 left out; planned is working space.
void siteCountsAt(const GroupSizeSettings& settings, std::int32_t J, GroupSizeSupport& planned,
                  GroupSizeSupport& counts);

// The expected number of groups left of N.
double expectedGroups(const GroupSizeSettings& settings, std::int64_t N);

// The point of N planned groups at planned size n (at least 1) with the sizes of settings: e
// gets the expected information and its inverse, with GroupSize n and NumGroups N; planned and
// sizes are working space. Without settings in force, computePoint.
void computePointWithSizes(EngineState& e, const GroupSizeSettings& settings, std::int32_t n,
                           std::int32_t N, GroupSizeSupport& planned, GroupSizeSupport& sizes);

}  // namespace tavi
