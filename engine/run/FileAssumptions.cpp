#include "engine/run/FileAssumptions.h"

#include "files/FileNames.h"

#include <algorithm>

namespace tavi {

FileAssumptions::FileAssumptions(const NestedDesign& d, std::string fileName)
    : m_fileName(std::move(fileName)),
      m_saved(std::make_unique<NestedDesign>(d)),
      m_edited(std::make_unique<NestedDesign>(d)),
      m_rows(assumptionRows(d)),
      m_problems(m_rows.size()) {
    for (const AssumptionRow& row : m_rows) {
        m_fields.push_back(row.field);
    }
    addGroupSizeFields(d.levels(), d.periods.has_value());
    showValues(std::nullopt);
}

std::string FileAssumptions::title() const {
    const char* kind = m_edited->periods         ? "Cluster design over periods of "
                       : m_edited->levels() == 3 ? "Three-level design of "
                                                 : "Design of ";
    return kind + fileNamePartOf(m_fileName);
}

void FileAssumptions::showValues(std::optional<std::size_t> typed) {
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        m_fields[i].applies = rowApplies(m_rows[i], *m_edited);
        if (!m_fields[i].applies) {
            // What was typed into it has no part in the design any more.
            m_problems[i].clear();
            m_fields[i].text.clear();
        } else if (i != typed && m_problems[i].empty()) {
            m_fields[i].text = rowText(m_rows[i], m_rows[i].get(*m_edited));
        }
    }
}

void FileAssumptions::setText(std::size_t i, const std::string& text) {
    if (setGroupSizeText(i, text)) {
        return;
    }
    m_fields[i].text = text;
    double value = 0.0;
    m_problems[i] = rowProblem(m_rows[i], text, *m_edited, value);
    if (m_problems[i].empty()) {
        m_rows[i].set(*m_edited, value);
        showValues(i);
    }
}

AssumedDesign FileAssumptions::design() const {
    for (std::size_t i = 0; i < m_problems.size(); ++i) {
        if (!m_problems[i].empty()) {
            return {std::nullopt, {i, m_problems[i]}};
        }
    }
    for (std::size_t i = 1; i < m_rows.size(); ++i) {
        if (!m_rows[i].disorder.empty() &&
            m_rows[i].get(*m_edited) < m_rows[i - 1].get(*m_edited)) {
            return {std::nullopt, {i, m_rows[i].disorder}};
        }
    }
    AssumedDesign assumed{asFileHoldsIt(*m_edited), {}};
    assumeGroupSizes(assumed);
    return assumed;
}

void FileAssumptions::revert() {
    *m_edited = *m_saved;
    std::fill(m_problems.begin(), m_problems.end(), std::string());
    revertGroupSizes();
    showValues(std::nullopt);
}

void FileAssumptions::markSaved(const std::string& fileName) {
    *m_saved = *m_edited;
    m_fileName = fileName;
    markGroupSizesSaved();
}

bool FileAssumptions::edited() const {
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        if (!m_problems[i].empty() || (rowApplies(m_rows[i], *m_edited) &&
                                       m_rows[i].get(*m_edited) != m_rows[i].get(*m_saved))) {
            return true;
        }
    }
    return groupSizesEdited();
}

std::string FileAssumptions::keyCoefficient() const {
    // A design over periods is planned for its treatment, its last variable after the periods'.
    return m_saved->periods ? m_saved->variables.back().name : std::string();
}

}  // namespace tavi
