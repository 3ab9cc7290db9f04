#include "engine/run/StandardErrorCsv.h"

#include "engine/CovarianceComputation.h"
#include "files/NumberText.h"

#include <charconv>
#include <cmath>
#include <string>

namespace tavi {

void StandardErrorCsv::writeHeader(const EngineState& e) {
    std::string& out = m_out.buffer();
    out.append(e.BudgetMode ? "N*n,N,n,cost" : "N*n,N,n");
    for (int i = 1; i <= e.k1; ++i) {
        out.append(",Fixed" + std::to_string(i));
    }
    out.append(",Const");
    for (int s = 1; s < e.LenW3; ++s) {
        out.append(",Group" + std::to_string(s));
    }
    for (int j = 1; j < e.nRandom; ++j) {
        out.append(",Random" + std::to_string(j));
        for (int s = 1; s < e.LenW3; ++s) {
            out.append(",CrossL" + std::to_string(j) + "_" + std::to_string(s));
        }
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
        out += ',';
        const double variance = e.CovCoef(i, i);
        if (HasStandardError(variance)) {
            char buffer[32];
            const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::sqrt(variance));
            out.append(buffer, result.ptr);
        }
    }
    m_out.endLine();
}

}  // namespace tavi
