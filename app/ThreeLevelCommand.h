// tavi-calc for a three-level parameter file: the report and covariance file of its points
// (K, J, n), the CSV table of standard errors and the tests of its coefficients, as for a
// two-level file.
#pragma once

#include "app/CalcArguments.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace tavi {

// The files of a calculation: the parameter file, the report, the covariance file and every
// output in the order of the arguments.
struct CalcFiles {
    const std::string& parFile;
    const std::string& report;
    const std::string& covFile;
    const std::vector<std::string>& outputs;
};

// Computes the three-level design of files.parFile as the arguments ask, returning the exit
// status; messages go to err, the summary to out. Throws as the two-level calculation does
// (BadValue for a name the design lacks or an option it cannot take, FileError, Stopped).
int calculateThreeLevel(const Arguments& arguments, const CalcFiles& files, std::ostream& out,
                        std::ostream& err, bool showProgress);

}  // namespace tavi
