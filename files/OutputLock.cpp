#include "files/OutputLock.h"

#include "files/FileError.h"
#include "files/FileNames.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace tavi {

namespace {

constexpr auto kWaitStep = std::chrono::milliseconds(100);

// The folder that holds the file fileName finally refers to, as an absolute, normalised name.
std::string folderOf(const std::string& fileName) {
    namespace fs = std::filesystem;
    std::error_code ignored;
    const fs::path target = fs::absolute(finalTarget(fileName), ignored);
    return fs::weakly_canonical(target.parent_path(), ignored).string();
}

}  // namespace

OutputLock::OutputLock(const std::vector<std::string>& files, StopToken stop,
                       const std::function<void(const std::string& folder)>& waiting) {
    // Each folder with the first file in it, in name order, so that two calculations never
    // wait for each other.
    std::map<std::string, std::string> folders;
    for (const std::string& file : files) {
        if (!isDevice(file)) {
            folders.emplace(folderOf(file), file);
        }
    }
    try {
        for (const auto& [folder, file] : folders) {
            lock(folder, file, stop, waiting);
        }
    } catch (...) {
        release();
        throw;
    }
}

void OutputLock::lock(const std::string& folder, const std::string& file, StopToken stop,
                      const std::function<void(const std::string& folder)>& waiting) {
    // Unlocked, a calculation could leave its report beside another's covariance file.
    const auto refuse = [&file](int error) {
        if (error == ENOENT || error == ENOTDIR) {
            return outputFileError(error, file);
        }
        return FileError("Cannot lock its folder against another calculation: " +
                             std::string(fileErrorFromErrno(error, file).what()),
                         file);
    };
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) {
        throw refuse(errno);
    }
    m_descriptors.push_back(descriptor);
    bool told = false;
    while (flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            throw refuse(errno);
        }
        if (!told && waiting) {
            waiting(folder);
            told = true;
        }
        stop.throwIfStopped();
        std::this_thread::sleep_for(kWaitStep);
    }
}

void OutputLock::release() {
    for (const int descriptor : m_descriptors) {
        ::close(descriptor);
    }
    m_descriptors.clear();
}

OutputLock::~OutputLock() {
    release();
}

}  // namespace tavi
