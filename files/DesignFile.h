// A design file of any kind and the one design model: read once, a two-level parameter file
// through its record, a three-level file or a file of a cluster design over periods, told apart
// by the first line of the text; and written in the design's kind.
#pragma once

#include "engine/NestedDesign.h"
#include "files/FileError.h"

#include <optional>
#include <string>
#include <string_view>

namespace tavi {

struct DesignFileReading {
    DesignReading reading;
    // A two-level file whose counts were read but a later number of which is malformed: the
    // design's variables are known, its values not. Reported by the caller once it has checked
    // what the variables let it check.
    std::optional<FileError> error;
};

// Reads the text of the file fileName (a regular file of at most 1 MB) once. Throws FileError
// when it cannot be read, for a malformed count of a two-level file, and for any fault of a
// file of the other kinds.
DesignFileReading readDesignFile(const std::string& fileName);

// The same of a text already read, which fileName names in messages.
DesignFileReading readDesignText(std::string_view text, const std::string& fileName);

// The text of the file of d, a held design: a two-level parameter file naming the report
// OutFileName and the covariance file CovFileName, a three-level file or a file over periods.
std::string designFileText(const NestedDesign& d, const std::string& OutFileName,
                           const std::string& CovFileName);

// Writes d to ParFileName, naming the report and the covariance file that tavi-calc gives it by
// default; the old file is replaced only once the new one is complete. Throws FileError when it
// cannot be written.
void writeDesignFile(const NestedDesign& d, const std::string& ParFileName);

}  // namespace tavi
