// Feeds arbitrary text, behind the first line of a three-level file, to its reader. A text that
// is not a design may end the reading with a FileError; any other way out is a fault, and so is
// a design read that the writer does not give back unchanged.

#include "FuzzChecks.h"
#include "files/FileError.h"
#include "files/ThreeLevelFile.h"

#include <cstddef>
#include <cstdint>
#include <string>

using tavi::fuzz::require;
using tavi::fuzz::symmetric;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text = std::string(tavi::kThreeLevelFirstLine) + "\n" +
                             std::string(reinterpret_cast<const char*>(data), size);
    tavi::NestedDesign p;
    try {
        p = tavi::readThreeLevelText(text, "fuzz.dat").design;
    } catch (const tavi::FileError&) {
        return 0;
    }
    const std::int64_t coefficients = tavi::termCount(p.variables);
    if (coefficients > tavi::dimmax) {
        // Beyond the capacity the matrices, sized by the counts, must not have been taken.
        require(p.model.p1 == 0 && p.model.p2 == 0 && p.model.p3 == 0, "counts beyond capacity");
        return 0;
    }
    require(tavi::termCount(p.model) == coefficients, "counts not the variables'");
    for (const auto member :
         {&tavi::NestedModel::Tau2, &tavi::NestedModel::Tau3, &tavi::NestedModel::WithinCov,
          &tavi::NestedModel::BetweenCov, &tavi::NestedModel::SiteCov}) {
        require(symmetric(p.model.*member), "a matrix is not symmetric");
    }
    const std::string written = tavi::threeLevelFileText(p);
    require(
        tavi::threeLevelFileText(tavi::readThreeLevelText(written, "fuzz.dat").design) == written,
        "the written design does not read back");
    return 0;
}
