// The assumptions of a design read from a file of either kind, in the words of its levels: the
// level-1 residual variance and the intercept's variance at each level above with the
// intraclass correlations they imply, each random slope's variance at each level where it
// varies, and the sample sizes of the sweep (the budget and the costs, or the ranges of the
// groups or sites, with three levels of the groups per site, and of the group size). The other
// values of the file stay as they are.
#pragma once

#include "engine/run/AssumptionRows.h"
#include "engine/run/Assumptions.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tavi {

class FileAssumptions : public Assumptions {
public:
    // d: the held design as read from fileName.
    FileAssumptions(const NestedDesign& d, std::string fileName);

    std::string title() const override;
    void setText(std::size_t i, const std::string& text) override;
    AssumedDesign design() const override;
    void revert() override;
    void markSaved(const std::string& fileName) override;
    bool edited() const override;
    std::string keyCoefficient() const override;

private:
    // The texts of the fields from the edited design, but for the one being typed and those
    // whose texts are not usable.
    void showValues(std::optional<std::size_t> typed);

    std::string m_fileName;
    std::unique_ptr<NestedDesign> m_saved;
    std::unique_ptr<NestedDesign> m_edited;
    std::vector<AssumptionRow> m_rows;
    std::vector<std::string> m_problems;  // by field; empty where its text is usable
};

}  // namespace tavi
