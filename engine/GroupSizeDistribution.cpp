#include "engine/GroupSizeDistribution.h"

#include "engine/CovarianceComputation.h"
#include "engine/ExpectedInformation.h"

#include <algorithm>
#include <array>
#include <boost/math/distributions/binomial.hpp>
#include <boost/math/distributions/gamma.hpp>
#include <boost/math/special_functions/gamma.hpp>
#include <cmath>
#include <map>

namespace tavi {

namespace {

// The share of the distribution beyond either end of the grid, gathered at its own mean.
constexpr double kTail = 1.0e-12;
// A binomial is enumerated over its mean -+ this many standard deviations, beyond which its
// probabilities lie below 10^-30.
constexpr double kBinomialSpread = 12.0;
// Wider binomials are added cell by cell of the grid from their distribution function.
constexpr double kMostEnumerated = 4096.0;
// The most points of the grid on which varying sizes, or the sizes left after the loss of
// units, are gathered: each size costs an inversion at every point of a sweep.
constexpr int kGridPoints = 256;

// Whole-number sizes from low to at least high, at most kGridPoints of them: every whole number
// while a step of share r of the size is shorter than 1, then steps of that share, with the
// smallest r that fits. A group's information bends most at small sizes, and less the larger
// they are: this grid keeps the standard errors within a few 10^-6 of themselves of those of a
// grid four times as fine.
struct Grid {
    std::array<double, kGridPoints> points;
    int count = 0;

    // The cell [points[j], points[j + 1]) that holds x, from points[0] to the last point.
    int cellOf(double x) const {
        const auto at = std::upper_bound(points.begin(), points.begin() + count, x);
        return std::clamp(static_cast<int>(at - points.begin()) - 1, 0, count - 1);
    }
};

// Fills grid with the steps of share r; false when they do not reach high within its points.
bool fillGrid(Grid& grid, double low, double high, double r) {
    grid.count = 0;
    for (double x = low; grid.count < kGridPoints; x += std::max(1.0, std::floor(r * x))) {
        grid.points[grid.count++] = x;
        if (x >= high) {
            return true;
        }
    }
    return false;
}

void gridBetween(Grid& grid, double low, double high) {
    if (fillGrid(grid, low, high, 0.0)) {
        return;
    }
    double fits = 1.0;
    while (!fillGrid(grid, low, high, fits)) {
        fits *= 2.0;
    }
    double short_ = 0.0;
    for (int i = 0; i < 40; ++i) {
        const double middle = 0.5 * (short_ + fits);
        (fillGrid(grid, low, high, middle) ? fits : short_) = middle;
    }
    fillGrid(grid, low, high, fits);
}

// Adds weight at x >= 0 split between the whole numbers around it by nearness, which keeps the
// mean.
void addSplit(GroupSizeSupport& support, double x, double weight) {
    const double whole = std::floor(x);
    const double upper = (x - whole) * weight;
    support.add(whole, weight - upper);
    if (upper > 0.0) {
        support.add(whole + 1.0, upper);
    }
}

// Removes sizes without weight.
void dropEmpty(GroupSizeSupport& support) {
    int kept = 0;
    for (int i = 0; i < support.count; ++i) {
        if (support.weights[i] > 0.0) {
            support.sizes[kept] = support.sizes[i];
            support.weights[kept] = support.weights[i];
            ++kept;
        }
    }
    support.count = kept;
}

// The probability and the partial mean of a distribution below a point.
struct Below {
    double mass;
    double moment;
};

// Adds weight times a distribution over the cells first..last - 1 of grid to the weights of
// sizes, whose entries from start are the grid's points: each cell's mass split between its two
// ends so that the mean stays. below(x) is the distribution's probability and partial mean below x.
template <typename BelowAt>
void addCells(GroupSizeSupport& sizes, int start, const Grid& grid, int first, int last,
              double weight, const BelowAt& below) {
    Below low = below(grid.points[first]);
    for (int j = first; j < last; ++j) {
        const Below high = below(grid.points[j + 1]);
        const double width = grid.points[j + 1] - grid.points[j];
        const double mass = std::max(high.mass - low.mass, 0.0);
        const double moment = high.moment - low.moment;
        const double upper = std::clamp((moment - grid.points[j] * mass) / width, 0.0, mass);
        sizes.weights[start + j] += weight * (mass - upper);
        sizes.weights[start + j + 1] += weight * upper;
        low = high;
    }
}

// Adds the grid's points with no weight yet; returns where they start.
int addPoints(GroupSizeSupport& sizes, const Grid& grid) {
    const int start = sizes.count;
    for (int j = 0; j < grid.count; ++j) {
        sizes.add(grid.points[j], 0.0);
    }
    return start;
}

void varyingSizes(double cv, std::int32_t n, GroupSizeSupport& planned) {
    const double mean = n - 1.0;
    const double sd = cv * n;
    if (mean <= 0.0) {
        planned.add(n, 1.0);
        return;
    }
    const double shape = (mean / sd) * (mean / sd);
    const double scale = sd * sd / mean;
    const boost::math::gamma_distribution<double> gamma(shape, scale);
    // The probability and partial mean below x, from the regularised incomplete gamma
    // function: E[G; G < y] = shape * scale * P(shape + 1, y / scale), and P(shape + 1, z) is
    // P(shape, z) less the derivative of P(shape + 1, .) at z.
    const auto below = [&](double x) {
        const double z = (x - 1.0) / scale;
        // Written out at 0, where the library fails for large shapes.
        const double mass = z > 0.0 ? boost::math::gamma_p(shape, z) : 0.0;
        const double next = mass - boost::math::gamma_p_derivative(shape + 1.0, z);
        return Below{mass, mass + mean * std::max(next, 0.0)};
    };
    Grid grid;
    gridBetween(grid, 1.0 + std::floor(quantile(gamma, kTail)),
                1.0 + std::ceil(quantile(complement(gamma, kTail))));
    const Below lowTail = below(grid.points[0]);
    if (lowTail.mass > 0.0) {
        addSplit(planned, lowTail.moment / lowTail.mass, lowTail.mass);
    }
    addCells(planned, addPoints(planned, grid), grid, 0, grid.count - 1, 1.0, below);
    const double z = (grid.points[grid.count - 1] - 1.0) / scale;
    const double topMass = z > 0.0 ? boost::math::gamma_q(shape, z) : 1.0;
    if (topMass > 0.0) {
        const double next = topMass + boost::math::gamma_p_derivative(shape + 1.0, z);
        addSplit(planned, (topMass + mean * next) / topMass, topMass);
    }
    dropEmpty(planned);
}

// Adds weight times the binomial(m, q) distribution onto grid, whose points are the entries of
// left from start.
void addBinomial(GroupSizeSupport& left, int start, const Grid& grid, double m, double q,
                 double weight) {
    const double mean = m * q;
    const double spread = kBinomialSpread * std::sqrt(mean * (1.0 - q)) + 2.0;
    const double first = std::max(0.0, std::floor(mean - spread));
    const double last = std::min(m, std::ceil(mean + spread));
    if (last - first > kMostEnumerated) {
        // Cell by cell: the mass and the partial mean of the binomial below x, the latter from
        // sum_{s < x} s p(s) = m q P(binomial(m - 1, q) < x - 1).
        const boost::math::binomial_distribution<double> whole(m, q);
        const boost::math::binomial_distribution<double> lessOne(m - 1.0, q);
        const auto probabilityBelow = [](const auto& d, double x, double count) {
            return x <= 0.0 ? 0.0 : (x > count ? 1.0 : cdf(d, x - 1.0));
        };
        addCells(left, start, grid, grid.cellOf(first),
                 std::min(grid.cellOf(last) + 1, grid.count - 1), weight, [&](double x) {
                     return Below{probabilityBelow(whole, x, m),
                                  mean * probabilityBelow(lessOne, x - 1.0, m - 1.0)};
                 });
        return;
    }
    const boost::math::binomial_distribution<double> binomial(m, q);
    const double mode = std::clamp(std::floor((m + 1.0) * q), first, last);
    const double odds = q / (1.0 - q);
    const auto add = [&](double s, double p) {
        const int j = grid.cellOf(s);
        const double width = j + 1 < grid.count ? grid.points[j + 1] - grid.points[j] : 1.0;
        const double upper = (s - grid.points[j]) / width * p;
        left.weights[start + j] += weight * (p - upper);
        if (upper > 0.0) {
            left.weights[start + j + 1] += weight * upper;
        }
    };
    const double atMode = pdf(binomial, mode);
    add(mode, atMode);
    double p = atMode;
    for (double s = mode; s < last && p > 0.0; s += 1.0) {
        p *= (m - s) / (s + 1.0) * odds;
        add(s + 1.0, p);
    }
    p = atMode;
    for (double s = mode; s > first && p > 0.0; s -= 1.0) {
        p *= s / (m - s + 1.0) / odds;
        add(s - 1.0, p);
    }
}

}  // namespace

double meanGivenSize(const GroupSizeSettings& settings) {
    double total = 0.0;
    for (const std::int32_t size : settings.sizes) {
        total += size;
    }
    return settings.sizes.empty() ? 0.0 : total / static_cast<double>(settings.sizes.size());
}

SweepPoint givenSizesPoint(const GroupSizeSettings& settings, const SampleSizes& s) {
    std::int64_t units = 0;
    for (const std::int32_t size : settings.sizes) {
        units += size;
    }
    const auto N = static_cast<std::int32_t>(settings.sizes.size());
    const auto n = static_cast<std::int32_t>(std::llround(meanGivenSize(settings)));
    return {N, n, s.BudgetMode ? units + std::int64_t{N} * s.GroupCost : 0};
}

void plannedGroupSizes(const GroupSizeSettings& settings, std::int32_t n,
                       GroupSizeSupport& planned) {
    planned.clear();
    if (!settings.sizes.empty()) {
        std::map<std::int32_t, int> counts;
        for (const std::int32_t size : settings.sizes) {
            ++counts[size];
        }
        const double groups = static_cast<double>(settings.sizes.size());
        for (const auto& [size, count] : counts) {
            planned.add(size, count / groups);
        }
    } else if (settings.sizeCv > 0.0) {
        varyingSizes(settings.sizeCv, n, planned);
    } else {
        planned.add(n, 1.0);
    }
}

void sizesAfterDropout(const GroupSizeSupport& planned, double dropout, GroupSizeSupport& left) {
    left.clear();
    if (dropout <= 0.0) {
        for (int i = 0; i < planned.count; ++i) {
            left.add(planned.sizes[i], planned.weights[i]);
        }
        return;
    }
    double largest = 0.0;
    for (int i = 0; i < planned.count; ++i) {
        largest = std::max(largest, planned.sizes[i]);
    }
    Grid grid;
    gridBetween(grid, 0.0, largest);
    const int start = addPoints(left, grid);
    for (int i = 0; i < planned.count; ++i) {
        addBinomial(left, start, grid, planned.sizes[i], 1.0 - dropout, planned.weights[i]);
    }
    dropEmpty(left);
}

void groupSizesAt(const GroupSizeSettings& settings, std::int32_t n, GroupSizeSupport& planned,
                  GroupSizeSupport& sizes) {
    plannedGroupSizes(settings, n, planned);
    sizesAfterDropout(planned, settings.dropout, sizes);
}

void siteCountsAt(const GroupSizeSettings& settings, std::int32_t J, GroupSizeSupport& planned,
                  GroupSizeSupport& counts) {
    planned.clear();
    if (settings.siteSizeCv > 0.0) {
        varyingSizes(settings.siteSizeCv, J, planned);
    } else {
        planned.add(J, 1.0);
    }
    sizesAfterDropout(planned, settings.groupDropout, counts);
}

double expectedGroups(const GroupSizeSettings& settings, std::int64_t N) {
    return static_cast<double>(N) * (1.0 - settings.groupDropout);
}

void computePointWithSizes(EngineState& e, const GroupSizeSettings& settings, std::int32_t n,
                           std::int32_t N, GroupSizeSupport& planned, GroupSizeSupport& sizes) {
    if (!settings.inForce()) {
        computePoint(e, n, N);
        return;
    }
    e.GroupSize = n;
    e.NumGroups = N;
    groupSizesAt(settings, n, planned, sizes);
    computeExpectedPoint(e, sizes, n, expectedGroups(settings, N));
}

}  // namespace tavi
