#include "engine/DesignInformation.h"
#include "engine/power/TestPower.h"
#include "engine/templates/DesignTemplates.h"
#include "tests/engine/templates/TemplateSettings.h"

#include <cmath>
#include <gtest/gtest.h>
#include <iomanip>
#include <limits>
#include <sstream>
#include <string>

namespace tavi {
namespace {

// The standard error of the template's coefficient (1-based) at a point.
double standardErrorOf(const std::string& name, const std::string& settings, int coefficient,
                       const SweepPoint& at) {
    const TemplateDesign made = makeDesign(*findTemplate(name), test::settingsOf(settings));
    const auto design = prepareDesign(made.design);
    const auto work = design->information->newWork();
    return std::sqrt(design->information->compute(*work, at).CovCoef(coefficient, coefficient));
}

// A stepped wedge of 24 clusters in 4 sequences over 5 periods, 120 units per cluster-period, on
// the proportion scale of a published binomial example: within clusters 0.0425 x 0.9575, between
// them 0.01^2, an effect of 0.015. By the normal test its power is 0.7861896.
TEST(PeriodTemplates, SteppedWedgeGivesThePublishedPower) {
    const double between = 0.01 * 0.01;
    const double total = between + 0.0425 * 0.9575;
    std::ostringstream icc;
    icc << std::setprecision(17) << between / total;
    const double se = standardErrorOf(
        "stepped-wedge", "sequences=4 clusters=6 n=120 icc=" + icc.str(), 6, {24, 120, 0, 5});
    const TestSettings normal{0.05, 0.8, false, true};
    EXPECT_NEAR(
        powerOfTest(0.015 / std::sqrt(total), se, std::numeric_limits<double>::infinity(), normal),
        0.7861896, 5e-8);
}

// Parallel arms over a single period are a cluster trial.
TEST(PeriodTemplates, OnePeriodOfParallelArmsIsAClusterTrial) {
    for (const std::string treated : {"0.5", "0.3"}) {
        const double overPeriods = standardErrorOf(
            "longitudinal-cluster-trial", "periods=1 clusters=15 n=12 icc=0.08 treated=" + treated,
            2, {30, 12, 0, 1});
        const double nested = standardErrorOf(
            "cluster-trial", "groups=30 n=12 icc=0.08 treated=" + treated, 2, {30, 12, 0, 0});
        EXPECT_NEAR(overPeriods / nested, 1.0, 1e-12) << "treated " << treated;
    }
}

}  // namespace
}  // namespace tavi
