// The one error type for failures of file input and output: a short message that says in words
// what happened ("File not found", "Disk full", "Name too long", "Invalid numeric input") and
// the name of the file concerned.
#pragma once

#include <stdexcept>
#include <string>

namespace tavi {

class FileError : public std::runtime_error {
public:
    FileError(const std::string& message, std::string fileName);

    const std::string& fileName() const { return m_fileName; }

private:
    std::string m_fileName;
};

// The error for a failed system call on fileName, its errno value said in words.
FileError fileErrorFromErrno(int errnoValue, const std::string& fileName);

// The error for a failed creation of the output fileName: as fileErrorFromErrno, except that a
// missing folder is named as such rather than as a missing file.
FileError outputFileError(int errnoValue, const std::string& fileName);

// The error for a token in line (counted from 1) that is not the number expected.
FileError invalidNumericInput(const std::string& fileName, int line);

}  // namespace tavi
