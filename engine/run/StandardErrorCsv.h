// The table of standard errors as CSV, for further processing: a header with the sample sizes
// and one unique name per coefficient, then one row per sample-size point.
#pragma once

#include "engine/DesignInformation.h"
#include "engine/run/DesignSweep.h"
#include "files/TextFileWriter.h"

namespace tavi {

class StandardErrorCsv {
public:
    explicit StandardErrorCsv(TextFileWriter& out) : m_out(out) {}

    // The point's columns ("N*n,N,n" or "K,J,n,units", then the cost under a budget), then a
    // column per coefficient named as tavi-calc names it. With groups of unequal sizes, then RE_
    // and N_RE_ before each name: the relative efficiencies and the top-level units that make up
    // their loss.
    void writeHeader(const PreparedDesign& design);

    // A point; each standard error in the shortest form that reads back to the same double, an
    // empty field where there is none.
    void writeRow(const ComputedPoint& point);

private:
    TextFileWriter& m_out;
    int m_levels = 2;
    bool m_budgetMode = false;
};

}  // namespace tavi
