// The sizes of simulated data sets: how many units each group has and, with three levels, how
// many groups each site has, drawn as the expected information of unequal sizes assumes them.
#pragma once

#include "engine/GroupSizeDistribution.h"
#include "engine/SampleSizes.h"
#include "engine/simulation/RandomStream.h"

#include <cstdint>
#include <vector>

namespace tavi {

// The sizes of one data set, of the groups and sites that hold any units.
struct DataSetSizes {
    std::vector<std::int64_t> groupUnits;  // the units of each group, site after site
    std::vector<std::int64_t> siteGroups;  // the groups of each site; one site without sites
};

class SizeSampler {
public:
    // At point, with levels levels: point.N groups (two levels) or sites of point.J groups
    // (three), of point.n units, each at least 1, with the sizes of unequal: each group's planned
    // size n, one drawn from the sizes varying around n, or with given sizes exactly those
    // groups (two levels: all the groups, point.N left aside; three levels: those of every site,
    // point.J left aside); with three levels each site's planned number of groups J, or one
    // drawn from the numbers varying around J as sizes vary around n. Then each unit is kept with
    // probability 1 - dropout and each group with probability 1 - groupDropout.
    SizeSampler(const GroupSizeSettings& unequal, const SweepPoint& point, int levels);

    // Draws the sizes of one data set into sizes. Groups left without units are not in it, nor
    // sites left without groups.
    void draw(RandomStream& random, DataSetSizes& sizes) const;

private:
    // Whole sizes with their distribution function, drawn by inversion.
    struct VaryingSizes {
        std::vector<double> sizes;
        std::vector<double> cumulative;

        bool empty() const { return sizes.empty(); }
        std::int64_t draw(RandomStream& random) const;
    };

    static VaryingSizes varyingAround(double cv, std::int32_t mean);
    std::int64_t plannedGroups(RandomStream& random) const;
    std::int64_t groupUnits(RandomStream& random, std::size_t group) const;

    GroupSizeSettings m_unequal;
    SweepPoint m_point;
    bool m_sites;
    VaryingSizes m_groupSizes;  // when sizes vary around n
    VaryingSizes m_siteSizes;   // when the numbers of groups vary around J
};

}  // namespace tavi
