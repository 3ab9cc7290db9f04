#include "engine/templates/DesignTemplates.h"

#include "engine/templates/TemplateMappings.h"

namespace tavi {

std::span<const DesignTemplate> designTemplates() {
    static const DesignTemplate templates[] = {
        {"cluster-trial", "treatment of whole groups, with level-1 and level-2 covariates",
         clusterTrialKeys(), "Group1", clusterTrialDesign},
        {"multisite-trial",
         "treatment of units within every group, its effect varying between groups",
         multisiteTrialKeys(), "Random1", multisiteTrialDesign},
        {"moderator", "a group-level treatment whose effect a unit-level moderator changes",
         moderatorKeys(), "CrossL1_1", moderatorDesign},
        {"longitudinal",
         "repeated measures of subjects, with a random slope of time and a treatment",
         longitudinalKeys(), "CrossL1_1", longitudinalDesign},
    };
    return templates;
}

const DesignTemplate* findTemplate(std::string_view name) {
    for (const DesignTemplate& candidate : designTemplates()) {
        if (candidate.name == name) {
            return &candidate;
        }
    }
    return nullptr;
}

TemplateDesign makeDesign(const DesignTemplate& designTemplate,
                          const std::vector<std::pair<std::string, std::string>>& given) {
    return designTemplate.design(TemplateValues(designTemplate.keys, given));
}

}  // namespace tavi
