#include "engine/run/ReportTable.h"

#include "engine/CovarianceComputation.h"
#include "files/NumberText.h"

#include <charconv>
#include <cmath>

namespace tavi {

namespace {

constexpr int kStandardErrorDecimals = 5;

constexpr SizeColumn kTwoLevelSizes[] = {
    {"N*n", 7, false, [](const SweepPoint& p) { return std::int64_t{p.N} * p.n; }},
    {"N", 6, false, [](const SweepPoint& p) { return std::int64_t{p.N}; }},
    {"n", 6, false, [](const SweepPoint& p) { return std::int64_t{p.n}; }},
    {"(n+c)*N", 8, true, [](const SweepPoint& p) { return p.cost; }},
};

constexpr SizeColumn kThreeLevelSizes[] = {
    {"K", 7, false, [](const SweepPoint& p) { return std::int64_t{p.N}; }},
    {"J", 6, false, [](const SweepPoint& p) { return std::int64_t{p.J}; }},
    {"n", 6, false, [](const SweepPoint& p) { return std::int64_t{p.n}; }},
    {"K*J*n", 10, false, [](const SweepPoint& p) { return unitsOf(p); }},
    {"cost", 10, true, [](const SweepPoint& p) { return p.cost; }},
};

constexpr TableLayout kTwoLevelTable{kTwoLevelSizes, 8, "   ", "  ", " -.99999", true, false};
constexpr TableLayout kThreeLevelTable{kThreeLevelSizes, 10, "", "", "   -.99999", false, true};

bool shown(const SizeColumn& column, bool budgetMode) {
    return budgetMode || !column.budgetOnly;
}

// A standard error in its field: fixed point, or with an exponent where the layout asks for one
// and fixed point would not fit; in either case at least one blank before it.
void appendStandardError(std::string& out, const TableLayout& layout, double se) {
    const std::size_t start = out.size();
    appendFixed(out, se, layout.seWidth, kStandardErrorDecimals);
    if (out[start] == ' ') {
        return;
    }
    if (layout.exponentWhenWide) {
        out.resize(start);
        char text[32];
        const auto end =
            std::to_chars(text, text + sizeof text, se, std::chars_format::scientific, 3).ptr;
        const auto length = static_cast<std::size_t>(end - text);
        out.append(length < static_cast<std::size_t>(layout.seWidth)
                       ? static_cast<std::size_t>(layout.seWidth) - length
                       : 1,
                   ' ');
        out.append(text, end);
        return;
    }
    // A value as wide as its field or wider would touch the field before it.
    if (start > 0 && out[start - 1] != ' ') {
        out.insert(start, 1, ' ');
    }
}

}  // namespace

const TableLayout& tableLayoutFor(int levels) {
    return levels == 3 ? kThreeLevelTable : kTwoLevelTable;
}

void appendTableHeader(std::string& out, const TableLayout& layout, bool budgetMode,
                       const std::vector<std::string>& labels) {
    for (const SizeColumn& column : layout.sizes) {
        if (shown(column, budgetMode)) {
            out.append(column.width - column.label.size(), ' ').append(column.label);
        }
    }
    out.append(layout.headerGap);
    const auto width = static_cast<std::size_t>(layout.seWidth);
    for (const std::string& label : labels) {
        const std::size_t room = label.size() < width ? width - label.size() : 0;
        const std::size_t left = layout.centredLabels ? room / 2 : room;
        out.append(left, ' ').append(label).append(room - left, ' ');
    }
}

void appendTableRow(std::string& out, const TableLayout& layout, bool budgetMode,
                    const SweepPoint& point, const PointCovariance& covariance) {
    for (const SizeColumn& column : layout.sizes) {
        if (shown(column, budgetMode)) {
            appendInteger(out, column.value(point), column.width);
        }
    }
    out.append(layout.rowGap);
    for (int i = 1; i <= covariance.NumCoef; ++i) {
        const double se = standardErrorOf(covariance.CovCoef(i, i));
        if (std::isnan(se)) {
            out.append(layout.marker);
        } else {
            appendStandardError(out, layout, se);
        }
    }
}

}  // namespace tavi
