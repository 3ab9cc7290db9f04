#include "files/FileError.h"

#include <cerrno>
#include <utility>

namespace tavi {

FileError::FileError(const std::string& message, std::string fileName)
    : std::runtime_error(message), m_fileName(std::move(fileName)) {}

FileError fileErrorFromErrno(int errnoValue, const std::string& fileName) {
    switch (errnoValue) {
        case ENOENT:
        case ENOTDIR:
            return FileError("File not found", fileName);
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return FileError("File access denied", fileName);
        default:
            return FileError("I/O error " + std::to_string(errnoValue), fileName);
    }
}

FileError invalidNumericInput(const std::string& fileName) {
    return FileError("Invalid numeric input", fileName);
}

}  // namespace tavi
