#include "engine/run/ReportTable.h"

#include "engine/Coefficients.h"
#include "engine/CovarianceComputation.h"
#include "files/NumberText.h"

#include <cmath>
#include <string_view>

namespace tavi {

namespace {

struct SizeColumn {
    std::string_view label;
    int width;
    bool budgetOnly;
    std::int64_t (*value)(const EngineState& e, std::int64_t cost);
};

constexpr SizeColumn kSizeColumns[] = {
    {"N*n", 7, false,
     [](const EngineState& e, std::int64_t) { return std::int64_t{e.NumGroups} * e.GroupSize; }},
    {"N", 6, false, [](const EngineState& e, std::int64_t) { return std::int64_t{e.NumGroups}; }},
    {"n", 6, false, [](const EngineState& e, std::int64_t) { return std::int64_t{e.GroupSize}; }},
    {"(n+c)*N", 8, true, [](const EngineState&, std::int64_t cost) { return cost; }},
};

// Each standard error fills a field of this width with 5 decimals; its label is centred in the
// same width, one place further right than the numbers below it.
constexpr int kStandardErrorWidth = 8;
constexpr int kStandardErrorDecimals = 5;
constexpr std::string_view kRowGap = "  ";
constexpr std::string_view kHeaderGap = "   ";
constexpr std::string_view kNegligibleVarianceMarker = " -.99999";

std::string_view labelOf(CoefficientKind kind) {
    switch (kind) {
        case CoefficientKind::Fixed:
            return "Fixed";
        case CoefficientKind::Const:
            return "Const";
        case CoefficientKind::Group:
            return "Group";
        case CoefficientKind::Random:
            return "Random";
        case CoefficientKind::CrossL:
            break;
    }
    return "Cross-L";
}

bool shown(const SizeColumn& column, const EngineState& e) {
    return e.BudgetMode || !column.budgetOnly;
}

}  // namespace

void appendTableHeader(std::string& out, const EngineState& e) {
    for (const SizeColumn& column : kSizeColumns) {
        if (shown(column, e)) {
            out.append(column.width - column.label.size(), ' ').append(column.label);
        }
    }
    out.append(kHeaderGap);
    for (const Coefficient& coefficient : coefficientsOf(e.k1, e.nRandom, e.LenW3)) {
        const std::string_view label = labelOf(coefficient.kind);
        const std::size_t left = (kStandardErrorWidth - label.size()) / 2;
        out.append(left, ' ').append(label).append(kStandardErrorWidth - label.size() - left, ' ');
    }
}

void appendTableRow(std::string& out, const EngineState& e, std::int64_t cost) {
    for (const SizeColumn& column : kSizeColumns) {
        if (shown(column, e)) {
            appendInteger(out, column.value(e, cost), column.width);
        }
    }
    out.append(kRowGap);
    for (int i = 1; i <= e.NumCoef; ++i) {
        const double se = standardErrorOf(e.CovCoef(i, i));
        if (!std::isnan(se)) {
            appendFixed(out, se, kStandardErrorWidth, kStandardErrorDecimals);
        } else {
            out.append(kNegligibleVarianceMarker);
        }
    }
}

}  // namespace tavi
