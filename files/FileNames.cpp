#include "files/FileNames.h"

namespace tavi {

std::string FileNamePartOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DirectoryPartOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string BaseNameOf(const std::string& fileNamePart) {
    return fileNamePart.substr(0, fileNamePart.find('.'));
}

}  // namespace tavi
