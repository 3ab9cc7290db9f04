#include "engine/run/ThreeLevelDesignResults.h"

#include "engine/power/AllocationAnswers.h"
#include "engine/power/RequiredGroups.h"
#include "engine/power/ThreeLevelSearch.h"
#include "engine/run/NumberFields.h"
#include "engine/run/ThreeLevelResults.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <utility>

namespace tavi {

namespace {

// Keeps the points and passes them on to the caller's observer.
class PassingCollector : public ThreeLevelCollector {
public:
    PassingCollector(std::vector<std::string> names, bool budgetMode, ThreeLevelObserver* next)
        : ThreeLevelCollector(std::move(names), budgetMode), m_next(next) {}

    void sweepStarts(const ThreeLevelDesign& design, std::int64_t points) override {
        ThreeLevelCollector::sweepStarts(design, points);
        if (m_next != nullptr) {
            m_next->sweepStarts(design, points);
        }
    }
    void pointDone(const ThreeLevelPoint& point, std::int64_t cost) override {
        ThreeLevelCollector::pointDone(point, cost);
        if (m_next != nullptr) {
            m_next->pointDone(point, cost);
        }
    }

private:
    ThreeLevelObserver* m_next;
};

}  // namespace

DesignComputation computeThreeLevelDesign(const ThreeLevelParameters& p,
                                          const ThreeLevelControl& control) {
    PassingCollector collector(variableNames(p), p.sweep.BudgetMode, control.observer);
    ThreeLevelControl own = control;
    own.observer = &collector;
    ThreeLevelOutcome outcome = calculateThreeLevelInMemory(p, own);
    if (outcome.refused) {
        return {std::nullopt, outcome.reason};
    }
    RunResults& run = *collector.results();
    auto setup = std::make_shared<ThreeLevelSetup>(
        ThreeLevelSetup{p.sweep, allocationSettingsOf(p.sweep), std::move(outcome.design)});
    AllocationSearch search = prepareThreeLevelSearch(
        *setup->design, setup->settings, cellsOf(p.sweep), allColumns(run.table), control.stop);
    return {DesignResults{std::move(run), nullptr, std::move(search), std::move(setup)}, {}};
}

std::vector<std::string> threeLevelAnswerLines(const ThreeLevelSweep& sweep, const BestPoint& top,
                                               const BestPoint& cheapest, const std::string& name,
                                               double effect, const TestSettings& settings) {
    const std::string power = exactNumber(settings.power);
    const auto withCost = [&](const SweepPoint& p) {
        return pointText(p) + (sweep.BudgetMode ? ", cost " + std::to_string(p.cost) : "");
    };
    std::vector<std::string> lines;
    if (!top.point) {
        lines.push_back("No point allows a test of " + name + ".");
    } else {
        lines.push_back("Best allocation (highest power): " + withCost(*top.point) + "; power " +
                        briefNumber(top.test.power) + " for effect " + briefNumber(effect) +
                        ", MDES " + briefNumber(top.test.mdes) + ", SE " + briefNumber(top.se) +
                        ", df " + briefNumber(top.test.df) + ".");
    }
    const std::string sitesRange =
        "every K from " + std::to_string(sweep.MinSites) + " to " + std::to_string(sweep.MaxSites);
    if (!cheapest.point) {
        lines.push_back(sweep.BudgetMode
                            ? "No budget reaches power " + power + " with at most " +
                                  std::to_string(kMaxRequiredGroups) + " sites."
                            : "Power " + power + " is reached at no K (" + sitesRange + ").");
    } else if (sweep.BudgetMode) {
        lines.push_back("Smallest budget reaching power " + power + ": " +
                        std::to_string(cheapest.point->cost) + " at " + pointText(*cheapest.point) +
                        " (the budget given is " + std::to_string(sweep.Budget) + ").");
    } else {
        lines.push_back("Fewest units reaching power " + power + ": " +
                        std::to_string(unitsOf(*cheapest.point)) + " at " +
                        pointText(*cheapest.point) + " (" + sitesRange + ").");
    }
    lines.push_back(sweep.BudgetMode ? "The best points are sought at every J and n of their "
                                       "ranges, the table's or not."
                                     : "The table steps K by " + std::to_string(sweep.SitesStep) +
                                           "; the best points are sought among its points, the "
                                           "fewest units among every K in the range.");
    lines.push_back("The design is edited in its file; tavi-calc writes its report.");
    return lines;
}

void addThreeLevelLines(Plot& plot, const SweepTable& table,
                        const std::function<double(std::size_t)>& value,
                        const std::optional<SweepPoint>& marked,
                        const std::function<double(std::int32_t)>& shade) {
    const bool budget = table.budgetMode();
    // A line's key: (J, n) over ranges, J alone under a budget; in the order of the sweep.
    const auto keyOf = [budget](const SweepPoint& p) {
        return std::pair<std::int32_t, std::int32_t>{p.J, budget ? 0 : p.n};
    };
    std::map<std::pair<std::int32_t, std::int32_t>, PlotLine> lines;
    std::vector<std::pair<std::int32_t, std::int32_t>> order;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const SweepPoint& p = table.point(i);
        const auto key = keyOf(p);
        auto [line, added] = lines.try_emplace(key);
        if (added) {
            order.push_back(key);
            line->second.name = "J = " + std::to_string(p.J) +
                                (budget ? std::string() : ", n = " + std::to_string(p.n));
            line->second.shade = shade(p.n);
        }
        const double y = value(i);
        if (p.N >= 1 && !std::isnan(y)) {
            line->second.points.push_back({double(budget ? p.n : p.N), y});
        }
    }
    std::vector<std::size_t> shown(order.size());
    std::iota(shown.begin(), shown.end(), 0);
    if (order.size() > ResultsModel::kMaxPlotLines) {
        // Evenly spread lines from the first to the last, with the marked point's among them.
        shown.clear();
        for (std::size_t k = 0; k < ResultsModel::kMaxPlotLines; ++k) {
            shown.push_back(k * (order.size() - 1) / (ResultsModel::kMaxPlotLines - 1));
        }
        const auto at =
            marked ? std::find(order.begin(), order.end(), keyOf(*marked)) : order.end();
        const auto k = static_cast<std::size_t>(at - order.begin());
        if (at != order.end() && std::find(shown.begin(), shown.end(), k) == shown.end()) {
            shown[ResultsModel::kMaxPlotLines / 2] = k;
            std::sort(shown.begin(), shown.end());
        }
        plot.note = "Showing " + std::to_string(shown.size()) + " of " +
                    std::to_string(order.size()) +
                    (budget ? " numbers of groups per site" : " pairs of J and n") +
                    " (the first, the last, the best and some between); the table holds them all.";
    }
    // Under a budget a line's colour tells its J among the sweep's.
    const auto [fewest, most] = std::minmax_element(order.begin(), order.end());
    for (const std::size_t k : shown) {
        PlotLine& line = lines[order[k]];
        if (budget) {
            line.shade = most->first > fewest->first ? double(order[k].first - fewest->first) /
                                                           double(most->first - fewest->first)
                                                     : 0.5;
        }
        plot.lines.push_back(std::move(line));
    }
}

}  // namespace tavi
