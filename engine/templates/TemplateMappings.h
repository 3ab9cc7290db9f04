// Each template's keys and its mapping of their values into a design record, for the table of
// templates.
#pragma once

#include "engine/templates/TemplateKeys.h"
#include "engine/templates/TemplateRecord.h"

#include <span>

namespace tavi {

std::span<const TemplateKey> clusterTrialKeys();
TemplateDesign clusterTrialDesign(const TemplateValues& values);

std::span<const TemplateKey> multisiteTrialKeys();
TemplateDesign multisiteTrialDesign(const TemplateValues& values);

std::span<const TemplateKey> moderatorKeys();
TemplateDesign moderatorDesign(const TemplateValues& values);

std::span<const TemplateKey> longitudinalKeys();
TemplateDesign longitudinalDesign(const TemplateValues& values);

std::span<const TemplateKey> clusterTrial3Keys();
TemplateDesign clusterTrial3Design(const TemplateValues& values);

std::span<const TemplateKey> blockedClusterTrial3Keys();
TemplateDesign blockedClusterTrial3Design(const TemplateValues& values);

std::span<const TemplateKey> multisiteTrial3Keys();
TemplateDesign multisiteTrial3Design(const TemplateValues& values);

std::span<const TemplateKey> moderator3Keys();
TemplateDesign moderator3Design(const TemplateValues& values);

std::span<const TemplateKey> steppedWedgeKeys();
TemplateDesign steppedWedgeDesign(const TemplateValues& values);

std::span<const TemplateKey> parallelPeriodsKeys();
TemplateDesign parallelPeriodsDesign(const TemplateValues& values);

std::span<const TemplateKey> clusterCrossoverKeys();
TemplateDesign clusterCrossoverDesign(const TemplateValues& values);

}  // namespace tavi
