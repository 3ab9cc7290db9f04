#include "files/FileError.h"

#include <cerrno>
#include <cstring>
#include <utility>

namespace tavi {

FileError::FileError(const std::string& message, std::string fileName)
    : std::runtime_error(message), m_fileName(std::move(fileName)) {}

FileError fileErrorFromErrno(int errnoValue, const std::string& fileName) {
    const char* words = nullptr;
    switch (errnoValue) {
        case ENOENT:
            words = "File not found";
            break;
        case ENOTDIR:
            words = "A folder in the name is not a folder";
            break;
        case EACCES:
        case EPERM:
            words = "Permission denied";
            break;
        case EROFS:
            words = "Read-only file system";
            break;
        case EISDIR:
            words = "Is a directory";
            break;
        case ENOSPC:
            words = "Disk full";
            break;
        case EDQUOT:
            words = "Disk quota exceeded";
            break;
        case ENAMETOOLONG:
            words = "Name too long";
            break;
        case ELOOP:
            words = "Too many symbolic links";
            break;
        case EFBIG:
            words = "File too large";
            break;
        case ENXIO:
            words = "No program reads from it";
            break;
        default:
            // The system's own words for the rarer failures ("Input/output error", ...).
            words = strerrordesc_np(errnoValue);
            words = words != nullptr ? words : "Unknown error";
            break;
    }
    return FileError(words, fileName);
}

FileError outputFileError(int errnoValue, const std::string& fileName) {
    // Creating a file fails so only when a folder on its way is missing.
    return errnoValue == ENOENT ? FileError("Folder not found", fileName)
                                : fileErrorFromErrno(errnoValue, fileName);
}

FileError invalidNumericInput(const std::string& fileName, int line) {
    return FileError("Invalid numeric input in line " + std::to_string(line), fileName);
}

}  // namespace tavi
