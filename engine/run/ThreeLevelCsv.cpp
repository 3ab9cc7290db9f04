#include "engine/run/ThreeLevelCsv.h"

#include "engine/CovarianceComputation.h"
#include "engine/run/NumberFields.h"
#include "files/NumberText.h"

namespace tavi {

void ThreeLevelCsv::writeHeader(const std::vector<Coefficient>& coefficients) {
    std::string& out = m_out.buffer();
    out.append(m_budgetMode ? "K,J,n,units,cost" : "K,J,n,units");
    for (const Coefficient& coefficient : coefficients) {
        out.append(",").append(coefficient.name);
    }
    m_out.endLine();
}

void ThreeLevelCsv::writeRow(const ThreeLevelPoint& point, int numCoef, std::int64_t cost) {
    std::string& out = m_out.buffer();
    for (const std::int64_t value :
         {std::int64_t{point.K}, std::int64_t{point.J}, std::int64_t{point.n},
          std::int64_t{point.K} * point.J * point.n}) {
        appendInteger(out, value);
        out += ',';
    }
    out.pop_back();
    if (m_budgetMode) {
        out += ',';
        appendInteger(out, cost);
    }
    for (int i = 1; i <= numCoef; ++i) {
        appendCsvField(out, usableStandardError(point.InfoMatrix(i, i), point.CovCoef(i, i)));
    }
    m_out.endLine();
}

}  // namespace tavi
