// The name of the covariance file that goes with a report: the report's base name with ".cov"
// in the parameter file's directory, or, when that name is taken, with ".co1" to ".co9".
#pragma once

#include <functional>
#include <string>

namespace tavi {

struct CovarianceFileChoice {
    std::string name;
    // All nine names are taken: the last one is offered, and overwriting it must be confirmed.
    bool overwriteQuestion = false;
};

// directory: with its final separator. taken: whether a candidate name may not be used as it is
// (an existing file, or the report itself).
CovarianceFileChoice chooseCovarianceFileName(const std::string& directory,
                                              const std::string& baseName,
                                              const std::function<bool(const std::string&)>& taken);

}  // namespace tavi
