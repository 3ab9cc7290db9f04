#include "engine/run/Assumptions.h"

#include "files/DesignFile.h"
#include "files/NumberText.h"
#include "files/TypedNumbers.h"

#include <array>
#include <cmath>
#include <optional>

namespace tavi {

namespace {

// A field of groups that differ in size, with the option that gives tavi-calc its value.
struct SizeField {
    const char* key;
    const char* option;
    const char* label;
    const char* help;
    const char* rule;  // the values it takes
    double GroupSizeSettings::*value;
    bool variation;  // a coefficient of variation, not a probability
    int levels;      // the fewest levels a design has for it to apply
};

constexpr std::array<SizeField, 4> kSizeFields = {{
    {"size_cv", "--size-cv", "Coefficient of variation of the group sizes",
     "How much the groups' sizes vary around n: 0 when every group has n units. tavi-calc "
     "takes it as --size-cv; the parameter file does not hold it.",
     "0 or a number from 0.01 to 10", &GroupSizeSettings::sizeCv, true, 2},
    {"site_size_cv", "--site-size-cv", "Coefficient of variation of the groups per site",
     "How much the sites' numbers of groups vary around J: 0 when every site has J groups. "
     "tavi-calc takes it as --site-size-cv; the parameter file does not hold it.",
     "0 or a number from 0.01 to 10", &GroupSizeSettings::siteSizeCv, true, 3},
    {"dropout", "--dropout", "Share of units missing",
     "The probability that a unit is missing. tavi-calc takes it as --dropout; the parameter "
     "file does not hold it.",
     "a number from 0 to below 1", &GroupSizeSettings::dropout, false, 2},
    {"group_dropout", "--group-dropout", "Share of groups lost",
     "The probability that a whole group is lost. tavi-calc takes it as --group-dropout; the "
     "parameter file does not hold it.",
     "a number from 0 to below 1", &GroupSizeSettings::groupDropout, false, 2},
}};

// The value of field's text (empty: 0), or nothing when the field does not take it.
std::optional<double> sizeValue(const SizeField& field, const std::string& text) {
    double value = 0.0;
    if (!text.empty() && (!TextToReal(text, value) || !std::isfinite(value))) {
        return std::nullopt;
    }
    const bool usable = field.variation
                            ? value == 0.0 || (value >= kLeastSizeCv && value <= kMostSizeCv)
                            : value >= 0.0 && value < 1.0;
    return usable ? std::optional<double>(value) : std::nullopt;
}

}  // namespace

void Assumptions::addGroupSizeFields(int levels, bool overPeriods) {
    m_firstSizeField = m_fields.size();
    m_sizeFields.clear();
    for (std::size_t k = 0; k < kSizeFields.size(); ++k) {
        const SizeField& field = kSizeFields[k];
        if (levels >= field.levels && !overPeriods) {
            m_sizeFields.push_back(k);
            m_fields.push_back({field.key,
                                field.label,
                                std::string(field.help) + " Values: " + field.rule + ".",
                                {},
                                "0"});
        }
    }
    m_savedSizeTexts.assign(m_sizeFields.size(), {});
}

bool Assumptions::setGroupSizeText(std::size_t i, const std::string& text) {
    if (i < m_firstSizeField) {
        return false;
    }
    m_fields[i].text = text;
    return true;
}

void Assumptions::assumeGroupSizes(AssumedDesign& assumed) const {
    for (std::size_t j = 0; j < m_sizeFields.size(); ++j) {
        const SizeField& field = kSizeFields[m_sizeFields[j]];
        const std::optional<double> value = sizeValue(field, m_fields[m_firstSizeField + j].text);
        if (!value) {
            assumed.design.reset();
            assumed.problem = {m_firstSizeField + j,
                               std::string(field.label) + " must be " + field.rule + "."};
            return;
        }
        assumed.design->unequal.*field.value = *value;
    }
}

void Assumptions::revertGroupSizes() {
    for (std::size_t j = 0; j < m_sizeFields.size(); ++j) {
        m_fields[m_firstSizeField + j].text = m_savedSizeTexts[j];
    }
}

void Assumptions::markGroupSizesSaved() {
    for (std::size_t j = 0; j < m_sizeFields.size(); ++j) {
        m_savedSizeTexts[j] = m_fields[m_firstSizeField + j].text;
    }
}

bool Assumptions::groupSizesEdited() const {
    for (std::size_t j = 0; j < m_sizeFields.size(); ++j) {
        if (m_fields[m_firstSizeField + j].text != m_savedSizeTexts[j]) {
            return true;
        }
    }
    return false;
}

std::string groupSizeOptions(const GroupSizeSettings& sizes) {
    std::string options;
    for (const SizeField& field : kSizeFields) {
        if (sizes.*field.value != 0.0) {
            options.append(options.empty() ? "" : " ")
                .append(field.option)
                .append(" ")
                .append(exactNumber(sizes.*field.value));
        }
    }
    return options;
}

NestedDesign asFileHoldsIt(const NestedDesign& d) {
    NestedDesign held =
        readDesignText(designFileText(d, "tavi.out", "tavi.cov"), "the edited design")
            .reading.design;
    held.unequal = d.unequal;
    return held;
}

}  // namespace tavi
