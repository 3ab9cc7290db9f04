#include "engine/run/PowerSummary.h"

#include "engine/run/RelativeEfficiency.h"
#include "files/NumberText.h"

#include <cmath>
#include <cstdint>
#include <map>
#include <ostream>
#include <string>

namespace tavi {

namespace {

std::string pointWithCost(const SweepPoint& p, bool budgetMode) {
    std::string text = pointText(p);
    if (budgetMode) {
        text += " (cost " + std::to_string(p.cost) + ")";
    }
    return text;
}

std::string searchText(const SweepFacts& sweep, const SearchedPoints& searched) {
    const bool three = sweep.levels() == 3;
    if (searched.lineTooLong) {
        return "the sweep's " + std::to_string(sweep.points()) +
               " points (the budget line has more than " + std::to_string(kMaxSearchedGroupSizes) +
               (three ? " combinations of J and n)" : " group sizes)");
    }
    if (!searched.linePoints) {
        return "the sweep's " + std::to_string(sweep.points()) + " points";
    }
    return (three ? "every J and n on the budget line ("
                  : "every group size on the budget line (") +
           std::to_string(*searched.linePoints) +
           (three ? " points with at least one site)" : " points with at least one group)");
}

// "SE 0.1, df 20, MDES 0.3 (exact 0.31)", and the power for the effect when there is one.
std::string figures(const BestPoint& entry, const PointTests& tests) {
    std::string text = "SE " + briefNumber(entry.se) + ", df " + briefNumber(entry.test.df) +
                       ", MDES " + briefNumber(entry.test.mdes) + " (exact " +
                       briefNumber(entry.test.mdesExact) + ")";
    if (const std::optional<double>& effect = tests.effect(entry.coefficient)) {
        text += ", power " + briefNumber(entry.test.power) + " for effect " + briefNumber(*effect);
    }
    return text;
}

// The cheapest design reaching the target: its size and where it lies, with the figures
// there, or that there is none.
void writeCheapest(std::ostream& out, const BestPoint& entry, const SummaryInput& input,
                   const TestSettings& settings, const std::string& figuresThere) {
    const AllocationSettings& s = input.settings;
    const char* const top = s.levels == 3 ? "K" : "N";
    const std::string power = exactNumber(settings.power);
    if (!entry.point) {
        if (s.budgetMode) {
            out << "  no budget reaches power " << power << " with at most " << kMaxRequiredGroups
                << (s.levels == 3 ? " sites\n" : " groups\n");
        } else {
            out << "  power " << power << " is reached at no " << top << " from " << s.fewest
                << " to " << s.most << "\n";
        }
        return;
    }
    const SweepPoint& p = *entry.point;
    if (s.budgetMode) {
        out << "  smallest budget reaching power " << power << ": " << p.cost << " at "
            << pointText(p) << " (the given budget is " << s.budget << ")";
    } else {
        out << "  fewest units reaching power " << power << ": " << unitsOf(p) << " at "
            << pointText(p) << " (every " << top << " from " << s.fewest << " to " << s.most
            << "; the report's sweep steps " << top << " by " << s.step << ")";
    }
    out << "; " << figuresThere << "\n";
}

// "df 2 and 27, lambda 12.3, power 0.9", the noncentrality from the se of a unit effect.
std::string jointFigures(const BestPoint& entry, const JointTests& joint) {
    return "df " + briefNumber(joint.numeratorDf(entry.coefficient)) + " and " +
           briefNumber(entry.test.df) + ", lambda " + briefNumber(1.0 / (entry.se * entry.se)) +
           ", power " + briefNumber(entry.test.power);
}

// Each joint test's highest-power point with its detectable scale, and its cheapest design.
void writeJointTests(std::ostream& out, const SummaryInput& input, const TestSettings& settings) {
    const JointTests& joint = *input.joint;
    for (const BestPoint& entry : input.answers.joint.best) {
        const std::string& name = input.names[input.sweep.quantities() + entry.coefficient];
        if (entry.criterion == Criterion::CheapestForPower) {
            writeCheapest(out, entry, input, settings, jointFigures(entry, joint));
        } else if (!entry.point) {
            out << name << ": no point allows a test.\n";
        } else {
            out << name << ": best by highest power at "
                << pointWithCost(*entry.point, input.sweep.budgetMode()) << "; "
                << jointFigures(entry, joint) << ", detectable scale "
                << briefNumber(entry.test.mdesExact) << "\n";
        }
    }
}

// One line for each df rule that leaves some points of the sweep without a test.
void writeUntestable(std::ostream& out, const SummaryInput& input, const PointTests& tests) {
    std::map<std::string, std::pair<std::int64_t, std::string>> byRule;
    const DegreesOfFreedom& df = tests.degreesOfFreedom();
    for (int c = 0; c < input.sweep.quantities(); ++c) {
        if (const std::int64_t points = input.sweep.untestable(c); points > 0) {
            auto& [count, names] = byRule[df.ruleText(c)];
            count = points;
            names += (names.empty() ? "" : ", ") + input.names[c];
        }
    }
    for (const auto& [rule, entry] : byRule) {
        out << "Note: df = " << rule << " is below 1 at " << entry.first << " of "
            << input.sweep.points() << " points, which give no power or MDES for " << entry.second
            << ".\n";
    }
}

// With groups of unequal sizes: the coefficient's relative efficiency at the point, and the
// groups that make up its loss. Relative efficiencies are kept for coefficients, not contrasts.
std::string efficiencyText(const BestPoint& entry, const SummaryInput& input) {
    if (input.design == nullptr || !input.design->design.unequal.inForce() ||
        entry.coefficient >= input.design->NumCoef()) {
        return {};
    }
    const double efficiency = efficiencyAt(*input.design, *entry.point)(entry.coefficient + 1);
    const bool sites = input.sweep.levels() == 3;
    return "; RE " + briefNumber(efficiency) + " against equal sizes, " + (sites ? "K" : "N") +
           "/RE " + briefNumber(groupsToMakeUp(entry.point->N, efficiency)) +
           (sites ? " sites" : " groups");
}

// Why a coefficient has no point: when unequal sizes leave no group more than one unit at any
// point, nothing varies within a group, and a coefficient without a standard error anywhere is
// one that only deviations within groups inform.
std::string noTestText(int coefficient, const SummaryInput& input) {
    const std::string none = ": no point allows a test";
    if (input.design == nullptr || !input.design->design.unequal.inForce()) {
        return none + ".";
    }
    const GroupSizeSettings& unequal = input.design->design.unequal;
    bool singleUnits = unequal.sizeCv == 0.0;
    for (const std::int32_t size : unequal.sizes) {
        singleUnits = singleUnits && size <= 1;
    }
    singleUnits = singleUnits && (!unequal.sizes.empty() || input.sweep.largestGroupSize() <= 1);
    if (!singleUnits || input.sweep.anyStandardError(coefficient)) {
        return none + ".";
    }
    return none +
           "; no group has more than one unit, and it is known only from the units' "
           "deviations within their groups.";
}

}  // namespace

void writePowerSummary(std::ostream& out, const SummaryInput& input, PointTests& tests) {
    const TestSettings& settings = tests.settings();
    const bool budgetMode = input.sweep.budgetMode();
    if (input.design != nullptr && input.design->design.unequal.inForce()) {
        out << "Unequal group sizes: " << describeGroupSizes(input.design->design.unequal)
            << "; the report and the covariance file keep groups of exactly n units.\n";
    }
    out << (settings.oneSided ? "One-sided" : "Two-sided")
        << (settings.normal ? " tests by the normal distribution at alpha " : " tests at alpha ")
        << exactNumber(settings.alpha) << ", target power " << exactNumber(settings.power)
        << "; best points among " << searchText(input.sweep, input.answers.searched) << ".\n";
    // A coefficient's entries follow each other, its best point first.
    const BestPoint* headline = nullptr;
    for (const BestPoint& entry : input.answers.best) {
        const std::string& name = input.names[entry.coefficient];
        if (headline == nullptr || headline->coefficient != entry.coefficient) {
            headline = &entry;
            if (!entry.point) {
                out << name << noTestText(entry.coefficient, input) << "\n";
            } else {
                out << name << ": best by " << criterionText(entry.criterion) << " at "
                    << pointWithCost(*entry.point, budgetMode) << "; " << figures(entry, tests)
                    << efficiencyText(entry, input) << "\n";
            }
        } else if (entry.criterion == Criterion::CheapestForPower) {
            writeCheapest(out, entry, input, settings,
                          "SE " + briefNumber(entry.se) + ", df " + briefNumber(entry.test.df) +
                              ", power " + briefNumber(entry.test.power));
        } else if (entry.point && entry.point != headline->point) {
            out << "  " << criterionText(entry.criterion) << " at "
                << pointWithCost(*entry.point, budgetMode) << "; " << figures(entry, tests) << "\n";
        }
    }
    if (input.joint != nullptr) {
        writeJointTests(out, input, settings);
    }
    writeUntestable(out, input, tests);
}

}  // namespace tavi
