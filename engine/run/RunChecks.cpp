#include "engine/run/RunChecks.h"

#include <limits>

namespace tavi {

namespace {

constexpr std::int64_t kMostInt32 = std::numeric_limits<std::int32_t>::max();
// Counts of units beyond this are not held exactly by the tables' doubles.
constexpr std::int64_t kMostUnits = std::int64_t{1} << 53;

std::string atMostComputed() {
    return "; at most " + std::to_string(kMaxSweepPoints) + " are computed.";
}

// A two-level parameter file's settings, as its report has always refused them.
std::vector<std::string> twoLevelProblems(const NestedDesign& d) {
    const SampleSizes& s = d.sizes;
    std::vector<std::string> problems;
    if (s.units.least < 1) {
        problems.push_back("The smallest group size n_min must be at least 1; it is " +
                           std::to_string(s.units.least) + ".");
    }
    if (s.units.step < 1) {
        problems.push_back("The step size for n must be at least 1; it is " +
                           std::to_string(s.units.step) + ".");
    }
    if (s.BudgetMode && s.Budget < 0) {
        problems.push_back("The budget must not be negative; it is " + std::to_string(s.Budget) +
                           ".");
    }
    if (s.BudgetMode && s.GroupCost < 0) {
        problems.push_back("The relative cost per level-2 unit c must not be negative; it is " +
                           std::to_string(s.GroupCost) + ".");
    }
    if (!s.BudgetMode && s.top.least < 1) {
        problems.push_back("The smallest number of groups N_min must be at least 1; it is " +
                           std::to_string(s.top.least) + ".");
    }
    bool fixedOnly = false;
    for (std::int32_t x = 0; x < d.model.p1; ++x) {
        fixedOnly = fixedOnly || !variesAtLevel2(d.model.slope1[x]);
    }
    if (fixedOnly && d.model.Sigma2 == 0.0) {
        problems.push_back(
            "The residual variance must not be 0 when some level-1 variables have a fixed "
            "effect only.");
    }
    if (problems.empty() && pointCount(d) > kMaxSweepPoints) {
        problems.push_back("The settings ask for " + std::to_string(pointCount(d)) +
                           " sample-size points" + atMostComputed());
    }
    return problems;
}

// A range that a three-level sweep can walk, or the lines saying why not.
void checkRange(std::vector<std::string>& problems, const std::string& what,
                const CountRange& range) {
    if (range.least < 1) {
        problems.push_back("The smallest " + what + " must be at least 1; it is " +
                           std::to_string(range.least) + ".");
    }
    if (range.step < 1) {
        problems.push_back("The step of " + what + " must be at least 1; it is " +
                           std::to_string(range.step) + ".");
    }
    if (range.most < range.least) {
        problems.push_back("The largest " + what + " (" + std::to_string(range.most) +
                           ") is below the smallest (" + std::to_string(range.least) + ").");
    }
}

void checkCost(std::vector<std::string>& problems, const std::string& what, std::int32_t value) {
    if (value < 0) {
        problems.push_back("The " + what + " must not be negative; it is " + std::to_string(value) +
                           ".");
    }
}

void checkSiteSizes(std::vector<std::string>& problems, const SampleSizes& s) {
    const std::int64_t siteUnits = std::int64_t{s.groups.most} * s.units.most;
    if (siteUnits > kMostInt32) {
        problems.push_back("A site of " + std::to_string(s.groups.most) + " groups of " +
                           std::to_string(s.units.most) + " units has more than " +
                           std::to_string(kMostInt32) + " units.");
    } else if (s.BudgetMode) {
        const std::int64_t siteCost =
            s.SiteCost + std::int64_t{s.groups.most} * (std::int64_t{s.GroupCost} + s.units.most);
        if (siteCost > kMostInt32) {
            problems.push_back("A site of " + std::to_string(s.groups.most) + " groups of " +
                               std::to_string(s.units.most) + " units costs " +
                               std::to_string(siteCost) + ", more than any budget.");
        }
    } else if (s.top.most > kMostUnits / siteUnits) {
        problems.push_back("The largest point has more than 2^53 units.");
    }
}

// A three-level file's sample sizes and residual variance.
std::vector<std::string> threeLevelProblems(const NestedDesign& d) {
    std::vector<std::string> problems;
    const SampleSizes& s = d.sizes;
    if (!(d.model.Sigma2 > 0.0)) {
        problems.push_back("The residual variance must be above 0.");
    }
    if (s.BudgetMode) {
        checkCost(problems, "budget", s.Budget);
        checkCost(problems, "cost of a site", s.SiteCost);
        checkCost(problems, "cost of a group", s.GroupCost);
    } else {
        checkRange(problems, "number of sites K", s.top);
    }
    checkRange(problems, "number of groups per site J", s.groups);
    checkRange(problems, "group size n", s.units);
    if (problems.empty()) {
        checkSiteSizes(problems, s);
    }
    if (problems.empty() && pointCount(d) > kMaxSweepPoints) {
        problems.push_back("The sample sizes ask for " + std::to_string(pointCount(d)) + " points" +
                           atMostComputed());
    }
    return problems;
}

}  // namespace

std::vector<std::string> runProblems(const NestedDesign& d) {
    return d.levels() == 3 ? threeLevelProblems(d) : twoLevelProblems(d);
}

}  // namespace tavi
