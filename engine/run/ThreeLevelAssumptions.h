// The assumptions panel of a three-level design: no fields, since the design is edited in its
// file, and nothing to save or revert.
#pragma once

#include "engine/run/Assumptions.h"

#include <string>

namespace tavi {

class ThreeLevelAssumptions : public Assumptions {
public:
    explicit ThreeLevelAssumptions(std::string fileName) : m_fileName(std::move(fileName)) {}

    std::string title() const override;
    void setText(std::size_t /*i*/, const std::string& /*text*/) override {}
    // No design of the two-level kind: the problem says where the design is edited.
    AssumedDesign design() const override;
    void revert() override {}
    void markSaved(const std::string& /*fileName*/) override {}
    bool edited() const override { return false; }

private:
    std::string m_fileName;
};

}  // namespace tavi
