// The assumptions of a design read from a parameter file: the intercept variance and the
// level-1 residual variance with the intraclass correlation they imply, each random slope's
// variance, and the sample sizes of the sweep (the budget and the cost of a group, or the
// ranges of N and n, with the step of n). The other values of the file stay as they are.
#pragma once

#include "engine/run/Assumptions.h"
#include "files/DesignParameters.h"

#include <functional>
#include <optional>

namespace tavi {

class FileAssumptions : public Assumptions {
public:
    // p: the design as read from fileName.
    FileAssumptions(const DesignParameters& p, std::string fileName);

    std::string title() const override;
    void setText(std::size_t i, const std::string& text) override;
    AssumedDesign design() const override;
    void revert() override;
    void markSaved(const std::string& fileName) override;
    bool edited() const override;

    // One row of the table of fields.
    struct Row {
        AssumptionField field;
        double least;  // the smallest value allowed
        bool above;    // the value must lie above least, not only reach it
        double below;  // a value must lie below this
        bool whole;    // a whole number
        bool derived;  // follows from other rows, shown with fewer digits
        std::function<double(const DesignParameters&)> get;
        std::function<void(DesignParameters&, double)> set;
    };

private:
    // The texts of the fields from the edited design, but for the one being typed and those
    // whose texts are not usable.
    void showValues(std::optional<std::size_t> typed);

    std::string m_fileName;
    std::unique_ptr<DesignParameters> m_saved;
    std::unique_ptr<DesignParameters> m_edited;
    std::vector<Row> m_rows;
    std::vector<std::string> m_problems;  // by field; empty where its text is usable
};

}  // namespace tavi
