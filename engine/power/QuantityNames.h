// The names of what a run tests, and the contrasts and joint tests read from the text a user
// gives them: "T2vsT1" = "Group2-Group1", "mean" = "0.5*Group1+0.5*Group2", "omnibus" =
// "Group1,Group2".
#pragma once

#include "engine/Coefficients.h"
#include "engine/power/TestedQuantities.h"

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavi {

// Contrasts and joint tests as a user gives them: a name and the text after it.
using NamedTexts = std::vector<std::pair<std::string, std::string>>;

// A contrast or joint test that cannot be used: why, in one line.
struct QuantityError {
    std::string message;
};

class QuantityNames {
public:
    // The coefficients, with the contrasts and joint tests of existing when it is given.
    explicit QuantityNames(const std::vector<Coefficient>& coefficients,
                           const TestedQuantities* existing = nullptr);

    // Adds the contrast name = expression: terms [WEIGHT*]COEFFICIENT joined by + and -, with an
    // optional sign before the first and blanks between them. Repeated coefficients add up.
    // Throws QuantityError for a name that is taken or not a name (a letter or _ first, then
    // letters, digits, _ and .), a coefficient the design lacks, a word where a weight belongs
    // (nan*Group1), text of another form, weights that are all 0 and a weight below 1e-6 or
    // above 1e6 in size.
    void addContrast(const std::string& name, std::string_view expression);

    // Adds the joint test name of the comma list members: two or more coefficients or contrasts,
    // linearly independent. Throws QuantityError for a name as above, an unknown member, fewer
    // than two members, and a member that is a linear combination of those before it or differs
    // from one by less than 1e-10 of its length (saying by how much).
    void addJointTest(const std::string& name, std::string_view members);

    // Coefficients, then contrasts: the names of the tested quantities.
    std::vector<std::string> quantityNames() const;
    // The tested quantities, then the joint tests.
    std::vector<std::string> allNames() const;

    std::shared_ptr<const TestedQuantities> tested() const;

    // For people: "Contrast T2vsT1: Group2-Group1" for contrast k, "omnibus: Group1, Group2" for
    // joint test j.
    std::string contrastTitle(int k) const;
    std::string jointTestTitle(int j) const;

private:
    void checkNewName(const std::string& name) const;
    // The weights of quantity q on every coefficient.
    std::vector<double> weightsOf(int q) const;

    std::vector<std::string> m_coefficients;
    std::vector<Contrast> m_contrasts;
    std::vector<JointTest> m_jointTests;
};

}  // namespace tavi
