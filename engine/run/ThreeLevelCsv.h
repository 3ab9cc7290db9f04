// The table of standard errors of a three-level run as CSV: the sample sizes, then one column
// per coefficient named as the command line names it ("intercept", "ses:treatment").
#pragma once

#include "engine/Coefficients.h"
#include "engine/ThreeLevelComputation.h"
#include "files/TextFileWriter.h"

#include <cstdint>
#include <vector>

namespace tavi {

class ThreeLevelCsv {
public:
    ThreeLevelCsv(TextFileWriter& out, bool budgetMode) : m_out(out), m_budgetMode(budgetMode) {}

    // K,J,n,units, cost in budget mode, then the coefficients' names.
    void writeHeader(const std::vector<Coefficient>& coefficients);

    // The point; each standard error in the shortest form that reads back to the same double,
    // an empty field where the report shows its marker or the information is singular.
    void writeRow(const ThreeLevelPoint& point, int numCoef, std::int64_t cost);

private:
    TextFileWriter& m_out;
    bool m_budgetMode;
};

}  // namespace tavi
