// The assumptions panel of a three-level design: no fields, since the design is edited in its
// file, and nothing to save or revert; the design is the file's.
#pragma once

#include "engine/run/Assumptions.h"

#include <string>

namespace tavi {

class ThreeLevelAssumptions : public Assumptions {
public:
    ThreeLevelAssumptions(NestedDesign design, std::string fileName)
        : m_design(std::move(design)), m_fileName(std::move(fileName)) {}

    std::string title() const override;
    void setText(std::size_t /*i*/, const std::string& /*text*/) override {}
    AssumedDesign design() const override { return {m_design, {}}; }
    void revert() override {}
    void markSaved(const std::string& /*fileName*/) override {}
    bool edited() const override { return false; }

private:
    NestedDesign m_design;
    std::string m_fileName;
};

}  // namespace tavi
