// The table of standard errors as CSV, for further processing: a header with the sample sizes
// and one unique name per coefficient, then one row per sample-size point.
#pragma once

#include "engine/EngineState.h"
#include "files/TextFileWriter.h"

#include <cstdint>
#include <string>

namespace tavi {

class StandardErrorCsv {
public:
    explicit StandardErrorCsv(TextFileWriter& out) : m_out(out) {}

    // N*n, N, n, cost (budget mode only), then Fixed1.., Const, Group1.., and for each random
    // slope j: Randomj, CrossLj_1... With groups of unequal sizes, then RE_ and N_RE_ before
    // each name: the relative efficiencies and the groups that make up their loss.
    void writeHeader(const EngineState& e, bool unequal = false);

    // The current point; each standard error in the shortest form that reads back to the same
    // double, an empty field for a variance below 1.0e-20.
    void writeRow(const EngineState& e, std::int64_t cost);
    // The same with the relative efficiencies of a point whose groups differ in size.
    void writeRow(const EngineState& e, std::int64_t cost, const Vector& efficiency);

private:
    // N*n, N, n and, in budget mode, the cost.
    static void appendPointFields(std::string& out, const EngineState& e, std::int64_t cost);

    TextFileWriter& m_out;
};

}  // namespace tavi
