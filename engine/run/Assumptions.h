// The assumptions panel of the results window without the window: the fields that describe a
// design in a planner's words, edited as texts, and the design they give. A design read from a
// parameter file and a design made from a template fill it differently; further settings are
// further fields of their tables.
#pragma once

#include "engine/GroupSizeDistribution.h"
#include "engine/NestedDesign.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tavi {

struct AssumptionField {
    std::string key;          // the short name it goes by: "tau00", "budget", "icc"
    std::string label;        // what it is, in a planner's words
    std::string help;         // more about it
    std::string text;         // the value as the field shows it; empty when not given
    std::string placeholder;  // what an empty field stands for, or empty
    bool applies = true;      // false: no part of the design as it stands, shown empty
};

// Why the fields give no design: the field concerned (kWholeDesign when none is) and a line
// for the user.
struct AssumptionProblem {
    static constexpr std::size_t kWholeDesign = static_cast<std::size_t>(-1);
    std::size_t field = kWholeDesign;
    std::string message;
};

// The design the fields describe, as its parameter file holds it, or the first problem. Its
// unequal sizes are those of the fields; the parameter file does not hold them, tavi-calc takes
// them as options.
struct AssumedDesign {
    std::optional<NestedDesign> design;  // empty when there is a problem
    AssumptionProblem problem;
};

class Assumptions {
public:
    virtual ~Assumptions() = default;

    // What the design is, for the panel's heading.
    virtual std::string title() const = 0;
    const std::vector<AssumptionField>& fields() const { return m_fields; }

    // Takes the text typed into field i; the fields that follow from it show their new values.
    virtual void setText(std::size_t i, const std::string& text) = 0;
    virtual AssumedDesign design() const = 0;

    // Back to the values the fields had when they were opened or last saved.
    virtual void revert() = 0;
    // The values now shown were saved to fileName: revert comes back to them.
    virtual void markSaved(const std::string& fileName) = 0;
    // Whether a field differs from the values revert comes back to.
    virtual bool edited() const = 0;

    // The coefficient the design is planned for (tavi-calc's name), or empty.
    virtual std::string keyCoefficient() const { return {}; }

protected:
    // The fields of groups that differ in size (the coefficient of variation of the sizes, with
    // three levels that of the numbers of groups per site, the units missing, the groups lost),
    // put after the design's own fields by every kind of design but one over periods, which has
    // n units in every cluster-period.
    void addGroupSizeFields(int levels, bool overPeriods);
    // Takes text when field i is one of them; false when it is a field of the design.
    bool setGroupSizeText(std::size_t i, const std::string& text);
    // Sets assumed's sizes from the fields, or its problem when a field is not usable.
    void assumeGroupSizes(AssumedDesign& assumed) const;
    void revertGroupSizes();
    void markGroupSizesSaved();
    bool groupSizesEdited() const;

    std::vector<AssumptionField> m_fields;

private:
    std::size_t m_firstSizeField = 0;
    std::vector<std::size_t> m_sizeFields;  // which of the fields of sizes are shown, in order
    std::vector<std::string> m_savedSizeTexts;
};

// The options that give tavi-calc the sizes, as "--size-cv 0.3 --dropout 0.1"; empty when none
// is in force.
std::string groupSizeOptions(const GroupSizeSettings& sizes);

// The held design d as its parameter file holds it: written and read back as the run reads it,
// so that a computation of it gives what tavi-calc gives for the file; its unequal sizes kept.
NestedDesign asFileHoldsIt(const NestedDesign& d);

}  // namespace tavi
