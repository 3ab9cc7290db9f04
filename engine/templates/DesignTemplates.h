// The classic two-level and three-level designs stated in a planner's own terms (intraclass
// correlations, explained variance, shares treated), each turned into an ordinary design record
// whose outcome has a total variance of 1, so that effects are standardised effects.
#pragma once

#include "engine/templates/TemplateKeys.h"
#include "engine/templates/TemplateRecord.h"

#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavi {

struct DesignTemplate {
    std::string_view name;
    std::string_view description;
    std::span<const TemplateKey> keys;  // the design's own keys, then the sweep keys
    std::string_view keyCoefficient;    // the coefficient the design is planned for
    TemplateDesign (*design)(const TemplateValues& values);
    int levels;        // of the designs it makes: 2, or 3 with sites (or with periods)
    bool overPeriods;  // a cluster design over periods rather than a nested one
};

// Every template, in the order the help lists them.
std::span<const DesignTemplate> designTemplates();

// The template of that name, or nullptr.
const DesignTemplate* findTemplate(std::string_view name);

// Reads the KEY=VALUE pairs given against the template's keys and maps them into its design.
// Throws TemplateError, naming the key, for a value or a combination that cannot be used.
TemplateDesign makeDesign(const DesignTemplate& designTemplate,
                          const std::vector<std::pair<std::string, std::string>>& given);

}  // namespace tavi
