#include "engine/run/StandardErrorCsv.h"

#include "engine/Coefficients.h"
#include "engine/CovarianceComputation.h"
#include "engine/run/NumberFields.h"
#include "engine/run/RelativeEfficiency.h"
#include "files/NumberText.h"

namespace tavi {

void StandardErrorCsv::writeHeader(const EngineState& e, bool unequal) {
    std::string& out = m_out.buffer();
    out.append(e.BudgetMode ? "N*n,N,n,cost" : "N*n,N,n");
    const std::vector<Coefficient> coefficients = coefficientsOf(e.k1, e.nRandom, e.LenW3);
    for (const char* prefix : {"", "RE_", "N_RE_"}) {
        for (const Coefficient& coefficient : coefficients) {
            out.append(",").append(prefix).append(coefficient.name);
        }
        if (!unequal) {
            break;
        }
    }
    m_out.endLine();
}

void StandardErrorCsv::writeRow(const EngineState& e, std::int64_t cost, const Vector& efficiency) {
    std::string& out = m_out.buffer();
    appendPointFields(out, e, cost);
    for (int i = 1; i <= e.NumCoef; ++i) {
        appendCsvField(out, usableStandardError(e, i));
    }
    for (int i = 1; i <= e.NumCoef; ++i) {
        appendCsvField(out, efficiency(i));
    }
    for (int i = 1; i <= e.NumCoef; ++i) {
        appendCsvField(out, groupsToMakeUp(e.NumGroups, efficiency(i)));
    }
    m_out.endLine();
}

void StandardErrorCsv::appendPointFields(std::string& out, const EngineState& e,
                                         std::int64_t cost) {
    appendInteger(out, std::int64_t{e.NumGroups} * e.GroupSize);
    out += ',';
    appendInteger(out, e.NumGroups);
    out += ',';
    appendInteger(out, e.GroupSize);
    if (e.BudgetMode) {
        out += ',';
        appendInteger(out, cost);
    }
}

void StandardErrorCsv::writeRow(const EngineState& e, std::int64_t cost) {
    std::string& out = m_out.buffer();
    appendPointFields(out, e, cost);
    for (int i = 1; i <= e.NumCoef; ++i) {
        appendCsvField(out, usableStandardError(e, i));
    }
    m_out.endLine();
}

}  // namespace tavi
