#include "engine/power/TestedQuantities.h"

#include "engine/CovarianceComputation.h"
#include "engine/DesignInformation.h"

#include <cmath>
#include <limits>

namespace tavi {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

TestedQuantities::TestedQuantities(int coefficients, std::vector<Contrast> contrasts,
                                   std::vector<JointTest> jointTests)
    : m_coefficients(coefficients),
      m_contrasts(std::move(contrasts)),
      m_jointTests(std::move(jointTests)) {
    for (int c = 0; c < m_coefficients; ++c) {
        m_terms.push_back({{c, 1.0}});
    }
    for (const Contrast& contrast : m_contrasts) {
        m_terms.push_back(contrast.terms);
    }
}

double TestedQuantities::covariance(const PointCovariance& e, int a, int b) const {
    double sum = 0.0;
    for (const Term& left : termsOf(a)) {
        for (const Term& right : termsOf(b)) {
            sum +=
                left.weight * right.weight * e.CovCoef(left.coefficient + 1, right.coefficient + 1);
        }
    }
    return sum;
}

double TestedQuantities::variance(const PointCovariance& e, int q) const {
    if (q < m_coefficients) {
        return std::isnan(usableStandardError(e, q + 1)) ? kNaN : e.CovCoef(q + 1, q + 1);
    }
    // A combination of coefficients known to nothing but rounding is known no better.
    for (const Term& term : termsOf(q)) {
        if (std::isnan(usableStandardError(e, term.coefficient + 1))) {
            return kNaN;
        }
    }
    const double variance = covariance(e, q, q);
    return std::isnan(standardErrorOf(variance)) ? kNaN : variance;
}

std::vector<std::optional<double>> TestedQuantities::withImpliedEffects(
    std::vector<std::optional<double>> effects) const {
    effects.resize(static_cast<std::size_t>(count()));
    for (int q = m_coefficients; q < count(); ++q) {
        double sum = 0.0;
        bool known = true;
        for (const Term& term : termsOf(q)) {
            known = known && effects[term.coefficient].has_value();
            sum += known ? term.weight * *effects[term.coefficient] : 0.0;
        }
        if (!effects[q] && known) {
            effects[q] = sum;
        }
    }
    return effects;
}

TestedDegreesOfFreedom TestedQuantities::degreesOfFreedom(
    DegreesOfFreedom coefficients, const std::vector<std::optional<double>>& given) const {
    const auto give = [&given](DegreesOfFreedom& df, int entry, std::size_t i) {
        if (i < given.size() && given[i]) {
            df.give(entry, *given[i]);
        }
    };
    DegreesOfFreedom& df = coefficients;
    for (int q = 0; q < count(); ++q) {
        if (q >= m_coefficients) {
            std::vector<int> involved;
            for (const Term& term : termsOf(q)) {
                involved.push_back(term.coefficient);
            }
            df.addSmallestOf(involved);
        }
        give(df, q, static_cast<std::size_t>(q));
    }
    std::vector<std::vector<int>> members;
    for (const JointTest& test : m_jointTests) {
        members.push_back(test.members);
    }
    DegreesOfFreedom joint = df.smallestOf(members);
    for (std::size_t j = 0; j < m_jointTests.size(); ++j) {
        give(joint, static_cast<int>(j), static_cast<std::size_t>(count()) + j);
    }
    return {std::move(df), std::move(joint)};
}

int TestedQuantities::packedSize(int j) const {
    const auto r = static_cast<int>(m_jointTests[j].members.size());
    return r * (r + 1) / 2;
}

void TestedQuantities::appendJointCovariance(const PointCovariance& e, int j, double scale,
                                             std::vector<double>& out) const {
    const std::vector<int>& members = m_jointTests[j].members;
    bool usable = true;
    for (const int member : members) {
        usable = usable && !std::isnan(variance(e, member));
    }
    for (std::size_t a = 0; a < members.size(); ++a) {
        for (std::size_t b = 0; b <= a; ++b) {
            out.push_back(usable ? covariance(e, members[a], members[b]) * scale : kNaN);
        }
    }
}

JointCovariances::JointCovariances(std::shared_ptr<const TestedQuantities> tested)
    : m_tested(std::move(tested)) {
    for (int j = 0; j < static_cast<int>(m_tested->jointTests().size()); ++j) {
        m_offsets.push_back(m_stride);
        m_sizes.push_back(static_cast<std::size_t>(m_tested->packedSize(j)));
        m_stride += m_sizes.back();
    }
}

void JointCovariances::addCurrent(const PointCovariance& e, double scale) {
    for (int j = 0; j < static_cast<int>(m_offsets.size()); ++j) {
        m_tested->appendJointCovariance(e, j, scale, m_values);
    }
}

void JointCovariances::addMissing() {
    m_values.insert(m_values.end(), m_stride, kNaN);
}

}  // namespace tavi
