// What a run's tests are about: the design's coefficients, contrasts among them (linear
// combinations tested like a coefficient, such as a main effect plus an interaction, or one
// treatment arm against another) and joint tests of several of these at once.
#pragma once

#include "engine/DesignInformation.h"
#include "engine/power/DegreesOfFreedom.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tavi {

// A weight on one coefficient, counted from 0 in coefficient order.
struct Term {
    int coefficient;
    double weight;
};

// The linear combination l'beta of the coefficients, tested like a coefficient: its estimate's
// variance at a point is l' CovCoef l.
struct Contrast {
    std::string name;
    std::vector<Term> terms;  // each coefficient at most once, no weight 0
};

// Several tested quantities tested against 0 at once by an F test.
struct JointTest {
    std::string name;
    std::vector<int> members;  // tested quantities, linearly independent
};

// The degrees of freedom of the tested quantities, and of the joint tests one entry each.
struct TestedDegreesOfFreedom {
    DegreesOfFreedom quantities;
    DegreesOfFreedom jointTests;
};

// The tested quantities of a run: quantity q < coefficients() is coefficient q, quantity
// coefficients() + k is contrast k. The joint tests are over these quantities.
class TestedQuantities {
public:
    explicit TestedQuantities(int coefficients, std::vector<Contrast> contrasts = {},
                              std::vector<JointTest> jointTests = {});

    int coefficients() const { return m_coefficients; }
    // Coefficients and contrasts.
    int count() const { return m_coefficients + static_cast<int>(m_contrasts.size()); }
    const std::vector<Contrast>& contrasts() const { return m_contrasts; }
    const std::vector<JointTest>& jointTests() const { return m_jointTests; }

    // The weights of quantity q on the coefficients: a coefficient is itself with weight 1.
    const std::vector<Term>& termsOf(int q) const { return m_terms[q]; }

    // The variance of quantity q's estimate at the point e, for the tests built on it:
    // NaN where one of its coefficients has no usable standard error (usableStandardError) or
    // the variance is below the smallest one the report prints. For a coefficient its diagonal
    // element of CovCoef exactly.
    double variance(const PointCovariance& e, int q) const;

    // The true values of the quantities, from effects given per quantity: a contrast without
    // one whose coefficients all have one gets l'beta.
    std::vector<std::optional<double>> withImpliedEffects(
        std::vector<std::optional<double>> effects) const;

    // The df of each quantity and joint test: a coefficient's by the rules of coefficients, a
    // contrast's the smallest among its coefficients', a joint test's the smallest among its
    // members'; given, per quantity and then per joint test, replaces any of them.
    TestedDegreesOfFreedom degreesOfFreedom(DegreesOfFreedom coefficients,
                                            const std::vector<std::optional<double>>& given) const;

    // The number of values of joint test j's packed covariance: r (r + 1) / 2 for r members.
    int packedSize(int j) const;

    // Appends the covariance matrix of joint test j's members' estimates at the point e,
    // times scale, as its lower triangle row by row; NaN throughout where a member has no
    // usable variance.
    void appendJointCovariance(const PointCovariance& e, int j, double scale,
                               std::vector<double>& out) const;

private:
    // The covariance of quantities a and b's estimates at the point e.
    double covariance(const PointCovariance& e, int a, int b) const;

    int m_coefficients;
    std::vector<Contrast> m_contrasts;
    std::vector<JointTest> m_jointTests;
    std::vector<std::vector<Term>> m_terms;  // quantity by quantity
};

// The covariance matrices of every joint test's members, row by row (a point, or a group size).
class JointCovariances {
public:
    explicit JointCovariances(std::shared_ptr<const TestedQuantities> tested);

    // A row at the point e, every covariance times scale.
    void addCurrent(const PointCovariance& e, double scale);
    // A row without covariances (NaN).
    void addMissing();
    // Forgets every row.
    void clear() { m_values.clear(); }

    // Joint test j's members' covariance in row i, packed as TestedQuantities packs it.
    std::span<const double> at(std::size_t i, int j) const {
        return std::span(m_values).subspan(i * m_stride + m_offsets[j], m_sizes[j]);
    }

private:
    std::shared_ptr<const TestedQuantities> m_tested;
    std::vector<std::size_t> m_offsets;
    std::vector<std::size_t> m_sizes;
    std::size_t m_stride = 0;
    std::vector<double> m_values;
};

}  // namespace tavi
