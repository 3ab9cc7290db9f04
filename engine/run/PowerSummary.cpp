#include "engine/run/PowerSummary.h"

#include "engine/run/NumberFields.h"

#include <map>
#include <ostream>
#include <string>

namespace tavi {

namespace {

std::string pointWithCost(const SweepTable& table, std::size_t i) {
    const SweepPoint& p = table.point(i);
    std::string text = pointText(p);
    if (table.budgetMode()) {
        text += " (cost " + std::to_string(p.cost) + ")";
    }
    return text;
}

std::string searchText(const SweepTable& sweep, const AllocationSearch& search,
                       const SweepTable& searched) {
    if (search.lineTooLong) {
        return "the sweep's " + std::to_string(sweep.size()) +
               " points (the budget line has more than " +
               std::to_string(kMaxBudgetLineGroupSizes) + " group sizes)";
    }
    if (!sweep.budgetMode()) {
        return "the sweep's " + std::to_string(sweep.size()) + " points";
    }
    return "every group size on the budget line (" + std::to_string(searched.size()) +
           " points with at least one group)";
}

// One line for each df rule that leaves some points of the sweep without a test.
void writeUntestable(std::ostream& out, const SummaryInput& input, const PointTests& tests) {
    std::map<std::string, std::pair<std::size_t, std::string>> byRule;
    const DegreesOfFreedom& df = tests.degreesOfFreedom();
    for (int c = 0; c < input.sweep.coefficients(); ++c) {
        std::size_t points = 0;
        for (std::size_t i = 0; i < input.sweep.size(); ++i) {
            const SweepPoint& p = input.sweep.point(i);
            points += df.at(c, p.N, p.n) < 1.0 ? 1 : 0;
        }
        if (points > 0) {
            auto& [count, names] = byRule[df.ruleText(c)];
            count = points;
            names += (names.empty() ? "" : ", ") + input.coefficients[c].name;
        }
    }
    for (const auto& [rule, entry] : byRule) {
        out << "Note: df = " << rule << " is below 1 at " << entry.first << " of "
            << input.sweep.size() << " points, which give no power or MDES for " << entry.second
            << ".\n";
    }
}

}  // namespace

void writePowerSummary(std::ostream& out, const SummaryInput& input, PointTests& tests) {
    const TestSettings& settings = tests.settings();
    const SweepTable& searched = input.search.points(input.sweep);
    out << (settings.oneSided ? "One-sided" : "Two-sided") << " tests at alpha "
        << exactNumber(settings.alpha) << ", target power " << exactNumber(settings.power)
        << "; best points among " << searchText(input.sweep, input.search, searched) << ".\n";
    for (const BestPoint& entry : input.best) {
        const std::string& name = input.coefficients[entry.coefficient].name;
        const PointTest& test = entry.test;
        if (entry.criterion == Criterion::SmallestSe) {
            out << name << ": ";
            if (!entry.point) {
                out << "no point has a standard error.\n";
                continue;
            }
            out << "smallest SE " << briefNumber(searched.se(*entry.point, entry.coefficient))
                << " at " << pointWithCost(searched, *entry.point) << "; df "
                << briefNumber(test.df) << ", MDES " << briefNumber(test.mdes) << " (exact "
                << briefNumber(test.mdesExact) << ")";
            if (tests.effect(entry.coefficient)) {
                out << "; power " << briefNumber(test.power) << " for effect "
                    << briefNumber(*tests.effect(entry.coefficient));
            }
            out << "\n";
        } else if (entry.point) {
            out << "  power " << exactNumber(settings.power) << " reached first at "
                << pointWithCost(searched, *entry.point) << ": SE "
                << briefNumber(searched.se(*entry.point, entry.coefficient)) << ", df "
                << briefNumber(test.df) << ", power " << briefNumber(test.power) << "\n";
        } else {
            out << "  power " << exactNumber(settings.power) << " is reached at no point\n";
        }
    }
    writeUntestable(out, input, tests);
}

}  // namespace tavi
