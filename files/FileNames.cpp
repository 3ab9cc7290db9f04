#include "files/FileNames.h"

#include <filesystem>

namespace tavi {

std::string fileNamePartOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string directoryPartOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string baseNameOf(const std::string& fileNamePart) {
    return fileNamePart.substr(0, fileNamePart.find('.'));
}

std::string withExtension(const std::string& path, const std::string& extension) {
    return directoryPartOf(path) + baseNameOf(fileNamePartOf(path)) + extension;
}

bool sameFile(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (fs::exists(a, error) && fs::exists(b, error)) {
        return fs::equivalent(a, b, error);
    }
    return fs::weakly_canonical(fs::absolute(a), error) ==
           fs::weakly_canonical(fs::absolute(b), error);
}

}  // namespace tavi
