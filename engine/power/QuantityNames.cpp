#include "engine/power/QuantityNames.h"

#include <Eigen/QR>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace tavi {

namespace {

// Relative to a member's length: weights are given to a few digits, so a member that differs
// from a combination of the others only in the last digits of a double is one, and one that
// differs by less than this is refused as too close to one to be told apart.
constexpr double kDependenceThreshold = 1.0e-10;
// Below this the difference is rounding alone.
constexpr double kRoundingDistance = 64 * std::numeric_limits<double>::epsilon();

// Contrast weights are ratios of effects, such as 0.5 or 2; further from 1 their squares
// overflow or vanish in the variance of the contrast.
constexpr double kSmallestWeight = 1.0e-6;
constexpr double kLargestWeight = 1.0e6;

std::string shortest(double value) {
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    return std::string(digits, end);
}

bool isNameCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '.';
}

bool isName(std::string_view text) {
    return !text.empty() &&
           (std::isalpha(static_cast<unsigned char>(text.front())) != 0 || text.front() == '_') &&
           std::all_of(text.begin(), text.end(), isNameCharacter);
}

// Reads an expression's terms from left to right, blanks skipped between them.
class ExpressionReader {
public:
    explicit ExpressionReader(std::string_view text) : m_text(text) {}

    bool atEnd() {
        skipBlanks();
        return m_at == m_text.size();
    }

    // + or -, as +1 or -1; 0 when neither comes next.
    double sign() {
        skipBlanks();
        if (m_at < m_text.size() && (m_text[m_at] == '+' || m_text[m_at] == '-')) {
            return m_text[m_at++] == '-' ? -1.0 : 1.0;
        }
        return 0.0;
    }

    // [WEIGHT*]NAME with the weight 1 when none is written; false when the text is not one.
    bool term(double& weight, std::string_view& name) {
        skipBlanks();
        weight = 1.0;
        if (m_at < m_text.size() &&
            (std::isdigit(static_cast<unsigned char>(m_text[m_at])) != 0 || m_text[m_at] == '.')) {
            const char* begin = m_text.data() + m_at;
            const auto [end, error] = std::from_chars(begin, m_text.data() + m_text.size(), weight);
            if (error != std::errc() || !std::isfinite(weight)) {
                return false;
            }
            m_at += static_cast<std::size_t>(end - begin);
            skipBlanks();
            if (m_at == m_text.size() || m_text[m_at] != '*') {
                return false;
            }
            ++m_at;
            skipBlanks();
        }
        const std::size_t start = m_at;
        while (m_at < m_text.size() && isNameCharacter(m_text[m_at])) {
            ++m_at;
        }
        name = m_text.substr(start, m_at - start);
        skipBlanks();
        if (m_at < m_text.size() && m_text[m_at] == '*') {
            // nan*Group1, inf*Group1: a word where the weight belongs.
            throw QuantityError{"'" + std::string(name) +
                                "' is not a weight: a weight is a number such as the 0.5 of "
                                "0.5*Group1"};
        }
        return isName(name);
    }

private:
    void skipBlanks() {
        while (m_at < m_text.size() && m_text[m_at] == ' ') {
            ++m_at;
        }
    }

    std::string_view m_text;
    std::size_t m_at = 0;
};

QuantityError notAnExpression(std::string_view expression) {
    return {"'" + std::string(expression) +
            "' is not a sum of terms WEIGHT*COEFFICIENT, such as Group1+CrossL1_1 or "
            "0.5*Group1-0.5*Group2"};
}

std::string listOf(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names) {
        list.append(list.empty() ? "" : ", ").append(name);
    }
    return list;
}

// The position of name in names, or -1.
int indexOf(const std::vector<std::string>& names, std::string_view name) {
    const auto found = std::find(names.begin(), names.end(), name);
    return found == names.end() ? -1 : static_cast<int>(found - names.begin());
}

// The pieces of a comma list, without the blanks around them.
std::vector<std::string_view> itemsOf(std::string_view text) {
    std::vector<std::string_view> items;
    for (std::size_t start = 0;;) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        std::string_view item = text.substr(start, comma - start);
        while (!item.empty() && item.front() == ' ') {
            item.remove_prefix(1);
        }
        while (!item.empty() && item.back() == ' ') {
            item.remove_suffix(1);
        }
        items.push_back(item);
        if (comma == text.size()) {
            return items;
        }
        start = comma + 1;
    }
}

// How far member is from the combinations of the columns of before (linearly independent),
// relative to its own length: 0 for a linear combination of them.
double distanceFromCombinations(const Eigen::MatrixXd& before, const Eigen::VectorXd& member) {
    if (before.cols() == 0) {
        return 1.0;
    }
    const Eigen::VectorXd nearest = before * before.colPivHouseholderQr().solve(member);
    return (member - nearest).norm() / member.norm();
}

}  // namespace

QuantityNames::QuantityNames(const std::vector<Coefficient>& coefficients,
                             const TestedQuantities* existing) {
    for (const Coefficient& coefficient : coefficients) {
        m_coefficients.push_back(coefficient.name);
    }
    if (existing != nullptr) {
        m_contrasts = existing->contrasts();
        m_jointTests = existing->jointTests();
    }
}

void QuantityNames::checkNewName(const std::string& name) const {
    if (!isName(name)) {
        throw QuantityError{"'" + name +
                            "' is not a name: a letter or _ first, then letters, digits, _ and ."};
    }
    if (indexOf(m_coefficients, name) >= 0) {
        throw QuantityError{"the name is a coefficient's; choose another"};
    }
    if (indexOf(allNames(), name) >= 0) {
        throw QuantityError{"the name is given twice"};
    }
}

void QuantityNames::addContrast(const std::string& name, std::string_view expression) {
    checkNewName(name);
    Contrast contrast{name, {}};
    ExpressionReader reader(expression);
    double sign = reader.sign();
    sign = sign == 0.0 ? 1.0 : sign;
    do {
        double weight = 1.0;
        std::string_view coefficient;
        if (!reader.term(weight, coefficient)) {
            throw notAnExpression(expression);
        }
        const int c = indexOf(m_coefficients, coefficient);
        if (c < 0) {
            throw QuantityError{std::string(coefficient) +
                                " is not a coefficient of the design; it has " +
                                listOf(m_coefficients)};
        }
        const auto same = std::find_if(contrast.terms.begin(), contrast.terms.end(),
                                       [c](const Term& term) { return term.coefficient == c; });
        if (same == contrast.terms.end()) {
            contrast.terms.push_back({c, sign * weight});
        } else {
            same->weight += sign * weight;
        }
        sign = reader.sign();
    } while (sign != 0.0);
    if (!reader.atEnd()) {
        throw notAnExpression(expression);
    }
    std::erase_if(contrast.terms, [](const Term& term) { return term.weight == 0.0; });
    if (contrast.terms.empty()) {
        throw QuantityError{"every weight of '" + std::string(expression) + "' is 0"};
    }
    for (const Term& term : contrast.terms) {
        if (std::fabs(term.weight) < kSmallestWeight || std::fabs(term.weight) > kLargestWeight) {
            throw QuantityError{"the weight of " + m_coefficients[term.coefficient] + " is " +
                                shortest(term.weight) +
                                "; weights lie between 1e-6 and 1e6 in size"};
        }
    }
    m_contrasts.push_back(std::move(contrast));
}

std::vector<double> QuantityNames::weightsOf(int q) const {
    std::vector<double> weights(m_coefficients.size(), 0.0);
    if (q < static_cast<int>(m_coefficients.size())) {
        weights[q] = 1.0;
        return weights;
    }
    for (const Term& term : m_contrasts[q - m_coefficients.size()].terms) {
        weights[term.coefficient] = term.weight;
    }
    return weights;
}

void QuantityNames::addJointTest(const std::string& name, std::string_view members) {
    checkNewName(name);
    JointTest test{name, {}};
    const std::vector<std::string> quantities = quantityNames();
    const std::vector<std::string_view> items = itemsOf(members);
    if (items.size() < 2) {
        throw QuantityError{"needs two or more coefficients or contrasts, separated by commas"};
    }
    // The members' weights, a column each.
    Eigen::MatrixXd weights(static_cast<Eigen::Index>(m_coefficients.size()), 0);
    for (const std::string_view item : items) {
        const int q = indexOf(quantities, item);
        if (q < 0) {
            throw QuantityError{"'" + std::string(item) +
                                "' is neither a coefficient nor a contrast; they are " +
                                listOf(quantities)};
        }
        const std::vector<double> row = weightsOf(q);
        const Eigen::Map<const Eigen::VectorXd> member(row.data(),
                                                       static_cast<Eigen::Index>(row.size()));
        const double distance = distanceFromCombinations(weights, member);
        if (distance <= kRoundingDistance) {
            throw QuantityError{std::string(item) +
                                " is a linear combination of the members before it; a joint "
                                "test needs linearly independent members"};
        }
        if (distance < kDependenceThreshold) {
            throw QuantityError{std::string(item) +
                                " differs from a linear combination of the members before it by " +
                                shortest(distance) +
                                " of its size; a joint test needs members that differ by more "
                                "than 1e-10"};
        }
        weights.conservativeResize(Eigen::NoChange, weights.cols() + 1);
        weights.col(weights.cols() - 1) = member;
        test.members.push_back(q);
    }
    m_jointTests.push_back(std::move(test));
}

std::vector<std::string> QuantityNames::quantityNames() const {
    std::vector<std::string> names = m_coefficients;
    for (const Contrast& contrast : m_contrasts) {
        names.push_back(contrast.name);
    }
    return names;
}

std::vector<std::string> QuantityNames::allNames() const {
    std::vector<std::string> names = quantityNames();
    for (const JointTest& test : m_jointTests) {
        names.push_back(test.name);
    }
    return names;
}

std::shared_ptr<const TestedQuantities> QuantityNames::tested() const {
    return std::make_shared<const TestedQuantities>(static_cast<int>(m_coefficients.size()),
                                                    m_contrasts, m_jointTests);
}

std::string QuantityNames::contrastTitle(int k) const {
    std::string text = "Contrast " + m_contrasts[k].name + ": ";
    for (const Term& term : m_contrasts[k].terms) {
        const double size = std::fabs(term.weight);
        text += term.weight < 0.0 ? "-" : &term == m_contrasts[k].terms.data() ? "" : "+";
        if (size != 1.0) {
            text.append(shortest(size)).append("*");
        }
        text += m_coefficients[term.coefficient];
    }
    return text;
}

std::string QuantityNames::jointTestTitle(int j) const {
    const std::vector<std::string> quantities = quantityNames();
    std::string text = m_jointTests[j].name + ":";
    for (const int member : m_jointTests[j].members) {
        text.append(text.back() == ':' ? " " : ", ").append(quantities[member]);
    }
    return text;
}

}  // namespace tavi
