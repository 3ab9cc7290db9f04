#include "engine/templates/DesignTemplates.h"

#include "engine/templates/TemplateMappings.h"

namespace tavi {

std::span<const DesignTemplate> designTemplates() {
    static const DesignTemplate templates[] = {
        {"cluster-trial", "treatment of whole groups, with level-1 and level-2 covariates",
         clusterTrialKeys(), "Group1", clusterTrialDesign, 2, false},
        {"multisite-trial",
         "treatment of units within every group, its effect varying between groups",
         multisiteTrialKeys(), "Random1", multisiteTrialDesign, 2, false},
        {"moderator", "a group-level treatment whose effect a unit-level moderator changes",
         moderatorKeys(), "CrossL1_1", moderatorDesign, 2, false},
        {"longitudinal",
         "repeated measures of subjects, with a random slope of time and a treatment",
         longitudinalKeys(), "CrossL1_1", longitudinalDesign, 2, false},
        {"cluster-trial-3", "three levels: treatment of whole sites, with site-level covariates",
         clusterTrial3Keys(), "treatment", clusterTrial3Design, 3, false},
        {"blocked-cluster-trial-3",
         "three levels: groups randomised within sites, the effect varying between sites",
         blockedClusterTrial3Keys(), "treatment", blockedClusterTrial3Design, 3, false},
        {"multisite-trial-3",
         "three levels: units randomised within groups, the effect varying between groups and "
         "sites",
         multisiteTrial3Keys(), "treatment", multisiteTrial3Design, 3, false},
        {"moderator-3",
         "three levels: a site-level treatment whose effect a unit- or group-level moderator "
         "changes",
         moderator3Keys(), "moderator:treatment", moderator3Design, 3, false},
        {"stepped-wedge",
         "clusters switching from control to treatment one sequence after another, over periods",
         steppedWedgeKeys(), "treatment", steppedWedgeDesign, 3, true},
        {"longitudinal-cluster-trial",
         "parallel arms of clusters over periods, with baseline periods before treatment",
         parallelPeriodsKeys(), "treatment", parallelPeriodsDesign, 3, true},
        {"cluster-crossover", "clusters alternating control and treatment in two orders",
         clusterCrossoverKeys(), "treatment", clusterCrossoverDesign, 3, true},
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
