// The engine computes with fixed-capacity storage only: a whole sample-size point at the
// largest design must not touch the heap.

#include "engine/CovarianceComputation.h"
#include "engine/EngineState.h"
#include "engine/ExpectedInformation.h"
#include "engine/SiteInformation.h"
#include "tests/engine/RandomDesign.h"
#include "tests/engine/ThreeLevelDesigns.h"

#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <new>
#include <random>

namespace {
std::atomic<long> allocations{0};
}

void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
// The allocation functions above and below replace the global ones, so what operator delete
// frees came from malloc; GCC, which at some optimisation levels sees a new-expression's memory
// reach free, would call the pair mismatched.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace tavi {
namespace {

TEST(Engine, ComputesAPointWithoutHeapAllocation) {
    std::mt19937_64 rng(1);
    test::loadIntoEngine(test::randomDesign(rng, 9, 4, 5));  // 4 + 6 * 6 = 40 coefficients
    ASSERT_EQ(test::engineUnderTest().NumCoef, dimmax);
    const long before = allocations.load();
    prepareRunConstants(test::engineUnderTest());
    for (int n = 1; n <= 50; n += 7) {
        computePoint(test::engineUnderTest(), n, 100);
    }
    EXPECT_EQ(allocations.load(), before);
    // Nor with sizes that vary and units missing, once the working space is there.
    GroupSizeSettings settings;
    settings.sizeCv = 0.7;
    settings.dropout = 0.2;
    const auto work = std::make_unique<SizedPointWork>();
    Vector efficiency;
    const long withSizes = allocations.load();
    for (int n = 1; n <= 2000; n += 333) {
        expectedGroupAt(test::engineUnderTest(), settings, n, *work);
        computeSizedPoint(test::engineUnderTest(), settings, n, 100, *work, efficiency);
    }
    EXPECT_EQ(allocations.load(), withSizes);
    // The counter itself must see allocations, or the check above proves nothing.
    int* volatile probe = new int(1);
    delete probe;
    EXPECT_EQ(allocations.load(), withSizes + 1);
}

TEST(Engine, ComputesAThreeLevelPointAtTheCapacityWithoutHeapAllocation) {
    const auto design = std::make_unique<SitesDesign>();
    const auto point = std::make_unique<SitesPoint>();
    prepareSitesDesign(test::largestThreeLevelModel(), *design);
    ASSERT_EQ(design->NumCoef, dimmax);
    const long before = allocations.load();
    for (int n = 1; n <= 50; n += 7) {
        computeSitesPoint(*design, *point, 30, 1 + n % 9, n);
    }
    EXPECT_EQ(allocations.load(), before);
}

}  // namespace
}  // namespace tavi
