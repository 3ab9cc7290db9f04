#include "files/OutputLock.h"

#include "files/FileNames.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
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
    std::vector<std::string> folders;
    folders.reserve(files.size());
    for (const std::string& file : files) {
        folders.push_back(folderOf(file));
    }
    // Always in the same order, so that two calculations never wait for each other.
    std::sort(folders.begin(), folders.end());
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
    try {
        for (const std::string& folder : folders) {
            lock(folder, stop, waiting);
        }
    } catch (...) {
        release();
        throw;
    }
}

void OutputLock::lock(const std::string& folder, StopToken stop,
                      const std::function<void(const std::string& folder)>& waiting) {
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) {
        return;
    }
    m_descriptors.push_back(descriptor);
    bool told = false;
    while (flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            return;
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
