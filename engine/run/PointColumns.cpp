#include "engine/run/PointColumns.h"

#include "files/NumberText.h"

#include <span>

namespace tavi {

std::string pointColumns(int levels, bool withCost) {
    std::string columns = levels == 3 ? "K,J,n,units" : "N*n,N,n";
    return withCost ? columns + ",cost" : columns;
}

void appendPointFields(std::string& out, const SweepPoint& point, int levels, bool withCost,
                       bool budgetMode) {
    const std::int64_t threeLevel[] = {point.N, point.J, point.n, unitsOf(point)};
    const std::int64_t twoLevel[] = {unitsOf(point), point.N, point.n};
    const std::span<const std::int64_t> values = levels == 3
                                                     ? std::span<const std::int64_t>(threeLevel)
                                                     : std::span<const std::int64_t>(twoLevel);
    for (std::size_t i = 0; i < values.size(); ++i) {
        out.append(i == 0 ? "" : ",");
        appendInteger(out, values[i]);
    }
    if (withCost) {
        out += ',';
        if (budgetMode) {
            appendInteger(out, point.cost);
        }
    }
}

}  // namespace tavi
