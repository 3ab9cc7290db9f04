#include "engine/run/StandardErrorCsv.h"

#include "engine/run/PointColumns.h"
#include "engine/run/RelativeEfficiency.h"
#include "files/NumberText.h"

namespace tavi {

void StandardErrorCsv::writeHeader(const PreparedDesign& design) {
    const NestedDesign& d = design.design;
    m_levels = d.levels();
    m_budgetMode = d.sizes.BudgetMode;
    std::string& out = m_out.buffer();
    out.append(pointColumns(m_levels, m_budgetMode));
    for (const char* prefix : {"", "RE_", "N_RE_"}) {
        for (const Coefficient& coefficient : design.coefficients) {
            out.append(",").append(prefix).append(coefficient.name);
        }
        if (!d.unequal.inForce()) {
            break;
        }
    }
    m_out.endLine();
}

void StandardErrorCsv::writeRow(const ComputedPoint& point) {
    std::string& out = m_out.buffer();
    appendPointFields(out, point.point, m_levels, m_budgetMode, m_budgetMode);
    const int count = point.covariance.NumCoef;
    for (int i = 1; i <= count; ++i) {
        appendCsvField(out, usableStandardError(point.covariance, i));
    }
    if (point.efficiency != nullptr) {
        const Vector& efficiency = *point.efficiency;
        for (int i = 1; i <= count; ++i) {
            appendCsvField(out, efficiency(i));
        }
        for (int i = 1; i <= count; ++i) {
            appendCsvField(out, groupsToMakeUp(point.point.N, efficiency(i)));
        }
    }
    m_out.endLine();
}

}  // namespace tavi
