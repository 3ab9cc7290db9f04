#include "engine/power/BestAllocation.h"

#include <cmath>
#include <tuple>

namespace tavi {

const char* criterionName(Criterion criterion) {
    switch (criterion) {
        case Criterion::HighestPower:
            return "highest_power";
        case Criterion::SmallestMdes:
            return "smallest_mdes";
        case Criterion::SmallestSe:
            break;
        case Criterion::CheapestForPower:
            return "cheapest_for_power";
    }
    return "smallest_se";
}

const char* criterionText(Criterion criterion) {
    switch (criterion) {
        case Criterion::HighestPower:
            return "highest power";
        case Criterion::SmallestMdes:
            break;
        case Criterion::SmallestSe:
            return "smallest SE";
        case Criterion::CheapestForPower:
            return "cheapest for power";
    }
    return "smallest MDES";
}

std::vector<std::optional<std::size_t>> smallestSePoints(const SweepTable& table) {
    // Among equal standard errors the cheaper point, then the earlier one.
    const auto key = [&](std::size_t i, int c) {
        const SweepPoint& p = table.point(i);
        return std::make_tuple(table.se(i, c), table.budgetMode() ? p.cost : unitsOf(p), p.N);
    };
    std::vector<std::optional<std::size_t>> smallest;
    smallest.reserve(static_cast<std::size_t>(table.coefficients()));
    for (int c = 0; c < table.coefficients(); ++c) {
        std::optional<std::size_t> leader;
        for (std::size_t i = 0; i < table.size(); ++i) {
            if (table.point(i).N >= 1 && !std::isnan(table.se(i, c)) &&
                (!leader || key(i, c) < key(*leader, c))) {
                leader = i;
            }
        }
        smallest.push_back(leader);
    }
    return smallest;
}

}  // namespace tavi
