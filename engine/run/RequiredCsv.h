// The table of required groups as CSV, written as its rows are found: they arrive coefficient
// after coefficient at each piece of cells, and wait per coefficient (on disk beyond a few
// megabytes) until the whole table can be written coefficient after coefficient.
#pragma once

#include "engine/power/RequiredGroups.h"
#include "files/PartedText.h"
#include "files/TextFileWriter.h"

#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tavi {

class RequiredCsv {
public:
    // coefficient,n,N,N*n,cost,se,df,power (for three levels coefficient,J,n,K,units,cost,...):
    // a row per row of required groups; every field from N (or K) on is empty where no number of
    // groups reaches the target, the cost outside budget mode. names names the coefficients and
    // contrasts, of which there are quantities, then the joint tests, which have no standard
    // error. The table goes to outputName.
    RequiredCsv(std::vector<std::string> names, int quantities, bool budgetMode, int levels,
                const std::string& outputName);

    // The next row found, of a joint test when joint.
    void add(RequiredGroups row, bool joint);

    // The header and every row, coefficient after coefficient.
    void writeTo(TextFileWriter& out);

private:
    std::vector<std::string> m_names;
    int m_quantities;
    bool m_budgetMode;
    int m_levels;
    PartedText m_text;
    // The part of each (joint, coefficient), in the order first met.
    std::map<std::pair<bool, int>, std::size_t> m_parts;
    std::string m_row;
};

}  // namespace tavi
