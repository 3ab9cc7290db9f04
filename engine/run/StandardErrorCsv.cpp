#include "engine/run/StandardErrorCsv.h"

#include "engine/Coefficients.h"
#include "engine/CovarianceComputation.h"
#include "engine/run/NumberFields.h"
#include "files/NumberText.h"

namespace tavi {

void StandardErrorCsv::writeHeader(const EngineState& e) {
    std::string& out = m_out.buffer();
    out.append(e.BudgetMode ? "N*n,N,n,cost" : "N*n,N,n");
    for (const Coefficient& coefficient : coefficientsOf(e.k1, e.nRandom, e.LenW3)) {
        out += ',';
        out.append(coefficient.name);
    }
    m_out.endLine();
}

void StandardErrorCsv::writeRow(const EngineState& e, std::int64_t cost) {
    std::string& out = m_out.buffer();
    appendInteger(out, std::int64_t{e.NumGroups} * e.GroupSize);
    out += ',';
    appendInteger(out, e.NumGroups);
    out += ',';
    appendInteger(out, e.GroupSize);
    if (e.BudgetMode) {
        out += ',';
        appendInteger(out, cost);
    }
    for (int i = 1; i <= e.NumCoef; ++i) {
        appendCsvField(out, usableStandardError(e, i));
    }
    m_out.endLine();
}

}  // namespace tavi
