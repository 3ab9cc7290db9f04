// The assumptions of a design made from a template: the template's own keys (the intraclass
// correlation, the explained shares, the share treated, ...) and its sweep keys, each a field
// with the key's help. A new plan starts from a value for every key that needs one.
#pragma once

#include "engine/run/Assumptions.h"
#include "engine/templates/DesignTemplates.h"

namespace tavi {

class TemplateAssumptions : public Assumptions {
public:
    // The template with the values a new plan starts from.
    explicit TemplateAssumptions(const DesignTemplate& designTemplate);

    std::string title() const override;
    void setText(std::size_t i, const std::string& text) override;
    AssumedDesign design() const override;
    void revert() override;
    void markSaved(const std::string& fileName) override;
    bool edited() const override;
    std::string keyCoefficient() const override;

private:
    const DesignTemplate& m_template;
    std::vector<std::string> m_savedTexts;
    std::string m_savedFile;  // empty until the design is saved
};

}  // namespace tavi
