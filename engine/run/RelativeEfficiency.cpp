#include "engine/run/RelativeEfficiency.h"

#include "files/NumberText.h"

#include <cmath>
#include <limits>
#include <memory>

namespace tavi {

Vector efficiencyAt(const PreparedDesign& design, const SweepPoint& point) {
    const std::unique_ptr<PointWork> work = design.information->newWork();
    Vector efficiency;
    design.information->computeWithSizes(*work, point, efficiency);
    return efficiency;
}

std::string describeGroupSizes(const GroupSizeSettings& settings) {
    std::string text;
    const auto part = [&text](const std::string& words) {
        text += (text.empty() ? "" : ", ") + words;
    };
    if (!settings.sizes.empty()) {
        part(std::to_string(settings.sizes.size()) + " groups of the sizes given (mean " +
             briefNumber(meanGivenSize(settings)) + ")");
    }
    if (settings.sizeCv > 0.0) {
        part("group sizes varying around n with CV " + exactNumber(settings.sizeCv));
    }
    if (settings.dropout > 0.0) {
        part("each unit missing with probability " + exactNumber(settings.dropout));
    }
    if (settings.groupDropout > 0.0) {
        part("each group lost with probability " + exactNumber(settings.groupDropout));
    }
    if (settings.siteSizeCv > 0.0) {
        part("groups per site varying around J with CV " + exactNumber(settings.siteSizeCv));
    }
    return text;
}

double groupsToMakeUp(std::int64_t N, double efficiency) {
    if (!(efficiency > 0.0)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    // An efficiency of 1 that comes out a rounding below it must not ask for one group more.
    return std::ceil(static_cast<double>(N) / efficiency * (1.0 - 1.0e-12));
}

}  // namespace tavi
