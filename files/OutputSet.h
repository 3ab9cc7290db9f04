// The output files of one calculation, replaced together: each is written to a temporary file,
// and only when all of them are complete are they put in place, so that a failed or stopped
// calculation leaves every old output as it was, and no report stands beside a covariance file
// of another calculation.
#pragma once

#include "files/FileCalls.h"
#include "files/TextFileWriter.h"

#include <memory>
#include <string>
#include <vector>

namespace tavi {

class OutputSet {
public:
    // calls makes the system calls that write and replace the outputs.
    explicit OutputSet(FileCalls& calls = systemFileCalls()) : m_calls(calls) {}

    // A new output, written to a temporary file until commit(). Refuses at once (FileError) a
    // file that cannot be written.
    TextFileWriter& add(const std::string& fileName);

    // Closes every output, then puts them in place in the reverse order of their adding: the
    // first one added (a report, say) goes in place last, once every file it names is in place.
    // When one cannot be put in place, those already put in place get their old files back,
    // and the FileError thrown names the failing one and says which, if any, could not be
    // given back (replaceTogether).
    void commit();

private:
    FileCalls& m_calls;
    std::vector<std::unique_ptr<TextFileWriter>> m_files;
};

}  // namespace tavi
