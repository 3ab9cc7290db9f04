#include "engine/power/GroupSizeDistribution.h"

#include "engine/CovarianceComputation.h"
#include "engine/ExpectedInformation.h"

#include <algorithm>
#include <boost/math/distributions/binomial.hpp>
#include <boost/math/distributions/gamma.hpp>
#include <boost/math/special_functions/gamma.hpp>
#include <cmath>
#include <map>

namespace tavi {

namespace {

// The share of the distribution beyond either end of the whole numbers listed one by one,
// gathered at its own mean.
constexpr double kTail = 1.0e-12;
// A binomial is enumerated over its mean -+ this many standard deviations, beyond which its
// probabilities lie below 10^-30.
constexpr double kBinomialSpread = 12.0;
// Wider binomials are added cell by cell of the grid from their distribution function.
constexpr double kMostEnumerated = 4096.0;
// The most points of the grid on which varying sizes, or the sizes left after the loss of
// units, are gathered when they span more whole numbers: each size costs an inversion at every
// point of a sweep, and a finer grid changes the standard errors by less than 10^-4 of
// themselves.
constexpr int kGridPoints = 256;

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

// A distribution over the cells of an evenly spaced grid, each cell's mass split between its two
// ends so that the mean stays; below(x) is its probability and partial mean below x.
template <typename BelowAt>
void addCells(GroupSizeSupport& support, double first, double step, int cells,
              const BelowAt& below) {
    const int start = support.count;
    for (int j = 0; j <= cells; ++j) {
        support.add(first + j * step, 0.0);
    }
    Below low = below(first);
    double lowMass = low.mass;
    double lowMoment = low.moment;
    for (int j = 0; j < cells; ++j) {
        const double low = first + j * step;
        const Below high = below(low + step);
        const double highMass = high.mass;
        const double highMoment = high.moment;
        const double cellMass = std::max(highMass - lowMass, 0.0);
        const double cellMoment = highMoment - lowMoment;
        const double upper = std::clamp((cellMoment - low * cellMass) / step, 0.0, cellMass);
        support.weights[start + j] += cellMass - upper;
        support.weights[start + j + 1] += upper;
        lowMass = highMass;
        lowMoment = highMoment;
    }
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
        const double mass = boost::math::gamma_p(shape, z);
        const double next = mass - boost::math::gamma_p_derivative(shape + 1.0, z);
        return Below{mass, mass + mean * std::max(next, 0.0)};
    };
    const double low = 1.0 + std::floor(quantile(gamma, kTail));
    const double high = 1.0 + std::ceil(quantile(complement(gamma, kTail)));
    const int mostCells = kGridPoints - 1;
    const double step = std::max(1.0, std::ceil((high - low) / mostCells));
    const int cells = static_cast<int>(std::ceil((high - low) / step));
    const double top = low + cells * step;
    const Below lowTail = below(low);
    if (lowTail.mass > 0.0) {
        addSplit(planned, lowTail.moment / lowTail.mass, lowTail.mass);
    }
    addCells(planned, low, step, cells, below);
    const double z = (top - 1.0) / scale;
    const double topMass = boost::math::gamma_q(shape, z);
    if (topMass > 0.0) {
        const double next = topMass + boost::math::gamma_p_derivative(shape + 1.0, z);
        addSplit(planned, (topMass + mean * next) / topMass, topMass);
    }
    dropEmpty(planned);
}

// Adds weight times the binomial(m, q) distribution onto the grid 0, step, 2 step, ... whose
// weights start at index start of left.
void addBinomial(GroupSizeSupport& left, int start, double step, double m, double q,
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
        const int firstCell = static_cast<int>(std::floor(first / step));
        const int lastCell =
            std::min(static_cast<int>(std::ceil((last + 1.0) / step)), left.count - 1 - start);
        GroupSizeSupport cells;
        addCells(cells, firstCell * step, step, lastCell - firstCell, [&](double x) {
            return Below{probabilityBelow(whole, x, m),
                         mean * probabilityBelow(lessOne, x - 1.0, m - 1.0)};
        });
        for (int i = 0; i < cells.count; ++i) {
            left.weights[start + firstCell + i] += weight * cells.weights[i];
        }
        return;
    }
    const boost::math::binomial_distribution<double> binomial(m, q);
    const double mode = std::clamp(std::floor((m + 1.0) * q), first, last);
    const double odds = q / (1.0 - q);
    const auto add = [&](double s, double p) {
        const double j = std::floor(s / step);
        const double upper = (s - j * step) / step * p;
        left.weights[start + static_cast<int>(j)] += weight * (p - upper);
        if (upper > 0.0) {
            left.weights[start + static_cast<int>(j) + 1] += weight * upper;
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

SweepPoint givenSizesPoint(const GroupSizeSettings& settings, const EngineState& e) {
    std::int64_t units = 0;
    for (const std::int32_t size : settings.sizes) {
        units += size;
    }
    const auto N = static_cast<std::int32_t>(settings.sizes.size());
    const auto n = static_cast<std::int32_t>(std::llround(meanGivenSize(settings)));
    return {N, n, e.BudgetMode ? units + std::int64_t{N} * e.CostParameter : 0};
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
    const double q = 1.0 - dropout;
    double largest = 0.0;
    for (int i = 0; i < planned.count; ++i) {
        largest = std::max(largest, planned.sizes[i]);
    }
    const double step = std::max(1.0, std::ceil(largest / (kGridPoints - 1)));
    const int points = static_cast<int>(std::ceil(largest / step)) + 1;
    for (int j = 0; j < points; ++j) {
        left.add(j * step, 0.0);
    }
    for (int i = 0; i < planned.count; ++i) {
        if (q >= 1.0) {
            continue;
        }
        addBinomial(left, 0, step, planned.sizes[i], q, planned.weights[i]);
    }
    dropEmpty(left);
}

void groupSizesAt(const GroupSizeSettings& settings, std::int32_t n, GroupSizeSupport& planned,
                  GroupSizeSupport& sizes) {
    plannedGroupSizes(settings, n, planned);
    sizesAfterDropout(planned, settings.dropout, sizes);
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
    computeExpectedPoint(e, sizes, expectedGroups(settings, N));
}

}  // namespace tavi
