// The table of standard errors in a report, described once as columns: the sample sizes and the
// cost, right-aligned in their widths, then one standard error per coefficient. The same
// description gives the header and every row. A two-level design's report has the columns N*n,
// N, n and (n+c)*N and a label per coefficient's kind; a three-level design's K, J, n, K*J*n and
// cost, and the coefficients numbered c1, c2, ...
#pragma once

#include "engine/Coefficients.h"
#include "engine/DesignInformation.h"
#include "engine/SampleSizes.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tavi {

struct SizeColumn {
    std::string_view label;
    int width;
    bool budgetOnly;
    std::int64_t (*value)(const SweepPoint& point);
};

struct TableLayout {
    std::span<const SizeColumn> sizes;
    int seWidth;                 // each standard error's field, with 5 decimals
    std::string_view headerGap;  // between the sizes and the labels of the header
    std::string_view rowGap;     // between the sizes and the standard errors of a row
    std::string_view marker;     // in place of a variance below 1.0e-20
    bool centredLabels;          // the labels centred over their fields, else right-aligned
    // A standard error too wide for its field in fixed point is written with an exponent.
    bool exponentWhenWide;
};

// The table of a design of levels levels.
const TableLayout& tableLayoutFor(int levels);

// The header line of the table: the size columns' labels, then a label per coefficient.
void appendTableHeader(std::string& out, const TableLayout& layout, bool budgetMode,
                       const std::vector<std::string>& labels);

// The row of point; cost only in budget mode. A variance without a standard error shows the
// marker, and a standard error wider than its field stays apart from its neighbour by a blank.
void appendTableRow(std::string& out, const TableLayout& layout, bool budgetMode,
                    const SweepPoint& point, const PointCovariance& covariance);

}  // namespace tavi
