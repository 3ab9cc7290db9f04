#include "files/FileNames.h"

#include "files/FileError.h"

#include <cerrno>
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

namespace {

// More links in a row than this are taken for a loop, as the system itself does.
constexpr int kMaxLinkHops = 40;

}  // namespace

std::string finalTarget(const std::string& fileName) {
    namespace fs = std::filesystem;
    fs::path path(fileName);
    for (int hops = 0;; ++hops) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(path, error))) {
            return path.string();
        }
        if (hops == kMaxLinkHops) {
            throw fileErrorFromErrno(ELOOP, fileName);
        }
        const fs::path next = fs::read_symlink(path, error);
        if (error) {
            throw fileErrorFromErrno(error.value(), fileName);
        }
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
}

bool isDevice(const std::string& fileName) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status = fs::status(fileName, error);
    return fs::exists(status) && !fs::is_regular_file(status) && !fs::is_directory(status);
}

bool sameFile(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (fs::exists(a, error) && fs::exists(b, error)) {
        return fs::equivalent(a, b, error);
    }
    // The absolute, normalised name of the final target; where the system cannot resolve it (a
    // loop of links, a name too long), the name as written, normalised.
    const auto resolved = [](const std::string& name) {
        std::error_code failure;
        fs::path path(name);
        try {
            path = finalTarget(name);
        } catch (const FileError&) {
        }
        path = fs::absolute(path, failure);
        const fs::path canonical = fs::weakly_canonical(path, failure);
        return failure ? path.lexically_normal() : canonical;
    };
    return resolved(a) == resolved(b);
}

}  // namespace tavi
