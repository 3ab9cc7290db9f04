#include "engine/run/RequiredCsv.h"

#include "files/NumberText.h"

#include <limits>

namespace tavi {

RequiredCsv::RequiredCsv(std::vector<std::string> names, int quantities, bool budgetMode,
                         int levels, const std::string& outputName)
    : m_names(std::move(names)),
      m_quantities(quantities),
      m_budgetMode(budgetMode),
      m_levels(levels),
      m_text(outputName) {}

void RequiredCsv::add(RequiredGroups row, bool joint) {
    const std::size_t part =
        m_parts.try_emplace({joint, row.coefficient}, m_parts.size()).first->second;
    if (joint) {
        row.coefficient += m_quantities;
        row.se = std::numeric_limits<double>::quiet_NaN();
    }
    std::string& text = m_row;
    text.clear();
    text += m_names[row.coefficient];
    text += ',';
    if (m_levels == 3) {
        appendInteger(text, row.J);
        text += ',';
    }
    appendInteger(text, row.n);
    if (row.point) {
        text += ',';
        appendInteger(text, row.point->N);
        text += ',';
        appendInteger(text, unitsOf(*row.point));
        text += ',';
        if (m_budgetMode) {
            appendInteger(text, row.point->cost);
        }
    } else {
        text += ",,,";
    }
    appendCsvField(text, row.se);
    appendCsvField(text, row.df);
    appendCsvField(text, row.power);
    text += "\r\n";
    m_text.append(part, text);
}

void RequiredCsv::writeTo(TextFileWriter& out) {
    out.line(m_levels == 3 ? "coefficient,J,n,K,units,cost,se,df,power"
                           : "coefficient,n,N,N*n,cost,se,df,power");
    m_text.writeTo(out);
}

}  // namespace tavi
