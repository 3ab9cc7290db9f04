#include "engine/run/TemplateAssumptions.h"

#include "files/FileNames.h"

#include <string_view>
#include <utility>

namespace tavi {

namespace {

// The values a new plan starts from, chosen on the planner's behalf as a common design to
// change: an intraclass correlation of 0.1, a budget of 1000 units at a cost of 5 per group,
// group sizes from 2 to 60; with sites 0.1 between groups and 0.05 between sites, 2 to 8 groups
// per site, and a budget of 10000 units at a cost of 50 per site; over periods 4 sequences (or
// 4 periods where the sequences do not give them) of 2 to 12 clusters each. A key without one
// here starts from its default.
struct StartingValue {
    std::string_view key;
    std::string_view text;
    bool onlyWhenRequired;  // a key that a template may also derive, as n from the occasions
    int levels;             // of the templates it is for; 0 for all
};

constexpr StartingValue kStartingValues[] = {
    {"icc", "0.1", false, 0},       {"icc_pre", "0.5", false, 0},
    {"var_ratio", "0.1", false, 0}, {"occasions", "5", false, 0},
    {"budget", "1000", false, 2},   {"group_cost", "5", false, 0},
    {"n", "2:60:2", true, 0},       {"icc2", "0.1", false, 3},
    {"icc3", "0.05", false, 3},     {"moderator_level", "1", false, 3},
    {"budget", "10000", false, 3},  {"site_cost", "50", false, 3},
    {"groups", "2:8", true, 3},     {"sequences", "4", false, 3},
    {"periods", "4", true, 3},      {"clusters", "2:12", false, 3},
};

std::string startingText(const TemplateKey& key, int levels) {
    for (const StartingValue& value : kStartingValues) {
        if (value.key == key.name && (!value.onlyWhenRequired || key.need == Need::Required) &&
            (value.levels == 0 || value.levels == levels)) {
            return std::string(value.text);
        }
    }
    return {};
}

// The key's help with the values it takes and, for a key left empty, what it is then.
std::string helpOf(const TemplateKey& key) {
    std::string help(key.help);
    help.append(". Values: ").append(allowedValues(key.kind));
    if (key.list) {
        help.append(", as a comma list");
    }
    return help;
}

std::string placeholderOf(const TemplateKey& key) {
    switch (key.need) {
        case Need::Required:
            return "needed";
        case Need::Default:
            return std::string(key.defaultText);
        case Need::Conditional:
            break;
    }
    return std::string(key.defaultText);
}

}  // namespace

TemplateAssumptions::TemplateAssumptions(const DesignTemplate& designTemplate)
    : m_template(designTemplate) {
    for (const TemplateKey& key : m_template.keys) {
        m_fields.push_back({std::string(key.name), std::string(key.name), helpOf(key),
                            startingText(key, m_template.levels), placeholderOf(key)});
        m_savedTexts.push_back(m_fields.back().text);
    }
    addGroupSizeFields(m_template.levels, m_template.overPeriods);
}

std::string TemplateAssumptions::title() const {
    std::string title =
        "Template " + std::string(m_template.name) + ": " + std::string(m_template.description);
    if (!m_savedFile.empty()) {
        title += " (saved as " + fileNamePartOf(m_savedFile) + ")";
    }
    return title;
}

void TemplateAssumptions::setText(std::size_t i, const std::string& text) {
    m_fields[i].text = text;
}

AssumedDesign TemplateAssumptions::design() const {
    // An empty field is a key not given.
    std::vector<std::pair<std::string, std::string>> given;
    for (std::size_t i = 0; i < m_savedTexts.size(); ++i) {
        if (!m_fields[i].text.empty()) {
            given.emplace_back(m_fields[i].key, m_fields[i].text);
        }
    }
    try {
        AssumedDesign assumed{asFileHoldsIt(makeDesign(m_template, given).design), {}};
        assumeGroupSizes(assumed);
        return assumed;
    } catch (const TemplateError& error) {
        std::size_t field = AssumptionProblem::kWholeDesign;
        for (std::size_t i = 0; i < m_savedTexts.size(); ++i) {
            field = m_fields[i].key == error.key ? i : field;
        }
        return {std::nullopt, {field, error.key + ": " + error.message + "."}};
    }
}

void TemplateAssumptions::revert() {
    for (std::size_t i = 0; i < m_savedTexts.size(); ++i) {
        m_fields[i].text = m_savedTexts[i];
    }
    revertGroupSizes();
}

void TemplateAssumptions::markSaved(const std::string& fileName) {
    m_savedFile = fileName;
    for (std::size_t i = 0; i < m_savedTexts.size(); ++i) {
        m_savedTexts[i] = m_fields[i].text;
    }
    markGroupSizesSaved();
}

bool TemplateAssumptions::edited() const {
    for (std::size_t i = 0; i < m_savedTexts.size(); ++i) {
        if (m_fields[i].text != m_savedTexts[i]) {
            return true;
        }
    }
    return groupSizesEdited();
}

std::string TemplateAssumptions::keyCoefficient() const {
    return std::string(m_template.keyCoefficient);
}

}  // namespace tavi
