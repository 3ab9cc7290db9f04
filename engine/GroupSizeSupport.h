// The sizes that the groups of a design may have, each with its probability, in storage of fixed
// capacity so that a sweep can hold one per point in flight without allocating.
#pragma once

#include <cassert>

namespace tavi {

struct GroupSizeSupport {
    // Room for the sizes of any one point: wider ranges of sizes are gathered on a coarser grid.
    static constexpr int kCapacity = 1024;

    int count = 0;
    double sizes[kCapacity];    // units in a group, at least 0 (0: a group left without units)
    double weights[kCapacity];  // probabilities, or shares of the groups, summing to 1

    void clear() { count = 0; }
    // Adds size with weight; the caller keeps count below kCapacity.
    void add(double size, double weight) {
        assert(count < kCapacity);
        sizes[count] = size;
        weights[count] = weight;
        ++count;
    }
    // The mean size.
    double mean() const {
        double total = 0.0;
        for (int i = 0; i < count; ++i) {
            total += weights[i] * sizes[i];
        }
        return total;
    }
};

}  // namespace tavi
