// Feeds arbitrary bytes to the start-up reader of parameter files. A malformed number may end
// the reading with a FileError; any other way out, and any record the reader could never leave
// behind, is a fault.

#include "FuzzChecks.h"
#include "files/DesignParameters.h"
#include "files/FileError.h"
#include "files/ParameterFile.h"
#include "files/TextScanner.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>

namespace {

using tavi::fuzz::require;
using tavi::fuzz::symmetric;

bool sameMatrix(const tavi::Matrix& a, const tavi::Matrix& b) {
    return std::equal(std::begin(a.data), std::end(a.data), std::begin(b.data));
}

bool sameVector(const tavi::Vector& a, const tavi::Vector& b) {
    return std::equal(std::begin(a.data), std::end(a.data), std::begin(b.data));
}

// The matrices and means, whose sizes come from the counts, as the start-up left them.
bool sizedBlocksUnchanged(const tavi::DesignParameters& p, const tavi::DesignParameters& initial) {
    return sameVector(p.Means1, initial.Means1) && sameVector(p.Means2, initial.Means2) &&
           sameMatrix(p.WithinCov, initial.WithinCov) &&
           sameMatrix(p.BetweenCov, initial.BetweenCov) && sameMatrix(p.Tau, initial.Tau);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const tavi::DesignParameters initial = tavi::initialDesignParameters();
    tavi::TextScanner in(std::string(reinterpret_cast<const char*>(data), size), "fuzz.par");
    tavi::DesignParameters p = initial;
    try {
        tavi::ReadParameterFile(in, p);
    } catch (const tavi::FileError&) {
        // What was read before the malformed number stays; the checks below hold for it too.
    }
    // Counts beyond the capacity would make the matrices and means address rows they do not
    // have, so the reader must not have taken any of them.
    require(tavi::countsFitCapacity(p.k, p.k1, p.kw) || sizedBlocksUnchanged(p, initial),
            "matrices or means taken for counts that do not fit");
    // The sign of the file's step carries the mode; the step kept is its magnitude.
    require(p.GroupSizeStep >= 0, "negative group-size step");
    // Tau is read as a lower triangle and mirrored.
    require(symmetric(p.Tau), "Tau is not symmetric");
    return 0;
}
