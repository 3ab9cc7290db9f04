#include "files/Replacement.h"

#include "files/FileError.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <unistd.h>
#include <utility>

namespace tavi {

namespace {

// Of the target's name, the part that the temporary file's name repeats.
constexpr std::size_t kLongestNameKept = 200;
constexpr std::size_t kChunk = 1 << 16;
constexpr int kNameAttempts = 100;

// Creates a file whose name is pattern with its last six characters made up at random. Returns
// its descriptor, or -1 with errno set.
int createUnique(FileCalls& calls, std::string& pattern, mode_t mode) {
    static constexpr std::string_view kLetters =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device seed;
    std::mt19937 random(seed());
    std::uniform_int_distribution<std::size_t> letter(0, kLetters.size() - 1);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        for (std::size_t i = pattern.size() - 6; i < pattern.size(); ++i) {
            pattern[i] = kLetters[letter(random)];
        }
        const int descriptor = calls.create(pattern, mode);
        if (descriptor >= 0 || errno != EEXIST) {
            return descriptor;
        }
    }
    errno = EEXIST;
    return -1;
}

std::string temporaryFolderFile(std::string_view name) {
    std::error_code ignored;
    return (std::filesystem::temp_directory_path(ignored) / name).string();
}

// Gives the replacement of a file the old file's owner and permissions, so that saving changes
// only the contents. Only the superuser may give a file away; where the owner cannot be kept,
// the set-user-ID and set-group-ID bits are dropped rather than handed to the writer. Returns
// 0 or the errno value of the failure.
int keepAttributes(int descriptor, const struct stat& old) {
    struct stat now {};
    if (fstat(descriptor, &now) != 0) {
        return errno;
    }
    mode_t permissions = old.st_mode & 07777;
    if ((now.st_uid != old.st_uid || now.st_gid != old.st_gid) &&
        fchown(descriptor, old.st_uid, old.st_gid) != 0) {
        permissions &= ~mode_t{S_ISUID | S_ISGID};
    }
    if ((now.st_mode & 07777) != permissions && fchmod(descriptor, permissions) != 0) {
        return errno;
    }
    return 0;
}

// Copies the whole of the file from over the start of the file to and cuts to at that length;
// written, when given, counts the bytes written. Returns 0 or the errno value of the failure.
int copyWhole(FileCalls& calls, int from, int to, off_t* written = nullptr) {
    if (lseek(from, 0, SEEK_SET) != 0 || lseek(to, 0, SEEK_SET) != 0) {
        return errno;
    }
    std::array<char, kChunk> chunk{};
    off_t length = 0;
    for (;;) {
        const ssize_t count = ::read(from, chunk.data(), chunk.size());
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return count < 0 ? errno : (ftruncate(to, length) == 0 ? 0 : errno);
        }
        if (const int error = writeAll(calls, to, chunk.data(), static_cast<std::size_t>(count));
            error != 0) {
            return error;
        }
        length += count;
        if (written != nullptr) {
            *written = length;
        }
    }
}

// Closes a descriptor that may be open, and marks it closed.
void closeOnce(int& descriptor) {
    if (descriptor >= 0) {
        ::close(std::exchange(descriptor, -1));
    }
}

}  // namespace

Replacement::Replacement(std::string fileName, std::string targetName, const struct stat* old,
                         FileCalls& calls)
    : m_fileName(std::move(fileName)),
      m_targetName(std::move(targetName)),
      m_targetExisted(old != nullptr),
      m_calls(calls) {
    const std::filesystem::path target(m_targetName);
    // A name the folder cannot hold would only fail when the finished file is put in place,
    // perhaps after other outputs have been replaced: it is refused now.
    const std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
    const long longestName = pathconf(folder.c_str(), _PC_NAME_MAX);
    if (longestName > 0 &&
        target.filename().string().size() > static_cast<std::size_t>(longestName)) {
        throw fileErrorFromErrno(ENAMETOOLONG, m_fileName);
    }
    // A hidden name beside the target, so that the swap stays within one file system. It keeps
    // only the start of a long name, so that it never exceeds the longest name the file system
    // allows where the target's own name does not. A new file gets the permissions every new
    // file gets here.
    std::string hiddenName(".");
    hiddenName.append(target.filename().string().substr(0, kLongestNameKept)).append(".XXXXXX");
    m_tempName = (target.parent_path() / hiddenName).string();
    m_text = createUnique(m_calls, m_tempName, 0666);
    if (m_text < 0 && old != nullptr && (errno == EACCES || errno == EPERM)) {
        // A folder in which no file may be made can still hold files the user may rewrite:
        // their text waits in the system's folder for temporary files, readable by the user
        // alone, and is copied into them once complete.
        m_copy = true;
        m_tempName = temporaryFolderFile("tavi-output.XXXXXX");
        m_text = createUnique(m_calls, m_tempName, 0600);
    }
    if (m_text < 0) {
        m_tempName.clear();
        throw outputFileError(errno, m_fileName);
    }
    if (const int error = old != nullptr && !m_copy ? keepAttributes(m_text, *old) : 0;
        error != 0) {
        // No destructor runs for a replacement that is not made.
        closeOnce(m_text);
        std::remove(m_tempName.c_str());
        throw fileErrorFromErrno(error, m_fileName);
    }
}

Replacement::~Replacement() {
    if (m_state == State::Prepared) {
        undo();
    }
    closeOnce(m_text);
    finish();
}

void Replacement::finishText() {
    if (m_state != State::Writing) {
        return;
    }
    // Beside the target the text must be on the disk before its name is: otherwise a power
    // cut after the swap could leave an empty file where the old one was. A copy is flushed
    // where it lands.
    const int error = !m_copy && m_calls.sync(m_text) != 0 ? errno : 0;
    struct stat status {};
    m_newSize = fstat(m_text, &status) == 0 ? status.st_size : 0;
    const int closed = ::close(std::exchange(m_text, -1));
    if (error != 0 || closed != 0) {
        throw fileErrorFromErrno(error != 0 ? error : errno, m_fileName);
    }
    m_state = State::Finished;
}

void Replacement::prepare() {
    if (!m_copy) {
        m_state = State::Prepared;
        return;
    }
    m_target = ::open(m_targetName.c_str(), O_RDWR | O_CLOEXEC);
    struct stat status {};
    if (m_target < 0 || fstat(m_target, &status) != 0) {
        throw fileErrorFromErrno(errno, m_fileName);
    }
    m_oldSize = status.st_size;
    m_backupName = temporaryFolderFile("tavi-backup.XXXXXX");
    int backup = createUnique(m_calls, m_backupName, 0600);
    int error = backup < 0 ? errno : copyWhole(m_calls, m_target, backup);
    if (backup < 0) {
        m_backupName.clear();
    }
    closeOnce(backup);
    m_state = State::Prepared;
    if (error == 0 && m_calls.reserve(m_target, std::max(m_oldSize, m_newSize)) != 0) {
        error = errno;
    }
    if (error != 0) {
        throw fileErrorFromErrno(error, m_fileName);
    }
}

void Replacement::put() {
    if (m_copy) {
        putCopy();
        return;
    }
    // Swapped, the old file stays at hand until every output is in place. A file system that
    // cannot swap gets the plain renaming, which cannot be undone; so does a target that went
    // meanwhile.
    m_swapped = m_targetExisted && m_calls.rename(m_tempName, m_targetName, true) == 0;
    if (!m_swapped && (!m_targetExisted || errno == EINVAL || errno == ENOENT)) {
        if (m_calls.rename(m_tempName, m_targetName, false) != 0) {
            throw fileErrorFromErrno(errno, m_fileName);
        }
        m_tempName.clear();
    } else if (!m_swapped) {
        throw fileErrorFromErrno(errno, m_fileName);
    }
    m_state = State::Replaced;
    if (const int error = syncFolder(); error != 0) {
        throw fileErrorFromErrno(error, m_fileName);
    }
}

void Replacement::putCopy() {
    m_state = State::Putting;
    const int text = ::open(m_tempName.c_str(), O_RDONLY | O_CLOEXEC);
    off_t written = 0;
    int error = text < 0 ? errno : copyWhole(m_calls, text, m_target, &written);
    if (text >= 0) {
        ::close(text);
    }
    // A copy that wrote nothing leaves the old text whole; one that finished leaves the new.
    m_state = error == 0 ? State::Replaced : written == 0 ? State::Prepared : State::Putting;
    if (error == 0 && m_calls.sync(m_target) != 0) {
        error = errno;
    }
    if (error != 0) {
        throw fileErrorFromErrno(error, m_fileName);
    }
}

bool Replacement::undo() {
    bool undone = true;
    if (m_state == State::Prepared && m_copy) {
        // Only the space set aside goes; a file system that had to grow the file for it gets
        // its old length back.
        undone = ftruncate(m_target, m_oldSize) == 0;
    } else if ((m_state == State::Putting || m_state == State::Replaced) && m_copy) {
        const int backup =
            m_backupName.empty() ? -1 : ::open(m_backupName.c_str(), O_RDONLY | O_CLOEXEC);
        undone =
            backup >= 0 && copyWhole(m_calls, backup, m_target) == 0 && m_calls.sync(m_target) == 0;
        if (backup >= 0) {
            ::close(backup);
        }
    } else if (m_state == State::Replaced) {
        undone = m_swapped         ? m_calls.rename(m_tempName, m_targetName, true) == 0
                 : m_targetExisted ? false
                                   : ::unlink(m_targetName.c_str()) == 0;
        if (undone) {
            // The old file is back whether or not the folder can be flushed now.
            syncFolder();
        }
    }
    if (undone) {
        m_state = State::Finished;
    }
    return undone;
}

void Replacement::finish() {
    m_state = State::Done;
    closeOnce(m_target);
    for (std::string* name : {&m_tempName, &m_backupName}) {
        if (!name->empty()) {
            std::remove(name->c_str());
            name->clear();
        }
    }
}

int Replacement::syncFolder() {
    const std::filesystem::path target(m_targetName);
    const std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) {
        // A folder that may be written but not read cannot be flushed by its own descriptor;
        // the file system writes it back in its own time.
        return 0;
    }
    const int error = m_calls.sync(descriptor) == 0 ? 0 : errno;
    ::close(descriptor);
    return error;
}

void replaceTogether(const std::vector<Replacement*>& files) {
    std::size_t touched = 0;
    // Undoes every file touched, the last first; says which could not be given back.
    const auto undoTouched = [&files, &touched] {
        std::string replaced;
        std::string incomplete;
        for (std::size_t i = touched; i-- > 0;) {
            Replacement& file = *files[i];
            const bool complete = file.m_state == Replacement::State::Replaced;
            if (!file.undo()) {
                std::string& list = complete ? replaced : incomplete;
                list.insert(0, list.empty() ? file.fileName() : file.fileName() + ", ");
            }
        }
        return (replaced.empty() ? "" : "; already replaced: " + replaced) +
               (incomplete.empty() ? "" : "; left incomplete: " + incomplete);
    };
    try {
        for (; touched < files.size(); ++touched) {
            files[touched]->prepare();
        }
        for (Replacement* file : files) {
            file->put();
        }
    } catch (const FileError& error) {
        // A file that failed while being prepared is given back too.
        touched = std::min(touched + 1, files.size());
        throw FileError(error.what() + undoTouched(), error.fileName());
    } catch (...) {
        touched = std::min(touched + 1, files.size());
        undoTouched();
        throw;
    }
    for (Replacement* file : files) {
        file->finish();
    }
}

}  // namespace tavi
